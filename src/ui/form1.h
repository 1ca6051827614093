#pragma once
#include "platform/commondialog.h"
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include "ui/recaptioned.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kestrum {

class DeviceArrivals;
class DeviceWatch;

enum class Setting;
class ReceivedBox;
class SendBoxHistory;
class Searcher;
class Session;
class Windows;
struct Progress;
struct SearchHit;
enum class SendMode;

// The main window: port and line parameters, send box, received box. The
// work is the session's; a handler calls into it and shows what it reports.
// Handlers are defined beside what they show (port, receive and transmit,
// files, exit, language); this file's .cpp holds the window and its start-up.
class Form1 : public Recaptioned<QMainWindow> {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Controls.
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QComboBox *Combo1, *Combo2, *Combo3, *Combo4, *Combo5;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command7, *Command8;
    QGroupBox *Frame1;
    QPlainTextEdit *Text1;   // send box
    ReceivedBox *Text2;      // received box
    QLineEdit *Text3;        // message counter
    // What was sent from the send box, to send again.
    SendBoxHistory *Text1History;
    // The serial port, the receive framing and the received document.
    Session *session;
    // Waits for a lost device to come back and opens the port on it again.
    DeviceWatch *deviceWatch;
    CommonDialog CommonDialog2;  // Open
    CommonDialog CommonDialog3;  // Save As

    // Finds in the received document on a worker thread.
    Searcher *searcher;

    QMenu *mnuFile, *mnuEdit, *mnuLng, *mnuSpravka;
    QAction *mnuOpen, *mnuOpenBlocknot, *mnuSave, *mnuSave_as, *mnuPrint, *mnuPorts, *mnuExit;
    QAction *mnuFind, *mnuFindNext, *mnuFindPrev;
    QAction *mnuRus, *mnuEng, *mnuHelp, *mnuAbout;
    // Transmit: how the send box is read (one of three), a file, a break.
    QMenu *mnuTransmit;
    // View: the received box as text or as hex.
    QMenu *mnuView;
    QAction *mnuHex;
    QAction *mnuSendText, *mnuSendHex, *mnuSendEscapes, *mnuSendFile, *mnuSendBreak;

    // Start-up.
    void Form_Load();
    void Command4_Click();   // Options...

    // Port configuration.
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo5_Click();
    void Command3_Click();   // Open Port
    void Command2_Click();   // Close Port
    void mnuPorts_Click();   // the Ports window
    // Shows what each port item stands for now (its tooltip).
    void showPortDevices();
    // Serial devices come and go.
    DeviceArrivals *deviceArrivals;

    // Receive and transmit. The session hears the port and the timer
    // itself; these two hand it an event the same way.
    void MSComm1_OnComm();
    void Timer2_Timer();
    void Command8_Click();   // Clear
    void Command1_Click();   // Send
    // The session reports a lost device.
    void MSComm1_DeviceLost(const QString &description);
    // The send box's text: line breaks are CR LF.
    QString sendText() const;
    // How the send box is read, as the Transmit menu says.
    SendMode sendMode() const;
    void mnuSendMode_Click(SendMode mode);
    void mnuHex_Click();
    void mnuSendFile_Click();
    void mnuSendBreak_Click();

    // Documents.
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSave_as_Click();
    void mnuPrint_Click();
    void mnuOpenBlocknot_Click();
    // Writes the received document into a file (Save, Save As, the exit
    // prompt's Yes) on a thread of its own, with progress and Cancel when it
    // takes a while. False when the user cancelled; Error on failure; in
    // both the old file is left as it was.
    bool saveDocumentTo(const QString &path);
    // Work on the document run aside, with this window's progress and
    // Cancel (LongWork); whether such work runs now.
    void runAside(const QString &label, Progress &progress, const std::function<void()> &work,
                  const std::function<void()> &tick = {});
    bool longWorkRunning() const;

    // Leaving.
    void Command7_Click();   // exit check; also File > Exit
    // Returns whether the close may go ahead.
    bool Form_QueryUnload(bool fromUser);
    void CancRes();
    // The one way the program ends: a wait for data ends, every other
    // window closes, then this one.
    void endProgram();
    // This window's dialogs, each made when first reached.
    Windows &windows() { return *m_windows; }
    qint16 flagSaves() const;

    // Finding in the received box (Edit menu, the Find window, F3).
    void mnuFind_Click();
    void mnuFindNext_Click();
    void mnuFindPrev_Click();
    // The next match of the last search, in its direction or the other
    // way; its text and options are the stored ones.
    void findNext(bool reverse);
    // Every match of the last search, and where the selected one stands.
    void countMatches();
    void stopSearch();

    // Language and About.
    void LngInitForm1();
    void retranslateUi() override;
    void mnuRus_Click();
    void mnuEng_Click();
    void mnuAbout_Click();

    // Selecting a list item from code runs the list's handler, as a user's
    // selection does. Throws Error when the text is not an item of the list;
    // the list is then left without a selection and the handler does not run.
    void selectListItem(QComboBox *list, const QString &text);

    // True while Form_Load runs.
    bool isLoading() const { return m_loading; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildBytesMenus();
    void retranslateBytesMenus();
    void connectHandlers();
    void runListHandler(QComboBox *list);
    void lineParameterSelected(QComboBox *list, Setting key);
    bool reopenLostDevice(const QString &device);
    void showPortWaiting(bool waiting);
    // The port list's tooltips: each item's device, the list's the selected one's.
    void showPortTips();
    // The four lists' texts as the line parameters text.
    QString lineParameters() const;
    void connectSearcher();
    void showFindStatus(const QString &text);
    void matchFound(const SearchHit &hit, bool wrapped);
    // The selection, when it is the match found last.
    bool lastMatchSelected(qsizetype *start, qsizetype *end) const;

    bool m_loading = false;
    // A close of this window is asking whether it may go ahead.
    bool m_closing = false;
    std::unique_ptr<Windows> m_windows;
    // The file last sent, where the next Send file starts.
    QString m_sendFilePath;
    bool m_showingLoss = false;
    // The port list item whose tooltip says it waits, and its usual text.
    int m_waitingItem = -1;
    QVariant m_waitingItemTip;
    // The match found last, as distances from the end of the document
    // (which messages put in front do not change); -1 when none.
    qsizetype m_matchTail = -1;
    qsizetype m_matchLength = 0;
};

// Starts the program exactly as main does: creates Form1, runs its load and
// shows it. main then runs the event loop.
Form1 *startProgram();

} // namespace kestrum
