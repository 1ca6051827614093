// Interface language of the main window.
#include "app/form1.h"
#include "app/windows.h"
#include "options/form2.h"
#include <QLabel>

namespace kestrum {

void Form1::LngInitForm1()
{
    windows().unloadForm2();
    Label8->setText(windows().form2()->Label1->text());
}

void Form1::mnuRus_Click() {}
void Form1::mnuEng_Click() {}
void Form1::mnuAbout_Click() {}

} // namespace kestrum
