#include "ui/main/form1.h"
#include "ui/main/form1ui.h"
#include "ui/actions/streamactions.h"
#include "ui/common/controls.h"
#include "ui/main/windows.h"
#include "ui/actions/boardactions.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/session/session.h"
#include "core/settings/settingkeys.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include <QAction>
#include <QActionGroup>
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

QMenu *makeMenu(QWidget *parent, const char *name)
{
    auto *m = new QMenu(parent);
    m->setObjectName(QLatin1String(name));
    return m;
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

Form1::Form1(QWidget *parent) : Recaptioned(parent), m_ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrum V1.01 for MC"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_windows = std::make_unique<Windows>(*this);
    m_session = new Session(this);

    buildControls();
    buildMenus();
    m_ports = new PortPanel(m_ui->port, *m_session, *m_windows, this);
    m_documents = new DocumentActions(m_ui->documents, *m_session, *m_windows, this);
    m_find = new FindActions(m_ui->find, m_session->document(), *m_windows, this);
    m_transmit = new TransmitActions(m_ui->transmit, *m_session, *m_windows, this);
    new BoardActions({m_ui->transmitMenu, m_ui->viewMenu, m_ui->transmit.sendBox, m_ui->transmit.send, m_ui->receivedBox},
                     *m_session, this);
    m_exitCheck = new ExitCheck(m_ui->exit, *m_session, *m_windows, *m_documents, this);
    m_stream = new StreamActions(m_ui->viewMenu, m_ui->receivedBox, this);
    m_ui->log.autosaveLine = m_ui->autosaveLine;
    m_log = new LogActions(m_ui->log, *m_session, this);
    retranslateUi();
    connectHandlers();
}

Form1::~Form1()
{
    // The dialogs reach into this window's parts and its session: they go
    // first; then the received box, which shows the session's document; then
    // the parts, the searcher among them, which work on it too.
    m_windows.reset();
    delete m_stream;
    delete centralWidget();
    delete m_log;
    delete m_exitCheck;
    delete m_transmit;
    delete m_find;
    delete m_documents;
    delete m_ports;
}

void Form1::buildControls()
{
    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(client);
    Ui &ui = *m_ui;

    ui.portCaption = makeLabel(client, "Label1", QString(), twipsRect(600, 240, 735, 255));
    ui.port.port = makeList(client, "Combo1", twipsRect(1440, 240, 1095, 315));
    ui.port.open = makeButton(client, "Command3", QString(), twipsRect(3000, 120, 1455, 495));
    ui.port.close = makeButton(client, "Command2", QString(), twipsRect(4680, 120, 1455, 495));

    ui.lineFrame = new QGroupBox(client);
    ui.lineFrame->setObjectName(QStringLiteral("Frame1"));
    ui.lineFrame->setGeometry(twipsRect(120, 720, 4335, 1095));
    ui.baudRateCaption = makeLabel(ui.lineFrame, "Label2", QString(), twipsRect(120, 240, 855, 255));
    ui.port.baudRate = makeList(ui.lineFrame, "Combo2", twipsRect(960, 240, 1215, 315));
    ui.parityCaption = makeLabel(ui.lineFrame, "Label3", QString(), twipsRect(120, 600, 735, 255));
    ui.port.parity = makeList(ui.lineFrame, "Combo3", twipsRect(960, 600, 615, 315));
    ui.dataBitsCaption = makeLabel(ui.lineFrame, "Label4", QString(), twipsRect(2280, 240, 855, 255));
    ui.port.dataBits = makeList(ui.lineFrame, "Combo4", twipsRect(3240, 240, 615, 315));
    ui.stopBitsCaption = makeLabel(ui.lineFrame, "Label5", QString(), twipsRect(2280, 600, 1215, 255));
    ui.port.stopBits = makeList(ui.lineFrame, "Combo5", twipsRect(3240, 600, 615, 315));

    ui.exit.exit = makeButton(client, "Command7", QString(), twipsRect(4680, 720, 1455, 495));
    ui.options = makeButton(client, "Command4", QString(), twipsRect(4680, 1320, 1455, 495));
    ui.sendCaption = makeLabel(client, "Label6", QString(), twipsRect(120, 1800, 2535, 255));

    QPlainTextEdit *sendBox = new QPlainTextEdit(client);
    sendBox->setObjectName(QStringLiteral("Text1"));
    sendBox->setGeometry(twipsRect(120, 2040, 4335, 1455));
    sendBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    sendBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sendBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColours(sendBox, Qt::black, Qt::green);
    ui.transmit.sendBox = sendBox;

    ui.transmit.send = makeButton(client, "Command1", QString(), twipsRect(4680, 2040, 1455, 855));
    ui.clear = makeButton(client, "Command8", QString(), twipsRect(4680, 3000, 1455, 495));
    ui.receivedCaption = makeLabel(client, "Label7", QString(), twipsRect(120, 3480, 2295, 255));

    ReceivedBox *box = new ReceivedBox(m_session->document(), m_windows->longWork(), client);
    box->setObjectName(QStringLiteral("Text2"));
    box->setGeometry(twipsRect(120, 3720, 6015, 2175));
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColours(box, Qt::black, Qt::green);
    ui.receivedBox = ui.documents.receivedBox = ui.find.receivedBox = box;

    ui.autosaveLine =
        makeLabel(client, "Label8", QStringLiteral("Автосохранение:"), twipsRect(120, 6000, 6135, 615));

    ui.messageCounter = new QLineEdit(client);
    ui.messageCounter->setObjectName(QStringLiteral("Text3"));
    ui.messageCounter->setGeometry(twipsRect(5280, 6120, 1095, 375));
    setColours(ui.messageCounter, QColor(192, 255, 192), Qt::red);

    // A screen reader names each control by its label.
    ui.portCaption->setBuddy(ui.port.port);
    ui.baudRateCaption->setBuddy(ui.port.baudRate);
    ui.parityCaption->setBuddy(ui.port.parity);
    ui.dataBitsCaption->setBuddy(ui.port.dataBits);
    ui.stopBitsCaption->setBuddy(ui.port.stopBits);
    ui.sendCaption->setBuddy(ui.transmit.sendBox);
    ui.receivedCaption->setBuddy(ui.receivedBox);

    // Tab order follows the layout, top to bottom.
    setTabOrder(ui.port.port, ui.port.open);
    setTabOrder(ui.port.open, ui.port.close);
    setTabOrder(ui.port.close, ui.port.baudRate);
    setTabOrder(ui.port.baudRate, ui.port.dataBits);
    setTabOrder(ui.port.dataBits, ui.port.parity);
    setTabOrder(ui.port.parity, ui.port.stopBits);
    setTabOrder(ui.port.stopBits, ui.exit.exit);
    setTabOrder(ui.exit.exit, ui.options);
    setTabOrder(ui.options, ui.transmit.sendBox);
    setTabOrder(ui.transmit.sendBox, ui.transmit.send);
    setTabOrder(ui.transmit.send, ui.clear);
    setTabOrder(ui.clear, ui.receivedBox);
}

