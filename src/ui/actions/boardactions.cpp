#include "ui/actions/boardactions.h"
#include "ui/common/captions.h"
#include "ui/common/controls.h"
#include "core/board/portlines.h"
#include "core/sending/sendbytes.h"
#include "core/session/session.h"
#include "core/settings/settingkeys.h"
#include "platform/guard.h"
#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrum {

// A lamp of the strip: a dot, lit when its line is asserted, and the line's
// name. Tests and screen readers read the state from "lit" and the
// accessible description.
class Lamp : public QLabel {
public:
    Lamp(QWidget *parent, const char *name, const QString &line) : QLabel(parent), m_line(line)
    {
        setObjectName(QLatin1String(name));
        setTextFormat(Qt::RichText);
        light(false);
    }
    void light(bool lit)
    {
        setProperty("lit", lit);
        // Green as a lit LED; a dark dot reads as off on the window's grey.
        setText(QStringLiteral("<span style=\"color:%1; font-size:11pt\">&#x25CF;</span>&nbsp;%2")
                    .arg(lit ? QStringLiteral("#00c000") : QStringLiteral("#505050"), m_line));
        setAccessibleName(m_line);
        setAccessibleDescription(lit ? MainWindowCaptions::tr("включена") : MainWindowCaptions::tr("выключена"));
    }

private:
    QString m_line;
};

namespace {

QAction *addItem(QMenu *menu, const char *name, bool checkable, QActionGroup *group = nullptr)
{
    QAction *a = menu->addAction(QString());
    a->setObjectName(QLatin1String(name));
    a->setCheckable(checkable);
    if (group)
        group->addAction(a);
    return a;
}

bool storedLineSignals() { return readSetting(Setting::LineSignals).trimmed() == QLatin1String("1"); }

} // namespace

BoardActions::BoardActions(const Controls &controls, Session &session, QWidget *window)
    : QObject(window), m_ui(controls), m_session(session), m_window(window)
{
    build();
    retranslate();
    m_ui.sendBox->installEventFilter(this);

    // Through the strip: the window deletes its controls before the session
    // closes the port, whose last news must not reach lamps already gone.
    PortLines *lines = m_session.lines();
    connect(lines, &PortLines::linesChanged, m_strip, [this](const ModemLines &l) { showLines(l); });
    connect(lines, &PortLines::usableChanged, m_strip, [this] { showUsable(); });
    connect(lines, &PortLines::pulseEnded, m_strip, [this] { showUsable(); });
    showUsable();
    showLines(lines->state());

    bool strip = false;
    guarded([&] { strip = storedLineSignals(); });
    if (strip) {
        m_lineSignals->setChecked(true);
        showLineSignals(true);
    }
}

int BoardActions::stripHeight() { return twips(270); }

