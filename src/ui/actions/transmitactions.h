#pragma once
#include <QObject>
#include <QString>

class QAction;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kestrum {

class SendBoxHistory;
class Session;
class Windows;
enum class SendMode;

// The main window's sending: the send box (Text1) and its history, Send
// (Command1), and the Transmit menu (how the send box is read, a file, a
// break).
class TransmitActions : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPlainTextEdit *sendBox;   // Text1
        QPushButton *send;         // Command1
        QAction *sendText;         // mnuSendText
        QAction *sendHex;          // mnuSendHex
        QAction *sendEscapes;      // mnuSendEscapes
        QAction *sendFile;         // mnuSendFile
        QAction *sendBreak;        // mnuSendBreak
    };
    TransmitActions(const Controls &controls, Session &session, Windows &windows, QWidget *window);

    void Command1_Click();   // Send
    // The send box's text: line breaks are CR LF.
    QString sendText() const;
    // How the send box is read, as the Transmit menu says.
    SendMode sendMode() const;
    void mnuSendMode_Click(SendMode mode);
    void mnuSendFile_Click();
    void mnuSendBreak_Click();

private:
    Controls m_ui;
    Session &m_session;
    Windows &m_windows;
    QWidget *m_window;
    // What was sent from the send box, to send again.
    SendBoxHistory *m_history;
    // The file last sent, where the next Send file starts.
    QString m_sendFilePath;
};

} // namespace kestrum