void Form1::buildMenus()
{
    Ui &ui = *m_ui;
    ui.fileMenu = menuBar()->addMenu(QString());
    ui.fileMenu->setObjectName(QStringLiteral("mnuFile"));
    ui.documents.open = makeAction(ui.fileMenu, "mnuOpen");
    ui.documents.openEditor = makeAction(ui.fileMenu, "mnuOpenBlocknot");
    ui.documents.save = makeAction(ui.fileMenu, "mnuSave");
    ui.documents.saveAs = makeAction(ui.fileMenu, "mnuSave_as");
    ui.documents.print = makeAction(ui.fileMenu, "mnuPrint");
    ui.port.portsItem = makeAction(ui.fileMenu, "mnuPorts");
    // The log's additions, off at first: after the seed's items but Exit.
    ui.log.autosaveFiles = makeMenu(this, "mnuAutosaveFiles");
    ui.fileMenu->addMenu(ui.log.autosaveFiles);
    ui.log.oneFile = makeAction(ui.log.autosaveFiles, "mnuOneFile");
    ui.log.fileEachDay = makeAction(ui.log.autosaveFiles, "mnuFileEachDay");
    ui.log.fileAtSize = makeAction(ui.log.autosaveFiles, "mnuFileAtSize");
    ui.log.autosaveFiles->addSeparator();
    ui.log.fileSize = makeAction(ui.log.autosaveFiles, "mnuFileSize");
    ui.exit.exitItem = makeAction(ui.fileMenu, "mnuExit");

    ui.editMenu = menuBar()->addMenu(QString());
    ui.editMenu->setObjectName(QStringLiteral("mnuEdit"));
    ui.find.find = makeAction(ui.editMenu, "mnuFind");
    ui.find.findNext = makeAction(ui.editMenu, "mnuFindNext");
    ui.find.findPrev = makeAction(ui.editMenu, "mnuFindPrev");
    ui.find.find->setShortcut(QKeySequence::Find);
    ui.find.findNext->setShortcut(Qt::Key_F3);
    ui.find.findPrev->setShortcut(Qt::SHIFT | Qt::Key_F3);

    // View and Transmit, additions of the program's own, go between Edit and
    // the language menu.
    ui.viewMenu = makeMenu(this, "mnuView");
    menuBar()->addMenu(ui.viewMenu);
    ui.hexView = makeAction(ui.viewMenu, "mnuHex");
    ui.hexView->setCheckable(true);
    ui.hexView->setShortcut(Qt::CTRL | Qt::Key_H);
    bool hex = false;
    guarded([&] { hex = readSetting(Setting::HexView).trimmed() == QLatin1String("1"); });
    ui.hexView->setChecked(hex);
    ui.receivedBox->setHexView(hex);
    ui.viewMenu->addSeparator();
    ui.log.portEvents = makeAction(ui.viewMenu, "mnuPortEvents");
    ui.log.milliseconds = makeAction(ui.viewMenu, "mnuMilliseconds");
    ui.log.delta = makeAction(ui.viewMenu, "mnuDelta");

    ui.transmitMenu = makeMenu(this, "mnuTransmit");
    menuBar()->addMenu(ui.transmitMenu);
    auto *modes = new QActionGroup(this);
    auto mode = [&](const char *name) {
        QAction *a = makeAction(ui.transmitMenu, name);
        a->setCheckable(true);
        modes->addAction(a);
        return a;
    };
    ui.transmit.sendText = mode("mnuSendText");
    ui.transmit.sendHex = mode("mnuSendHex");
    ui.transmit.sendEscapes = mode("mnuSendEscapes");
    ui.transmitMenu->addSeparator();
    ui.transmit.sendFile = makeAction(ui.transmitMenu, "mnuSendFile");
    ui.transmit.sendBreak = makeAction(ui.transmitMenu, "mnuSendBreak");

    ui.languageMenu = menuBar()->addMenu(QString());
    ui.languageMenu->setObjectName(QStringLiteral("mnuLng"));
    ui.russian = makeAction(ui.languageMenu, "mnuRus");
    ui.english = makeAction(ui.languageMenu, "mnuEng");

    ui.helpMenu = menuBar()->addMenu(QString());
    ui.helpMenu->setObjectName(QStringLiteral("mnuSpravka"));
    ui.help = makeAction(ui.helpMenu, "mnuHelp");
    ui.about = makeAction(ui.helpMenu, "mnuAbout");
}

