#include "ui/form1.h"
#include "ui/controls.h"
#include "ui/windows.h"
#include "ui/main/boardactions.h"
#include "core/devicewatch.h"
#include "ui/receivedbox.h"
#include "ui/sendboxhistory.h"
#include "ui/optionswindow.h"
#include "ui/portswindow.h"
#include "core/error.h"
#include "platform/guard.h"
#include "core/portmap.h"
#include "core/searcher.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include "platform/platform.h"
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrum {

namespace {

void setColours(QWidget *w, const QColor &base, const QColor &text)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    w->setPalette(p);
}

QComboBox *makeList(QWidget *parent, const char *name, const QRect &r)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(false);
    c->setGeometry(r);
    return c;
}

QAction *makeAction(QMenu *menu, const char *name)
{
    auto *a = menu->addAction(QString());
    a->setObjectName(QLatin1String(name));
    return a;
}

// The window's client area. Controls sit at fixed places, so the area opens
// at its design size but lets the window shrink below it (the controls are
// clipped) or grow beyond it.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(twips(6495), twips(6705)); }
    QSize minimumSizeHint() const override { return QSize(0, 0); }
};

} // namespace

Form1::Form1(QWidget *parent) : Recaptioned(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrum V1.01 for MC"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_windows = std::make_unique<Windows>(*this);

    session = new Session(this);
    deviceArrivals = new DeviceArrivals(this);
    deviceWatch = new DeviceWatch([this](const QString &device) { return reopenLostDevice(device); }, this);
    searcher = new Searcher(session->document(), this);

    buildControls();
    buildMenus();
    buildBytesMenus();
    retranslateUi();
    connectHandlers();
    new BoardActions({mnuTransmit, mnuView, Text1, Command1, Text2}, *session, this);
}

Form1::~Form1()
{
    // The dialogs reach into this window and its session: they go first.
    m_windows.reset();
    // The received box shows the session's document: it goes first.
    delete centralWidget();
}

void Form1::runAside(const QString &label, Progress &progress, const std::function<void()> &work,
                     const std::function<void()> &tick)
{
    m_windows->longWork().run(label, progress, work, tick);
}

bool Form1::longWorkRunning() const { return m_windows->longWork().running(); }

void Form1::buildControls()
{
    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(client);

    Label1 = makeLabel(client, "Label1", QString(), twipsRect(600, 240, 735, 255));
    Combo1 = makeList(client, "Combo1", twipsRect(1440, 240, 1095, 315));
    Command3 = makeButton(client, "Command3", QString(), twipsRect(3000, 120, 1455, 495));
    Command2 = makeButton(client, "Command2", QString(), twipsRect(4680, 120, 1455, 495));

    Frame1 = new QGroupBox(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(120, 720, 4335, 1095));
    Label2 = makeLabel(Frame1, "Label2", QString(), twipsRect(120, 240, 855, 255));
    Combo2 = makeList(Frame1, "Combo2", twipsRect(960, 240, 1215, 315));
    Label3 = makeLabel(Frame1, "Label3", QString(), twipsRect(120, 600, 735, 255));
    Combo3 = makeList(Frame1, "Combo3", twipsRect(960, 600, 615, 315));
    Label4 = makeLabel(Frame1, "Label4", QString(), twipsRect(2280, 240, 855, 255));
    Combo4 = makeList(Frame1, "Combo4", twipsRect(3240, 240, 615, 315));
    Label5 = makeLabel(Frame1, "Label5", QString(), twipsRect(2280, 600, 1215, 255));
    Combo5 = makeList(Frame1, "Combo5", twipsRect(3240, 600, 615, 315));

    Command7 = makeButton(client, "Command7", QString(), twipsRect(4680, 720, 1455, 495));
    Command4 = makeButton(client, "Command4", QString(), twipsRect(4680, 1320, 1455, 495));
    Label6 = makeLabel(client, "Label6", QString(), twipsRect(120, 1800, 2535, 255));

    Text1 = new QPlainTextEdit(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(120, 2040, 4335, 1455));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColours(Text1, Qt::black, Qt::green);
    Text1History = new SendBoxHistory(Text1);

    Command1 = makeButton(client, "Command1", QString(), twipsRect(4680, 2040, 1455, 855));
    Command8 = makeButton(client, "Command8", QString(), twipsRect(4680, 3000, 1455, 495));
    Label7 = makeLabel(client, "Label7", QString(), twipsRect(120, 3480, 2295, 255));

    Text2 = new ReceivedBox(session->document(), m_windows->longWork(), client);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twipsRect(120, 3720, 6015, 2175));
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColours(Text2, Qt::black, Qt::green);

    Label8 = makeLabel(client, "Label8", QStringLiteral("Автосохранение:"), twipsRect(120, 6000, 6135, 615));

    Text3 = new QLineEdit(client);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setGeometry(twipsRect(5280, 6120, 1095, 375));
    setColours(Text3, QColor(192, 255, 192), Qt::red);

    // A screen reader names each control by its label.
    Label1->setBuddy(Combo1);
    Label2->setBuddy(Combo2);
    Label3->setBuddy(Combo3);
    Label4->setBuddy(Combo4);
    Label5->setBuddy(Combo5);
    Label6->setBuddy(Text1);
    Label7->setBuddy(Text2);

    // Tab order follows the layout, top to bottom.
    setTabOrder(Combo1, Command3);
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Combo2);
    setTabOrder(Combo2, Combo4);
    setTabOrder(Combo4, Combo3);
    setTabOrder(Combo3, Combo5);
    setTabOrder(Combo5, Command7);
    setTabOrder(Command7, Command4);
    setTabOrder(Command4, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command8);
    setTabOrder(Command8, Text2);
}