void BoardActions::build()
{
    QMenu *t = m_ui.transmitMenu;
    t->addSeparator();
    m_lineEndingMenu = t->addMenu(QString());
    m_lineEndingMenu->setObjectName(QStringLiteral("mnuLineEnding"));
    m_endings = new QActionGroup(this);
    const struct { const char *name; LineEnding ending; } endings[] = {
        {"mnuEndNone", LineEnding::None}, {"mnuEndCR", LineEnding::CR},
        {"mnuEndLF", LineEnding::LF}, {"mnuEndCRLF", LineEnding::CRLF}};
    for (const auto &e : endings) {
        QAction *a = addItem(m_lineEndingMenu, e.name, true, m_endings);
        a->setChecked(m_session.lineEnding() == e.ending);
        connect(a, &QAction::triggered, this, [this, ending = e.ending] {
            guarded([&] { m_session.setLineEnding(ending); });
        });
    }

    m_enterSends = addItem(t, "mnuEnterSends", true);
    bool enterSends = false;
    guarded([&] { enterSends = storedEnterSends(); });
    m_enterSends->setChecked(enterSends);
    connect(m_enterSends, &QAction::triggered, this, [](bool on) { guarded([&] { storeEnterSends(on); }); });

    m_flowMenu = t->addMenu(QString());
    m_flowMenu->setObjectName(QStringLiteral("mnuFlow"));
    m_flows = new QActionGroup(this);
    const struct { const char *name; FlowControl flow; } flows[] = {
        {"mnuFlowNone", FlowControl::None}, {"mnuFlowRtsCts", FlowControl::RtsCts},
        {"mnuFlowXonXoff", FlowControl::XonXoff}};
    for (const auto &f : flows) {
        QAction *a = addItem(m_flowMenu, f.name, true, m_flows);
        a->setData(int(f.flow));
        a->setChecked(m_session.flowControl() == f.flow);
        connect(a, &QAction::triggered, this, [this, a] { chooseFlowControl(a); });
    }

    t->addSeparator();
    // The reasons an item is disabled are in its tooltip.
    t->setToolTipsVisible(true);
    m_dtr = addItem(t, "mnuDTR", true);
    m_rts = addItem(t, "mnuRTS", true);
    // As GtkTerm has them.
    m_dtr->setShortcut(Qt::Key_F7);
    m_rts->setShortcut(Qt::Key_F8);
    m_pulseDtr = addItem(t, "mnuPulseDTR", false);
    m_bootLoader = addItem(t, "mnuBootLoader", false);
    connect(m_dtr, &QAction::triggered, this, &BoardActions::chooseDtr);
    connect(m_rts, &QAction::triggered, this, &BoardActions::chooseRts);
    connect(m_pulseDtr, &QAction::triggered, this, [this] { reset(false); });
    connect(m_bootLoader, &QAction::triggered, this, [this] { reset(true); });

    m_lineSignals = addItem(m_ui.viewMenu, "mnuLineSignals", true);
    connect(m_lineSignals, &QAction::triggered, this, [this](bool on) {
        showLineSignals(on);
        guarded([&] { writeSetting(Setting::LineSignals, on ? QStringLiteral("1") : QStringLiteral("0")); });
    });

    // The strip, hidden until chosen.
    m_strip = new QFrame(m_ui.receivedBox->parentWidget());
    m_strip->setObjectName(QStringLiteral("LineSignals"));
    auto *row = new QHBoxLayout(m_strip);
    row->setContentsMargins(twips(60), 0, twips(60), 0);
    row->setSpacing(twips(180));
    m_cts = new Lamp(m_strip, "LampCTS", QStringLiteral("CTS"));
    m_dsr = new Lamp(m_strip, "LampDSR", QStringLiteral("DSR"));
    m_dcd = new Lamp(m_strip, "LampDCD", QStringLiteral("DCD"));
    m_ri = new Lamp(m_strip, "LampRI", QStringLiteral("RI"));
    m_dtrLamp = new Lamp(m_strip, "LampDTR", QStringLiteral("DTR"));
    m_rtsLamp = new Lamp(m_strip, "LampRTS", QStringLiteral("RTS"));
    for (Lamp *l : {m_cts, m_dsr, m_dcd, m_ri})
        row->addWidget(l);
    // This end's two lines apart from the other end's four.
    row->addSpacing(twips(360));
    row->addWidget(m_dtrLamp);
    row->addWidget(m_rtsLamp);
    row->addStretch(1);
    m_strip->hide();
}

void BoardActions::retranslate()
{
    // Captions of the main window, in its table.
    m_lineEndingMenu->setTitle(MainWindowCaptions::tr("Конец строки"));
    const QList<QAction *> endings = m_endings->actions();
    endings[0]->setText(MainWindowCaptions::tr("Нет"));
    endings[1]->setText(MainWindowCaptions::tr("CR"));
    endings[2]->setText(MainWindowCaptions::tr("LF"));
    endings[3]->setText(MainWindowCaptions::tr("CR LF"));
    m_enterSends->setText(
        MainWindowCaptions::tr("Enter отправляет (Shift+Enter: новая строка)"));
    m_flowMenu->setTitle(MainWindowCaptions::tr("Управление потоком"));
    const QList<QAction *> flows = m_flows->actions();
    flows[0]->setText(MainWindowCaptions::tr("Нет"));
    flows[1]->setText(MainWindowCaptions::tr("RTS/CTS"));
    flows[2]->setText(MainWindowCaptions::tr("XON/XOFF"));
    m_dtr->setText(MainWindowCaptions::tr("DTR"));
    m_rts->setText(MainWindowCaptions::tr("RTS"));
    m_pulseDtr->setText(
        MainWindowCaptions::tr("Сбросить плату (импульс DTR)"));
    m_bootLoader->setText(
        MainWindowCaptions::tr("Сбросить в загрузчик (ESP32/ESP8266)"));
    m_lineSignals->setText(MainWindowCaptions::tr("Сигналы линии"));
    m_strip->setAccessibleName(MainWindowCaptions::tr("Сигналы линии"));
    for (Lamp *l : {m_cts, m_dsr, m_dcd, m_ri, m_dtrLamp, m_rtsLamp})
        l->light(l->property("lit").toBool());
    showUsable();
}

