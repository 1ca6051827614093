#pragma once
#include "platform/commondialog.h"
#include <QMainWindow>
#include <QString>
#include <QVariant>

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

class DeviceWatch;
class MSComm;
enum class Setting;
class ReceivedBox;

// The main window: port and line parameters, send box, received box.
// Handlers are defined beside the subsystem they belong to (serial/,
// documents/, lang/); this file's .cpp holds the window and its start-up.
class Form1 : public QMainWindow {
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
    QTimer *Timer2;
    MSComm *MSComm1;
    // Waits for a lost device to come back and opens the port on it again.
    DeviceWatch *deviceWatch;
    CommonDialog CommonDialog2;  // Open
    CommonDialog CommonDialog3;  // Save As

    QMenu *mnuFile, *mnuLng, *mnuSpravka;
    QAction *mnuOpen, *mnuOpenBlocknot, *mnuSave, *mnuSave_as, *mnuPrint, *mnuExit;
    QAction *mnuRus, *mnuEng, *mnuHelp, *mnuAbout;

    // State shared by the subsystems.
    QString portSettings;
    qint16 receiving = 0;
    qint32 messageCount = 0;
    QString openedFileName;
    qint16 fileOpened = 0;
    qint16 timerPhase = 0;
    qint16 dataReceived = 0;
    qint16 exitConfirmed = 0;

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

    // Receive and transmit.
    void MSComm1_OnComm();
    void Timer2_Timer();
    void Command8_Click();   // Clear
    void Command1_Click();   // Send
    // The serial-port object lost its device.
    void MSComm1_DeviceLost(const QString &description);
    // Timer2 is stopped by someone other than the receive path (Apply).
    void stopReceiveTimer();
    // The send box's text: line breaks are CR LF.
    QString sendText() const;

    // Documents.
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSave_as_Click();
    void mnuPrint_Click();
    void mnuOpenBlocknot_Click();

    // Leaving.
    void Command7_Click();   // exit check; also File > Exit
    // Returns whether the close may go ahead.
    bool Form_QueryUnload(bool fromUser);
    void CancRes();
    qint16 flagSaves() const { return fileOpened; }

    // Language and About.
    void LngInitForm1();
    // Sets the captions of the language now in use (tr()).
    void retranslateUi();
    void mnuRus_Click();
    void mnuEng_Click();
    void mnuAbout_Click();

    // Selecting a list item from code runs the list's handler, as a user's
    // selection does. Throws Error when the text is not an item of the list;
    // the list is then left without a selection and the handler does not run.
    void selectListItem(QComboBox *list, const QString &text);

    // True while Form_Load runs.
    bool isLoading() const { return m_loading; }
    // True while the second tick waits for data.
    bool isWaitingForData() const { return m_waiting; }
    // Ends a wait for data at once (the program is leaving).
    void abandonWait();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void showPortDevices();
    void buildMenus();
    void connectHandlers();
    void runListHandler(QComboBox *list);
    void lineParameterSelected(QComboBox *list, Setting key);
    bool reopenLostDevice(const QString &device);
    void showPortWaiting(bool waiting);
    void showLoss(const QString &description);

    bool m_loading = false;
    bool m_waiting = false;
    bool m_abandonWait = false;
    QString m_pendingLoss;
    bool m_showingLoss = false;
    // The port list item whose tooltip says it waits, and its usual text.
    int m_waitingItem = -1;
    QVariant m_waitingItemTip;
};

} // namespace kestrum
