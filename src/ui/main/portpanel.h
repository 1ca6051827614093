#pragma once
#include <QObject>
#include <QString>
#include <QVariant>

class QAction;
class QComboBox;
class QPushButton;

namespace kestrum {

class DeviceArrivals;
class DeviceWatch;
class Session;
class Windows;
enum class Setting;

// The main window's port panel: which port (Combo1), its line parameters
// (Combo2 to Combo5), Open Port and Close Port, File > Ports..., and the
// wait for a lost device to come back.
class PortPanel : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox *port;       // Combo1: COM1 to COM3
        QComboBox *baudRate;   // Combo2
        QComboBox *parity;     // Combo3
        QComboBox *dataBits;   // Combo4
        QComboBox *stopBits;   // Combo5
        QPushButton *open;     // Command3
        QPushButton *close;    // Command2
        QAction *portsItem;    // mnuPorts
    };
    PortPanel(const Controls &controls, Session &session, Windows &windows, QObject *parent);

    // Steps of the main window's start-up, each reporting its own failure:
    // the port list; the four line parameter lists from the store; the port
    // started with them; the stored port selected (which opens it).
    void fillPortList();
    void fillLineParameters();
    void startPort();
    void selectStoredPort();

    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo5_Click();
    void Command3_Click();   // Open Port
    void Command2_Click();   // Close Port
    void mnuPorts_Click();   // the Ports window

    // Selecting a list item from code runs the list's handler, as a user's
    // selection does. Throws Error when the text is not an item of the list;
    // the list is then left without a selection and the handler does not run.
    void selectListItem(QComboBox *list, const QString &text);

    // Shows what each port item stands for now (its tooltip).
    void showPortDevices();
    // Ends a wait for a lost device.
    void stopWaiting();

private:
    void runListHandler(QComboBox *list);
    void lineParameterSelected(QComboBox *list, Setting key);
    bool reopenLostDevice(const QString &device);
    void showPortWaiting(bool waiting);
    // The port list's tooltips: each item's device, the list's the selected one's.
    void showPortTips();
    // The four lists' texts as the line parameters text.
    QString lineParameters() const;

    Controls m_ui;
    Session &m_session;
    Windows &m_windows;
    // Serial devices come and go.
    DeviceArrivals *m_deviceArrivals;
    // Waits for a lost device to come back and opens the port on it again.
    DeviceWatch *m_deviceWatch;
    // The line parameter lists are being filled at start-up.
    bool m_filling = false;
    // The port list item whose tooltip says it waits, and its usual text.
    int m_waitingItem = -1;
    QVariant m_waitingItemTip;
};

} // namespace kestrum
