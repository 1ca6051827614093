// Leaving the program: the exit check and the close request.
#include "ui/main/exitcheck.h"
#include "ui/actions/documentactions.h"
#include "ui/dialogs/savechangesprompt.h"
#include "ui/main/windows.h"
#include "core/session/session.h"
#include <QAction>
#include <QPushButton>
#include <QScopeGuard>
#include <utility>

namespace kestrum {

ExitCheck::ExitCheck(const Controls &controls, Session &session, Windows &windows, DocumentActions &documents,
                     QWidget *window)
    : QObject(window), m_session(session), m_windows(windows), m_documents(documents), m_window(window)
{
    connect(controls.exit, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(controls.exitItem, &QAction::triggered, this, [this] { Command7_Click(); });
}

void ExitCheck::endProgram()
{
    // A wait for data ends at once; every other window goes, so that nothing
    // keeps the program alive; then the main one closes, unless its close is
    // what is asking.
    m_session.abandonWait();
    m_windows.unloadSavePrompt();
    m_windows.unloadWarning();
    m_windows.unloadOptionsWindow();
    m_windows.unloadClearSettingsPrompt();
    m_windows.unloadAboutBox();
    if (!m_closing)
        m_window->close();
}

void ExitCheck::Command7_Click()
{
    if ((m_session.state().dataReceived == 1 || m_session.state().fileOpened == 1) && m_documents.saveEnabled()) {
        // Loading the prompt disables the main window until it is answered.
        SavePrompt *prompt = m_windows.savePrompt();
        prompt->show();
        prompt->raise();
        prompt->activateWindow();
        return;
    }
    m_session.state().exitConfirmed = 1;
    endProgram();
}

bool ExitCheck::Form_QueryUnload(bool fromUser)
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
    return m_session.state().exitConfirmed == 1;
}

void ExitCheck::CancRes() { m_session.state().exitConfirmed = 0; }

} // namespace kestrum