void Form1::buildMenus()
{
    mnuFile = menuBar()->addMenu(QString());
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = makeAction(mnuFile, "mnuOpen");
    mnuOpenBlocknot = makeAction(mnuFile, "mnuOpenBlocknot");
    mnuSave = makeAction(mnuFile, "mnuSave");
    mnuSave_as = makeAction(mnuFile, "mnuSave_as");
    mnuPrint = makeAction(mnuFile, "mnuPrint");
    mnuPorts = makeAction(mnuFile, "mnuPorts");
    mnuExit = makeAction(mnuFile, "mnuExit");
    mnuSave->setEnabled(false);

    mnuEdit = menuBar()->addMenu(QString());
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuFind = makeAction(mnuEdit, "mnuFind");
    mnuFindNext = makeAction(mnuEdit, "mnuFindNext");
    mnuFindPrev = makeAction(mnuEdit, "mnuFindPrev");
    mnuFind->setShortcut(QKeySequence::Find);
    mnuFindNext->setShortcut(Qt::Key_F3);
    mnuFindPrev->setShortcut(Qt::SHIFT | Qt::Key_F3);

    mnuLng = menuBar()->addMenu(QString());
    mnuLng->setObjectName(QStringLiteral("mnuLng"));
    mnuRus = makeAction(mnuLng, "mnuRus");
    mnuEng = makeAction(mnuLng, "mnuEng");

    mnuSpravka = menuBar()->addMenu(QString());
    mnuSpravka->setObjectName(QStringLiteral("mnuSpravka"));
    mnuHelp = makeAction(mnuSpravka, "mnuHelp");
    mnuAbout = makeAction(mnuSpravka, "mnuAbout");
}

void Form1::connectHandlers()
{
    // Lists react to `activated` only: it fires for every choice of the user,
    // also of the item already selected. Code goes through selectListItem.
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    connect(Combo3, &QComboBox::activated, this, [this] { Combo3_Click(); });
    connect(Combo4, &QComboBox::activated, this, [this] { Combo4_Click(); });
    connect(Combo5, &QComboBox::activated, this, [this] { Combo5_Click(); });

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });

    connect(session, &Session::counted, this, [this](qint32 count) { Text3->setText(QString::number(count)); });
    connect(session, &Session::documentGrew, Text2, &ReceivedBox::storeGrew);
    connect(session, &Session::messageShown, this, [this] { mnuSave->setEnabled(true); });
    connect(session, &Session::failure, this, [](const QString &description) { showMessage(description); });
    connect(session, &Session::deviceLost, this, [this](const QString &d) { MSComm1_DeviceLost(d); });
    // A port lost while open is opened again when its device comes back; an
    // open by any other way ends the wait.
    connect(session, &Session::deviceGone, deviceWatch, &DeviceWatch::watch);
    connect(session, &Session::portOpened, deviceWatch, &DeviceWatch::stop);
    connect(deviceWatch, &DeviceWatch::watchingChanged, this, [this](bool w) { showPortWaiting(w); });

    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpen_Click(); });
    connect(mnuOpenBlocknot, &QAction::triggered, this, [this] { mnuOpenBlocknot_Click(); });
    connect(mnuSave, &QAction::triggered, this, [this] { mnuSave_Click(); });
    connect(mnuSave_as, &QAction::triggered, this, [this] { mnuSave_as_Click(); });
    connect(mnuPrint, &QAction::triggered, this, [this] { mnuPrint_Click(); });
    connect(mnuPorts, &QAction::triggered, this, [this] { mnuPorts_Click(); });
    connect(deviceArrivals, &DeviceArrivals::devicesChanged, this, [this] {
        showPortDevices();
        if (Ports)
            Ports->showDevices();
    });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { showPortTips(); });
    connect(mnuExit, &QAction::triggered, this, [this] { Command7_Click(); });
    connect(mnuRus, &QAction::triggered, this, [this] { mnuRus_Click(); });
    connect(mnuEng, &QAction::triggered, this, [this] { mnuEng_Click(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });
    connect(mnuFind, &QAction::triggered, this, [this] { mnuFind_Click(); });
    connect(mnuFindNext, &QAction::triggered, this, [this] { mnuFindNext_Click(); });
    connect(mnuFindPrev, &QAction::triggered, this, [this] { mnuFindPrev_Click(); });
    connectSearcher();
}

