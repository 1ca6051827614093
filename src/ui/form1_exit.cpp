// Leaving the program: the exit check and the close request.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/savechangesprompt.h"
#include "core/session.h"
#include <QAction>
#include <QScopeGuard>
#include <utility>

namespace kestrum {

void Form1::endProgram()
{
    // A wait for data ends at once; every other window goes, so that nothing
    // keeps the program alive; then this one closes, unless its close is
    // what is asking.
    session->abandonWait();
    windows().unloadSavePrompt();
    windows().unloadWarning();
    windows().unloadOptionsWindow();
    windows().unloadClearSettingsPrompt();
    windows().unloadAboutBox();
    if (!m_closing)
        close();
}

void Form1::Command7_Click()
{
    if ((session->state().dataReceived == 1 || session->state().fileOpened == 1) && mnuSave->isEnabled()) {
        // Loading the prompt disables this window until it is answered.
        SavePrompt *prompt = windows().savePrompt();
        prompt->show();
        prompt->raise();
        prompt->activateWindow();
        return;
    }
    session->state().exitConfirmed = 1;
    endProgram();
}

bool Form1::Form_QueryUnload(bool fromUser)
{
    // The close under way goes ahead by itself once allowed.
    const bool wasClosing = std::exchange(m_closing, true);
    const auto restore = qScopeGuard([&] { m_closing = wasClosing; });
    if (!fromUser) {
        // The program closing its own window (or the session ending): no
        // check, but the program ends with it.
        endProgram();
        return true;
    }
    Command7_Click();
    return session->state().exitConfirmed == 1;
}

void Form1::CancRes() { session->state().exitConfirmed = 0; }

qint16 Form1::flagSaves() const { return session->state().fileOpened; }

} // namespace kestrum