void Form1::connectHandlers()
{
    Ui &ui = *m_ui;
    connect(ui.options, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(ui.clear, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(ui.hexView, &QAction::triggered, this, [this] { mnuHex_Click(); });
    connect(ui.russian, &QAction::triggered, this, [this] { mnuRus_Click(); });
    connect(ui.english, &QAction::triggered, this, [this] { mnuEng_Click(); });
    connect(ui.about, &QAction::triggered, this, [this] { mnuAbout_Click(); });

    connect(m_session, &Session::counted, this,
            [this](qint32 count) { m_ui->messageCounter->setText(QString::number(count)); });
    connect(m_session, &Session::documentGrew, ui.receivedBox, &ReceivedBox::storeGrew);
    connect(m_session, &Session::documentGrew, m_stream, &StreamActions::documentGrew);
    connect(m_session, &Session::messageShown, this, [this] { m_documents->enableSave(true); });
    connect(m_session, &Session::failure, this, [](const QString &description) { showMessage(description); });
    connect(m_session, &Session::deviceLost, this, [this](const QString &d) { MSComm1_DeviceLost(d); });
}

void Form1::Form_Load()
{
    m_ports->fillPortList();
    m_documents->loadDialogFiles();
    // Reaching the Options window's autosave line loads that window, hidden.
    guarded([&] { m_ui->autosaveLine->setText(windows().optionsWindow()->autosaveLine()); });
    guarded([&] { m_ui->autosaveLine->setEnabled(windows().optionsWindow()->autosaveLineEnabled()); });
    m_log->showFileNow();
    m_ports->fillLineParameters();
    guarded([&] { m_session->loadReceiveTimeout(); });
    guarded([&] { LngInitForm1(); });
    m_ports->startPort();
    m_ports->selectStoredPort();
}

void Form1::showAutosaveLine(const QString &text, bool enabled)
{
    m_ui->autosaveLine->setText(text);
    m_ui->autosaveLine->setEnabled(enabled);
    m_log->showFileNow();
}

void Form1::Command4_Click()
{
    guarded([&] {
        windows().unloadOptionsWindow();
        OptionsWindow *f = windows().optionsWindow();
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
    if (m_exitCheck->Form_QueryUnload(event->spontaneous())) {
        m_ports->stopWaiting();
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
