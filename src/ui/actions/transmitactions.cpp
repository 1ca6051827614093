// Sending from the main window: the send box, Send, and the Transmit menu.
#include "ui/actions/transmitactions.h"
#include "ui/common/captions.h"
#include "ui/actions/sendboxhistory.h"
#include "ui/main/windows.h"
#include "core/sending/filesend.h"
#include "core/log/messageline.h"
#include "core/sending/sendbytes.h"
#include "core/session/session.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include <QAction>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace kestrum {

TransmitActions::TransmitActions(const Controls &controls, Session &session, Windows &windows, QWidget *window)
    : QObject(window), m_ui(controls), m_session(session), m_windows(windows), m_window(window),
      m_history(new SendBoxHistory(controls.sendBox))
{
    connect(m_ui.send, &QPushButton::clicked, this, [this] { Command1_Click(); });
    const std::pair<QAction *, SendMode> modes[] = {
        {m_ui.sendText, SendMode::Text}, {m_ui.sendHex, SendMode::Hex}, {m_ui.sendEscapes, SendMode::Escapes}};
    for (const auto &[action, mode] : modes)
        connect(action, &QAction::triggered, this, [this, mode = mode] { mnuSendMode_Click(mode); });
    connect(m_ui.sendFile, &QAction::triggered, this, [this] { mnuSendFile_Click(); });
    connect(m_ui.sendBreak, &QAction::triggered, this, [this] { mnuSendBreak_Click(); });

    SendMode stored = SendMode::Text;
    guarded([&] { stored = storedSendMode(); });
    (stored == SendMode::Hex       ? m_ui.sendHex
     : stored == SendMode::Escapes ? m_ui.sendEscapes
                                   : m_ui.sendText)
        ->setChecked(true);
}

QString TransmitActions::sendText() const
{
    // The raw text keeps no-break spaces (a character of the code page).
    return withCrLf(m_ui.sendBox->document()->toRawText());
}

SendMode TransmitActions::sendMode() const
{
    return m_ui.sendHex->isChecked()       ? SendMode::Hex
           : m_ui.sendEscapes->isChecked() ? SendMode::Escapes
                                           : SendMode::Text;
}

void TransmitActions::Command1_Click()
{
    const QString text = sendText();
    switch (m_session.send(text, sendMode())) {
    case SendResult::Sent:
        m_history->sent(text);
        break;
    case SendResult::TooLong:
        // Also when the maximum is not a number: the session has said so
        // already, and the warning follows, as in every refused length.
        m_windows.showWarning();
        break;
    case SendResult::Failed:
        // Said already; the text stays in the box to be sent again.
        break;
    }
}

void TransmitActions::mnuSendMode_Click(SendMode mode)
{
    guarded([&] { storeSendMode(mode); });
}

void TransmitActions::mnuSendFile_Click()
{
    FileDialogRequest request;
    // The dialog's texts are the main window's captions.
    request.title = MainWindowCaptions::tr("Отправить файл");
    request.filter = MainWindowCaptions::tr("Все файлы (*)");
    request.initialPath = m_sendFilePath;
    request.mustExist = true;
    std::optional<QString> path;
    if (!guarded([&] { path = platform().fileDialog->run(m_window, request); }) || !path)
        return;
    m_sendFilePath = *path;
    if (!guarded([&] { m_session.sendFile(*path); }))
        return;
    // A file so short that it is sent already needs no window.
    if (!m_session.fileSender()->isSending())
        return;
    m_windows.showSendFileProgress(m_session.fileSender());
}

void TransmitActions::mnuSendBreak_Click()
{
    guarded([&] { m_session.sendBreak(); });
}

} // namespace kestrum
