#pragma once
#include <QMainWindow>
#include <QString>
#include <memory>
#include "ui/common/recaptioned.h"

namespace kestrum {

class DocumentActions;
class ExitCheck;
class FindActions;
class LogActions;
class PortPanel;
class Session;
class StreamActions;
class TransmitActions;
class Windows;

// The main window (the fixed name Form1): port and line parameters, send
// box, received box. It is put together from parts that each drive their
// own controls: the port panel, the document actions (File menu), find
// (Edit menu), transmit (Send and the Transmit menu) and the exit check; it
// keeps the received box, the message counter and the language itself. The
// work is the session's: a handler calls into it and shows what it reports.
// Its controls are private; tests find them by their fixed object names.
class Form1 : public Recaptioned<QMainWindow> {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: fills the lists from the store and opens the port.
    void Form_Load();

    // The serial port, the receive framing and the received document.
    Session &session() const { return *m_session; }
    // This window's dialogs, each made when first reached.
    Windows &windows() const { return *m_windows; }
    // The parts this window is put together from; a dialog is handed the
    // one it works with.
    PortPanel &ports() const { return *m_ports; }
    DocumentActions &documents() const { return *m_documents; }
    FindActions &find() const { return *m_find; }
    TransmitActions &transmit() const { return *m_transmit; }
    ExitCheck &exitCheck() const { return *m_exitCheck; }

    void Command4_Click();   // Options...
    void Command8_Click();   // Clear
    // The session hears the port and the timer itself; these two hand it an
    // event the same way.
    void MSComm1_OnComm();
    void Timer2_Timer();
    // The session reports a lost device.
    void MSComm1_DeviceLost(const QString &description);
    void mnuHex_Click();

    // The autosave line under the received box (Label8), as the Options
    // window last applied it.
    void showAutosaveLine(const QString &text, bool enabled);

    // Language and About.
    void LngInitForm1();
    void retranslateUi() override;
    void mnuRus_Click();
    void mnuEng_Click();
    void mnuAbout_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Ui;
    void buildControls();
    void buildMenus();
    void connectHandlers();

    std::unique_ptr<Ui> m_ui;
    Session *m_session;
    std::unique_ptr<Windows> m_windows;
    PortPanel *m_ports = nullptr;
    DocumentActions *m_documents = nullptr;
    FindActions *m_find = nullptr;
    TransmitActions *m_transmit = nullptr;
    ExitCheck *m_exitCheck = nullptr;
    StreamActions *m_stream = nullptr;
    LogActions *m_log = nullptr;
    bool m_showingLoss = false;
};

// Starts the program exactly as main does: creates Form1, runs its load and
// shows it. main then runs the event loop.
Form1 *startProgram();

} // namespace kestrum