bool BoardActions::event(QEvent *event)
{
    // The window passes its language change on to its children.
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::event(event);
}

bool BoardActions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.sendBox && event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
            // Ctrl+Enter always sends; Enter when chosen. Shift+Enter goes
            // on to the box, which adds a line (sent as CR LF).
            if (mods == Qt::ControlModifier || (mods == Qt::NoModifier && m_enterSends->isChecked())) {
                if (m_ui.send->isEnabled())
                    m_ui.send->click();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void BoardActions::chooseDtr(bool on)
{
    guarded([&] { m_session.lines()->setDtr(on); });
    showLines(m_session.lines()->state());
}

void BoardActions::chooseRts(bool on)
{
    guarded([&] { m_session.lines()->setRts(on); });
    showLines(m_session.lines()->state());
}

void BoardActions::reset(bool intoBootLoader)
{
    PortLines *lines = m_session.lines();
    guarded([&] { intoBootLoader ? lines->resetIntoBootLoader() : lines->pulseDtr(); });
    // Disabled until the pulse is over.
    showUsable();
}

void BoardActions::chooseFlowControl(QAction *item)
{
    guarded([&] { m_session.setFlowControl(FlowControl(item->data().toInt())); });
    // A refused choice leaves the one in use checked.
    for (QAction *a : m_flows->actions())
        if (FlowControl(a->data().toInt()) == m_session.flowControl())
            a->setChecked(true);
}

void BoardActions::showLineSignals(bool on)
{
    QWidget *box = m_ui.receivedBox;
    if (on == m_strip->isVisible())
        return;
    if (on) {
        // Under the received box, in its own bottom: nothing else moves.
        m_receivedPlace = box->geometry();
        const int h = stripHeight();
        box->setGeometry(m_receivedPlace.adjusted(0, 0, 0, -h));
        m_strip->setGeometry(m_receivedPlace.left(), m_receivedPlace.bottom() + 1 - h, m_receivedPlace.width(), h);
        m_strip->show();
    } else {
        m_strip->hide();
        box->setGeometry(m_receivedPlace);
    }
    // Nothing is read from the device while the lamps are hidden.
    m_session.lines()->setWatching(on);
}

void BoardActions::showUsable()
{
    PortLines *lines = m_session.lines();
    const QString why = lines->unusable();
    const bool usable = why.isEmpty() && !lines->isPulsing();
    for (QAction *a : {m_dtr, m_rts, m_pulseDtr, m_bootLoader}) {
        a->setEnabled(usable);
        a->setToolTip(why);
    }
    const QString names[] = {
        MainWindowCaptions::tr("CTS: другая сторона готова принять"),
        MainWindowCaptions::tr("DSR: другая сторона включена"),
        MainWindowCaptions::tr("DCD: несущая обнаружена"),
        MainWindowCaptions::tr("RI: звонок"),
        MainWindowCaptions::tr("DTR: этот конец готов"),
        MainWindowCaptions::tr("RTS: этот конец просит передачу")};
    Lamp *lamps[] = {m_cts, m_dsr, m_dcd, m_ri, m_dtrLamp, m_rtsLamp};
    for (int i = 0; i < 6; ++i) {
        lamps[i]->setEnabled(why.isEmpty());
        lamps[i]->setToolTip(why.isEmpty() ? names[i] : why);
    }
}

void BoardActions::showLines(const ModemLines &l)
{
    m_dtr->setChecked(l.dtr);
    m_rts->setChecked(l.rts);
    m_cts->light(l.cts);
    m_dsr->light(l.dsr);
    m_dcd->light(l.dcd);
    m_ri->light(l.ri);
    m_dtrLamp->light(l.dtr);
    m_rtsLamp->light(l.rts);
}

} // namespace kestrum
