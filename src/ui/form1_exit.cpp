// Leaving the program: the exit check and the close request.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/savechangesprompt.h"
#include "core/session.h"
#include <QAction>

namespace kestrum {

namespace {

// True while a close from the window's frame asks the exit check: the
// frame's close then goes ahead by itself once the check allows it.
bool g_askedByCloseRequest = false;

} // namespace

// Every window but the main one goes, so that nothing keeps the program
// alive once the main window is closed; a wait for data ends at once.
void closeOtherWindows(Form1 *f)
{
    if (f)
        f->session->abandonWait();
    windows().unloadDialog4();
    windows().unloadDialog2();
    windows().unloadForm2();
    windows().unloadDialog1();
    windows().unloadDialog();
}

void Form1::Command7_Click()
{
    if ((session->state().dataReceived == 1 || session->state().fileOpened == 1) && mnuSave->isEnabled()) {
        // Loading the prompt disables this window until it is answered.
        Dialog4 *prompt = windows().dialog4();
        prompt->show();
        prompt->raise();
        prompt->activateWindow();
        return;
    }
    session->state().exitConfirmed = 1;
    closeOtherWindows(this);
    if (!g_askedByCloseRequest)
        close();
}

bool Form1::Form_QueryUnload(bool fromUser)
{
    if (!fromUser) {
        // The program closing its own window (or the session ending): no
        // check, but the program ends with it.
        closeOtherWindows(this);
        return true;
    }
    struct Asking {
        Asking() { g_askedByCloseRequest = true; }
        ~Asking() { g_askedByCloseRequest = false; }
    } asking;
    Command7_Click();
    return session->state().exitConfirmed == 1;
}

void Form1::CancRes() { session->state().exitConfirmed = 0; }

qint16 Form1::flagSaves() const { return session->state().fileOpened; }

} // namespace kestrum
