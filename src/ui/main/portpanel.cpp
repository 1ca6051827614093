// The port panel of the main window: port and line-parameter lists, Open
// Port and Close Port, the Ports window.
#include "ui/main/portpanel.h"
#include "ui/dialogs/portswindow.h"
#include "ui/main/windows.h"
#include "core/devicewatch.h"
#include "core/error.h"
#include "core/portmap.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include "platform/guard.h"
#include <QAction>
#include <QComboBox>
#include <QPushButton>

namespace kestrum {

PortPanel::PortPanel(const Controls &controls, Session &session, Windows &windows, QObject *parent)
    : QObject(parent), m_ui(controls), m_session(session), m_windows(windows)
{
    m_deviceArrivals = new DeviceArrivals(this);
    m_deviceWatch = new DeviceWatch([this](const QString &device) { return reopenLostDevice(device); }, this);

    // Lists react to `activated` only: it fires for every choice of the user,
    // also of the item already selected. Code goes through selectListItem.
    connect(m_ui.port, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(m_ui.baudRate, &QComboBox::activated, this, [this] { Combo2_Click(); });
    connect(m_ui.parity, &QComboBox::activated, this, [this] { Combo3_Click(); });
    connect(m_ui.dataBits, &QComboBox::activated, this, [this] { Combo4_Click(); });
    connect(m_ui.stopBits, &QComboBox::activated, this, [this] { Combo5_Click(); });
    connect(m_ui.open, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(m_ui.close, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(m_ui.portsItem, &QAction::triggered, this, [this] { mnuPorts_Click(); });
    connect(m_ui.port, &QComboBox::currentIndexChanged, this, [this] { showPortTips(); });

    // A port lost while open is opened again when its device comes back; an
    // open by any other way ends the wait.
    connect(&m_session, &Session::deviceGone, m_deviceWatch, &DeviceWatch::watch);
    connect(&m_session, &Session::portOpened, m_deviceWatch, &DeviceWatch::stop);
    connect(m_deviceWatch, &DeviceWatch::watchingChanged, this, [this](bool w) { showPortWaiting(w); });
    connect(m_deviceArrivals, &DeviceArrivals::devicesChanged, this, [this] {
        showPortDevices();
        if (m_windows.hasPortsWindow())
            m_windows.portsWindow()->showDevices();
    });
}

void PortPanel::fillPortList()
{
    guarded([&] {
        m_ui.port->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3")});
        showPortDevices();
    });
}

void PortPanel::fillLineParameters()
{
    // While the lists are filled one after another the line parameters are
    // necessarily incomplete: each list's own value is stored, and startPort
    // applies the complete text.
    m_filling = true;
    guarded([&] {
        m_ui.baudRate->addItems({QStringLiteral("110"), QStringLiteral("300"), QStringLiteral("600"),
                                 QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                                 QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
                                 QStringLiteral("38400"), QStringLiteral("56000"), QStringLiteral("57600"),
                                 QStringLiteral("115200"),
                                 // Today's USB adapters run far faster than the classic list.
                                 QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600"),
                                 QStringLiteral("1000000"), QStringLiteral("1500000"), QStringLiteral("2000000"),
                                 QStringLiteral("3000000")});
        selectListItem(m_ui.baudRate, readSetting(Setting::BaudRate));
    });
    guarded([&] {
        m_ui.parity->addItems({QStringLiteral("n"), QStringLiteral("e"), QStringLiteral("o")});
        selectListItem(m_ui.parity, readSetting(Setting::Parity));
    });
    guarded([&] {
        m_ui.dataBits->addItems({QStringLiteral("7"), QStringLiteral("8")});
        selectListItem(m_ui.dataBits, readSetting(Setting::DataBits));
    });
    guarded([&] {
        m_ui.stopBits->addItems({QStringLiteral("1"), QStringLiteral("2")});
        selectListItem(m_ui.stopBits, readSetting(Setting::StopBits));
    });
    m_filling = false;
}

void PortPanel::startPort()
{
    m_session.startPort(lineParameters(), [](const std::function<void()> &step) { return guarded(step); });
}

void PortPanel::selectStoredPort()
{
    guarded([&] { selectListItem(m_ui.port, readSetting(Setting::Port)); });
}

void PortPanel::selectListItem(QComboBox *list, const QString &text)
{
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        list->setCurrentIndex(-1);
        throw Error(QCoreApplication::translate("Port",
                "Invalid property value: \"%1\" is not an item of the list.").arg(shownValue(text)));
    }
    list->setCurrentIndex(index);
    runListHandler(list);
}

void PortPanel::runListHandler(QComboBox *list)
{
    if (list == m_ui.port)
        Combo1_Click();
    else if (list == m_ui.baudRate)
        Combo2_Click();
    else if (list == m_ui.parity)
        Combo3_Click();
    else if (list == m_ui.dataBits)
        Combo4_Click();
    else if (list == m_ui.stopBits)
        Combo5_Click();
}

void PortPanel::Combo1_Click()
{
    const int position = m_ui.port->currentIndex();
    if (position < 0)
        return;
    m_deviceWatch->stop();
    showPortDevices();
    guarded([&] { m_session.closePort(); });
    guarded([&] { m_session.setPortNumber(position + 1); });
    guarded([&] { m_session.openPort(); });
    guarded([&] { writeSetting(Setting::Port, m_ui.port->currentText()); });
}

QString PortPanel::lineParameters() const
{
    return m_ui.baudRate->currentText() + QLatin1Char(',') + m_ui.parity->currentText() + QLatin1Char(',')
           + m_ui.dataBits->currentText() + QLatin1Char(',') + m_ui.stopBits->currentText();
}

void PortPanel::lineParameterSelected(QComboBox *list, Setting key)
{
    try {
        m_session.setLineParameters(lineParameters());
    } catch (const Error &e) {
        // While start-up fills the lists one after another the text is
        // necessarily incomplete: the list's own value is still stored, and
        // start-up applies the complete text itself (reporting it if refused).
        if (!m_filling) {
            showMessage(e.description());
            // The port kept the parameters it had: the list shows them again.
            const QStringList held = m_session.portLineParameters().split(QLatin1Char(','));
            const int field = list == m_ui.baudRate ? 0 : list == m_ui.parity ? 1 : list == m_ui.dataBits ? 2 : 3;
            const int index = list->findText(held.value(field), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (index >= 0)
                list->setCurrentIndex(index);
            return;
        }
    }
    guarded([&] { writeSetting(key, list->currentText()); });
}

void PortPanel::Combo2_Click() { lineParameterSelected(m_ui.baudRate, Setting::BaudRate); }
void PortPanel::Combo3_Click() { lineParameterSelected(m_ui.parity, Setting::Parity); }
void PortPanel::Combo4_Click() { lineParameterSelected(m_ui.dataBits, Setting::DataBits); }
void PortPanel::Combo5_Click() { lineParameterSelected(m_ui.stopBits, Setting::StopBits); }

void PortPanel::Command3_Click()
{
    guarded([&] { m_session.openPort(); });
}

void PortPanel::Command2_Click()
{
    m_deviceWatch->stop();
    guarded([&] { m_session.closePort(); });
}

void PortPanel::stopWaiting() { m_deviceWatch->stop(); }

void PortPanel::mnuPorts_Click()
{
    guarded([&] {
        PortsWindow *w = m_windows.portsWindow();
        w->show();
        w->raise();
        w->activateWindow();
    });
}

void PortPanel::showPortDevices()
{
    // What COMn means here, now: the device and what the system knows of it.
    const QList<SerialDevice> present = serialDevicesPresent();
    for (int i = 0; i < m_ui.port->count(); ++i) {
        const QString tip = Form3::portTip(i + 1, portAssignment(i + 1, present), present);
        if (i == m_waitingItem)
            m_waitingItemTip = tip;
        else
            m_ui.port->setItemData(i, tip, Qt::ToolTipRole);
    }
    showPortTips();
}

void PortPanel::showPortTips()
{
    // While a lost device is awaited the list says so instead.
    if (m_waitingItem >= 0)
        return;
    m_ui.port->setToolTip(m_ui.port->itemData(m_ui.port->currentIndex(), Qt::ToolTipRole).toString());
}

bool PortPanel::reopenLostDevice(const QString &device)
{
    // Quietly: a refused open is tried again once the device changes, and a box now would hide the
    // data the user is waiting for.
    try {
        m_session.openDevice(device);
        return true;
    } catch (const Error &) {
        return false;
    }
}

void PortPanel::showPortWaiting(bool waiting)
{
    QComboBox *list = m_ui.port;
    if (m_waitingItem >= 0 && m_waitingItem < list->count())
        list->setItemData(m_waitingItem, m_waitingItemTip, Qt::ToolTipRole);
    m_waitingItem = -1;
    if (!waiting) {
        showPortTips();
        return;
    }
    const QString tip = QCoreApplication::translate("Port", "COM%1 waits for %2 to come back")
                            .arg(m_session.portNumber())
                            .arg(m_deviceWatch->device());
    m_waitingItem = m_session.portNumber() - 1;
    if (m_waitingItem < list->count()) {
        m_waitingItemTip = list->itemData(m_waitingItem, Qt::ToolTipRole);
        list->setItemData(m_waitingItem, tip, Qt::ToolTipRole);
    }
    list->setToolTip(tip);
}

} // namespace kestrum