void Form1::Form_Load()
{
    m_loading = true;

    guarded([&] {
        Combo1->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3")});
        showPortDevices();
    });
    guarded([&] { CommonDialog2.FileName = readSetting(Setting::FileNameOpen); });
    guarded([&] { CommonDialog3.FileName = readSetting(Setting::FileNameSaveAs); });
    // Reaching the Options window's autosave line loads that window, hidden.
    guarded([&] { Label8->setText(windows().form2()->Label1->text()); });
    guarded([&] { Label8->setEnabled(windows().form2()->Label1->isEnabled()); });
    guarded([&] {
        Combo2->addItems({QStringLiteral("110"), QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
                          QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"),
                          QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("56000"),
                          QStringLiteral("57600"), QStringLiteral("115200"),
                          // Today's USB adapters run far faster than the classic list.
                          QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600"),
                          QStringLiteral("1000000"), QStringLiteral("1500000"), QStringLiteral("2000000"),
                          QStringLiteral("3000000")});
        selectListItem(Combo2, readSetting(Setting::BaudRate));
    });
    guarded([&] {
        Combo3->addItems({QStringLiteral("n"), QStringLiteral("e"), QStringLiteral("o")});
        selectListItem(Combo3, readSetting(Setting::Parity));
    });
    guarded([&] {
        Combo4->addItems({QStringLiteral("7"), QStringLiteral("8")});
        selectListItem(Combo4, readSetting(Setting::DataBits));
    });
    guarded([&] {
        Combo5->addItems({QStringLiteral("1"), QStringLiteral("2")});
        selectListItem(Combo5, readSetting(Setting::StopBits));
    });
    guarded([&] { session->loadReceiveTimeout(); });
    guarded([&] { LngInitForm1(); });
    session->startPort(lineParameters(), [](const std::function<void()> &step) { return guarded(step); });
    guarded([&] { selectListItem(Combo1, readSetting(Setting::CommPort)); });
    m_loading = false;
}

void Form1::showPortDevices()
{
    // What COMn means here, now: the device and what the system knows of it.
    const QList<SerialDevice> present = serialDevicesPresent();
    for (int i = 0; i < Combo1->count(); ++i) {
        const QString tip = Form3::portTip(i + 1, portAssignment(i + 1, present), present);
        if (i == m_waitingItem)
            m_waitingItemTip = tip;
        else
            Combo1->setItemData(i, tip, Qt::ToolTipRole);
    }
    showPortTips();
}

void Form1::showPortTips()
{
    // While a lost device is awaited the list says so instead.
    if (m_waitingItem >= 0)
        return;
    Combo1->setToolTip(Combo1->itemData(Combo1->currentIndex(), Qt::ToolTipRole).toString());
}

void Form1::mnuPorts_Click()
{
    guarded([&] {
        if (!Ports) {
            Ports = new Form3(this);
            Ports->Form_Load();
            // Its choices show at once in the port list.
            connect(Ports, &Form3::portsChosen, this, [this] { showPortDevices(); });
        }
        Ports->show();
        Ports->raise();
        Ports->activateWindow();
    });
}

void Form1::Command4_Click()
{
    guarded([&] {
        windows().unloadForm2();
        Form2 *f = windows().form2();
        f->show();
        f->raise();
        f->activateWindow();
        windows().holds().hold(this, f);
    });
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A close from the window's frame is the user's; the program closing its
    // own windows is not.
    if (Form_QueryUnload(event->spontaneous())) {
        deviceWatch->stop();
        event->accept();
    } else
        event->ignore();
}

Form1 *startProgram()
{
    // The store's warnings come up in the platform's message box.
    platform();
    // The layouts are drawn in twips for a small 8-point bitmap font; a
    // metric-compatible narrow face keeps the captions inside their controls.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
    auto *f = new Form1();
    f->Form_Load();
    f->show();
    return f;
}

} // namespace kestrum
