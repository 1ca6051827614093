#include "ui/dialogs/portswindow.h"
#include "ui/common/captions.h"
#include "ui/common/controls.h"
#include "ui/main/windows.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "platform/guard.h"
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace kestrum {

namespace {

enum Column { Number, Device, ById, Description, Manufacturer, SerialNumber, VidPid, Columns };

int columnOf(DeviceDetail d)
{
    switch (d) {
    case DeviceDetail::Description: return Description;
    case DeviceDetail::Manufacturer: return Manufacturer;
    case DeviceDetail::SerialNumber: return SerialNumber;
    case DeviceDetail::VidPid: return VidPid;
    case DeviceDetail::ById: return ById;
    }
    return Description;
}

QComboBox *makeChoice(QWidget *parent, const char *name, const QRect &r)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(r);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

// The name an entry keeps for a device: its stable link where it has one.
QString entryFor(const SerialDevice &d) { return d.byId.isEmpty() ? d.path : d.byId; }

} // namespace

Form3::Form3(QWidget *parent) : Recaptioned(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setClientTwips(this, 9615, 5295);
    setFixedSize(size());

    Table1 = new QTableWidget(0, Columns, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setGeometry(twipsRect(120, 120, 9375, 2535));
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->verticalHeader()->hide();
    Table1->horizontalHeader()->setStretchLastSection(true);

    Frame1 = makeFrame(this, "Frame1", twipsRect(120, 2760, 7455, 1815));
    Label1 = makeLabel(Frame1, "Label1", QStringLiteral("COM1"), twipsRect(240, 360, 735, 255));
    Combo1 = makeChoice(Frame1, "Combo1", twipsRect(960, 300, 6315, 315));
    Label2 = makeLabel(Frame1, "Label2", QStringLiteral("COM2"), twipsRect(240, 840, 735, 255));
    Combo2 = makeChoice(Frame1, "Combo2", twipsRect(960, 780, 6315, 315));
    Label3 = makeLabel(Frame1, "Label3", QStringLiteral("COM3"), twipsRect(240, 1320, 735, 255));
    Combo3 = makeChoice(Frame1, "Combo3", twipsRect(960, 1260, 6315, 315));
    Label4 = makeLabel(this, "Label4", QString(), twipsRect(120, 4680, 7455, 495));
    // A screen reader names each list by the port beside it.
    Label1->setBuddy(Combo1);
    Label2->setBuddy(Combo2);
    Label3->setBuddy(Combo3);

    Command1 = makeButton(this, "Command1", QString(), twipsRect(7800, 2880, 1695, 495));
    Command2 = makeButton(this, "Command2", QString(), twipsRect(7800, 3480, 1695, 495));
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    retranslateUi();
}

void Form3::retranslateUi()
{
    setWindowTitle(tr("Порты"));
    // The table has no label: a screen reader needs its name.
    Table1->setAccessibleName(tr("Устройства"));
    Table1->setHorizontalHeaderLabels({tr("№"), tr("Устройство"), tr("Постоянное имя"), tr("Описание"),
                                       tr("Производитель"), tr("Серийный номер"), tr("VID:PID")});
    Frame1->setTitle(tr("Какое устройство открывает порт"));
    Label4->setText(tr("Выбор вступает в силу при следующем открытии порта. Окно не открывает устройства."));
    Command1->setText(tr("OK"));
    Command2->setText(tr("Отмена"));
    if (!m_present.isEmpty() || Combo1->count() > 0)
        showDevices();
}

void Form3::Form_Load()
{
    applyCaptions(this);
    showDevices();
}

QComboBox *Form3::portChoice(int n) const
{
    switch (n) {
    case 1: return Combo1;
    case 2: return Combo2;
    case 3: return Combo3;
    default: return nullptr;
    }
}

void Form3::showDevices()
{
    // The choices shown win over the store: a device that comes or goes
    // must not undo what the user picked.
    QStringList chosen;
    for (int n = 1; n <= kPorts; ++n)
        chosen << (portChoice(n)->count() > 0 ? portChoice(n)->currentData().toString() : pinnedDevice(n));

    m_present = serialDevicesPresent();
    // Entries naming no device listed: unplugged, or a device the system
    // does not list as serial (a pseudo-terminal), which is not absent.
    QStringList others;
    for (int n = 1; n <= kPorts; ++n) {
        const QString entry = pinnedDevice(n);
        bool there = false;
        for (const SerialDevice &d : m_present)
            there = there || namesDevice(entry, d);
        if (!entry.isEmpty() && !there && !others.contains(entry))
            others << entry;
    }

    Table1->setRowCount(int(m_present.size() + others.size()));
    auto cell = [this](int row, int column, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setToolTip(text);
        Table1->setItem(row, column, item);
    };
    for (int row = 0; row < m_present.size(); ++row) {
        const SerialDevice &d = m_present.at(row);
        cell(row, Number, QString::number(row + 1));
        cell(row, Device, d.path);
        for (int c = Description; c < Columns; ++c)
            cell(row, c, QString());
        for (const auto &detail : deviceDetails(d))
            cell(row, columnOf(detail.first), detail.second);
    }
    for (int i = 0; i < others.size(); ++i) {
        const int row = int(m_present.size()) + i;
        const bool gone = !QFileInfo::exists(others.at(i));
        cell(row, Number, gone ? tr("нет") : QStringLiteral("-"));
        cell(row, Device, others.at(i));
        for (int c = ById; c < Columns; ++c)
            cell(row, c, QString());
        if (gone)
            cell(row, Description, tr("не подключено"));
    }
    Table1->resizeColumnsToContents();
    Table1->setCurrentItem(nullptr);
    // Long names are cut; the cell's tooltip shows them whole.
    for (int c = Device; c < Columns; ++c)
        Table1->setColumnWidth(c, qMin(Table1->columnWidth(c), twips(2880)));

    for (int n = 1; n <= kPorts; ++n)
        fillChoice(n, chosen.at(n - 1));
}

void Form3::fillChoice(int n, const QString &chosen)
{
    QComboBox *c = portChoice(n);
    c->clear();
    c->addItem(tr("%1-е подключенное устройство").arg(n), QString());
    int selected = 0;
    for (const SerialDevice &d : m_present) {
        // The stable name says which adapter; the path, where it is now.
        QString caption = d.byId.isEmpty() ? d.path : QFileInfo(d.byId).fileName() + QStringLiteral(" (") + d.path + QLatin1Char(')');
        if (!d.description.isEmpty())
            caption += QStringLiteral(" - ") + d.description;
        if (!d.serialNumber.isEmpty())
            caption += QStringLiteral(" (") + d.serialNumber + QLatin1Char(')');
        // An entry of the user's own that names this device is kept as written.
        const bool named = !chosen.isEmpty() && namesDevice(chosen, d);
        c->addItem(caption, named ? chosen : entryFor(d));
        if (named)
            selected = c->count() - 1;
    }
    if (!chosen.isEmpty() && selected == 0) {
        c->addItem(QFileInfo::exists(chosen) ? chosen : tr("%1 (не подключено)").arg(chosen), chosen);
        selected = c->count() - 1;
    }
    c->setCurrentIndex(selected);
    c->setToolTip(c->currentText());
}

void Form3::Command1_Click()
{
    guarded([&] {
        for (int n = 1; n <= kPorts; ++n) {
            const QString entry = portChoice(n)->currentData().toString();
            if (entry != pinnedDevice(n))
                pinPort(n, entry);
        }
    });
    emit portsChosen();
    close();
}

void Form3::Command2_Click() { close(); }

QString Form3::detailsText(const SerialDevice &device)
{
    QStringList lines;
    for (const auto &detail : deviceDetails(device)) {
        switch (detail.first) {
        case DeviceDetail::Description: lines << tr("Описание: %1").arg(detail.second); break;
        case DeviceDetail::Manufacturer: lines << tr("Производитель: %1").arg(detail.second); break;
        case DeviceDetail::SerialNumber: lines << tr("Серийный номер: %1").arg(detail.second); break;
        case DeviceDetail::VidPid: lines << tr("VID:PID %1").arg(detail.second); break;
        case DeviceDetail::ById: lines << detail.second; break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString Form3::portTip(int n, const PortAssignment &a, const QList<SerialDevice> &present)
{
    if (a.device.isEmpty())
        return tr("COM%1: нет устройства").arg(n);
    QString how;
    switch (a.kind) {
    case PortAssignment::NthPresent: how = tr("%1-е подключенное устройство").arg(n); break;
    case PortAssignment::Pinned: how = tr("выбрано в окне \"Порты\""); break;
    case PortAssignment::Given: how = tr("задано в командной строке"); break;
    }
    QString tip = QStringLiteral("COM%1: %2 (%3)").arg(n).arg(a.device, how);
    if (a.presentIndex < 0)
        return QFileInfo::exists(a.device) ? tip : tip + QLatin1Char('\n') + tr("Устройство не подключено");
    const QString details = detailsText(present.at(a.presentIndex));
    if (present.at(a.presentIndex).path != a.device)
        tip += QLatin1Char('\n') + present.at(a.presentIndex).path;
    return details.isEmpty() ? tip : tip + QLatin1Char('\n') + details;
}

} // namespace kestrum
