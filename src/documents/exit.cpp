// Leaving the program: the exit check and the close request.
#include "app/form1.h"
#include "app/windows.h"

namespace kestrum {

void Form1::Command7_Click()
{
    exitConfirmed = 1;
    windows().unloadDialog4();
    windows().unloadDialog2();
    windows().unloadForm2();
    close();
}

bool Form1::Form_QueryUnload(bool) { return true; }
void Form1::CancRes() { exitConfirmed = 0; }

} // namespace kestrum
