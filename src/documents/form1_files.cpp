// File menu of the main window: documents, printing, the text editor.
#include "app/form1.h"

namespace kestrum {

void Form1::mnuOpen_Click() {}
void Form1::mnuSave_Click() {}
void Form1::mnuSave_as_Click() {}
void Form1::mnuPrint_Click() {}
void Form1::mnuOpenBlocknot_Click() {}

} // namespace kestrum
