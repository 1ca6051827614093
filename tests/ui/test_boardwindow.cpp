// Driving a board from the main window: the Transmit items on a fake line
// under the port, the lamps following it, endings, Enter and flow control on
// a pseudo-terminal, the choices kept and captioned in both languages.
#include "ui/form1.h"
#include "core/portlines.h"
#include "core/session.h"
#include "support/fakeline.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <termios.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

QAction *item(Form1 *f, const QString &name) { return f->findChild<QAction *>(name); }
template <class W = QWidget> W *control(Form1 *f, const char *name) { return f->findChild<W *>(QLatin1String(name)); }
PortLines *linesOf(Form1 *f) { return f->session->lines(); }
bool lit(Form1 *f, const char *lamp) { return control(f, lamp)->property("lit").toBool(); }

} // namespace

class BoardWindowTest : public ProgramTest {
    Q_OBJECT

    std::shared_ptr<FakeLines> fake;

    Form1 *startOnFake()
    {
        fake = std::make_shared<FakeLines>();
        fake->install();
        return startOnPty();
    }
    QStringList writesFrom(size_t n) const
    {
        QStringList out;
        const auto w = fake->locked([&] { return fake->writes; });
        for (size_t i = n; i < w.size(); ++i)
            out << (w[i].both ? QStringLiteral("D%1R%2").arg(w[i].dtr).arg(w[i].rts) : QStringLiteral("d%1").arg(w[i].dtr));
        return out;
    }
    size_t written() const { return fake->locked([&] { return fake->writes.size(); }); }

private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    // From DTR and RTS off, as the Options window's switches leave them.
    void itemsDriveTheLine_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<bool>("refused");
        QTest::newRow("DTR") << "mnuFlowNone" << "mnuDTR" << QStringList{"d1"} << false;
        QTest::newRow("RTS, with DTR again") << "mnuFlowNone" << "mnuRTS" << QStringList{"D0R1"} << false;
        QTest::newRow("reset") << "mnuFlowNone" << "mnuPulseDTR" << QStringList{"d1", "d0"} << false;
        QTest::newRow("boot loader") << "mnuFlowXonXoff" << "mnuBootLoader" << QStringList{"D0R1", "D1R0", "D0R0"} << false;
        QTest::newRow("RTS under RTS/CTS") << "mnuFlowRtsCts" << "mnuRTS" << QStringList{} << true;
        QTest::newRow("boot loader under RTS/CTS") << "mnuFlowRtsCts" << "mnuBootLoader" << QStringList{} << true;
    }

    void itemsDriveTheLine()
    {
        QFETCH(QString, flow);
        QFETCH(QString, name);
        QFETCH(QStringList, writes);
        QFETCH(bool, refused);
        storePulseLength(20);
        Form1 *f = startOnFake();
        QVERIFY(f);
        item(f, flow)->trigger();
        QAction *a = item(f, name);
        QVERIFY(a->isEnabled());
        const size_t n = written();
        a->trigger();
        QTRY_COMPARE(writesFrom(n), writes);
        QCOMPARE(fakes.messageBox->messages.size(), int(refused));
        // Back once a pulse ends, the items showing the line as it is.
        QTRY_VERIFY(a->isEnabled());
        const ModemLines device = fake->locked([&] { return fake->lines; });
        QCOMPARE(item(f, "mnuDTR")->isChecked(), device.dtr);
        QCOMPARE(item(f, "mnuRTS")->isChecked(), device.rts);
    }

    // Shown only when chosen, in the received box's own bottom; nothing is
    // read from the device while hidden.
    void lampsFollowTheLineWhileShown()
    {
        Form1 *f = startOnFake();
        QVERIFY(f);
        QWidget *strip = control(f, "LineSignals"), *box = control(f, "Text2");
        const QRect place = box->geometry();
        QVERIFY(!strip->isVisible() && !linesOf(f)->isWatching());
        item(f, "mnuLineSignals")->trigger();
        QVERIFY(strip->isVisible() && linesOf(f)->isWatching());
        QCOMPARE(box->geometry().united(strip->geometry()), place);
        QVERIFY(!box->geometry().intersects(strip->geometry()));
        fake->play({false, false, true, false, true, false});
        QTRY_VERIFY(lit(f, "LampCTS") && lit(f, "LampDCD"));
        QVERIFY(!lit(f, "LampDSR") && !lit(f, "LampRI") && !lit(f, "LampDTR"));
        item(f, "mnuDTR")->trigger();
        QVERIFY(lit(f, "LampDTR"));
        item(f, "mnuLineSignals")->trigger();
        QVERIFY(!strip->isVisible() && !linesOf(f)->isWatching());
        QCOMPARE(box->geometry(), place);
    }

    // A device without modem lines, or none open: items and lamps disabled,
    // the reason in their tooltips.
    void unusableLinesSaySo_data()
    {
        QTest::addColumn<bool>("fakeLines");
        QTest::addColumn<bool>("close");
        QTest::newRow("a pseudo-terminal") << false << false;
        QTest::newRow("port closed") << true << true;
        QTest::newRow("usable") << true << false;
    }

    void unusableLinesSaySo()
    {
        QFETCH(bool, fakeLines);
        QFETCH(bool, close);
        Form1 *f = fakeLines ? startOnFake() : startOnPty();
        QVERIFY(f);
        if (close)
            control<QPushButton>(f, "Command2")->click();
        const QString why = linesOf(f)->unusable();
        QCOMPARE(why.isEmpty(), fakeLines && !close);
        for (const char *name : {"mnuDTR", "mnuRTS", "mnuPulseDTR", "mnuBootLoader"}) {
            QCOMPARE(item(f, name)->isEnabled(), why.isEmpty());
            QVERIFY(why.isEmpty() || item(f, name)->toolTip() == why);
        }
        QWidget *lamp = control(f, "LampCTS");
        QCOMPARE(lamp->isEnabled(), why.isEmpty());
        QVERIFY(why.isEmpty() || lamp->toolTip() == why);
    }

    void endingsAndEnter_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("enterSends");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QByteArray>("sent");  // empty: a line added instead
        QTest::newRow("Enter adds a line by default") << "mnuEndCR" << false << int(Qt::NoModifier) << QByteArray();
        QTest::newRow("Enter sends, CR") << "mnuEndCR" << true << int(Qt::NoModifier) << QByteArray("AT\r");
        QTest::newRow("Ctrl+Enter always, CR LF") << "mnuEndCRLF" << false << int(Qt::ControlModifier) << QByteArray("AT\r\n");
        QTest::newRow("Shift+Enter adds a line") << "mnuEndLF" << true << int(Qt::ShiftModifier) << QByteArray();
        QTest::newRow("no ending") << "mnuEndNone" << true << int(Qt::NoModifier) << QByteArray("AT");
    }

    void endingsAndEnter()
    {
        QFETCH(QString, ending);
        QFETCH(bool, enterSends);
        QFETCH(int, modifiers);
        QFETCH(QByteArray, sent);
        Form1 *f = startOnPty();
        QVERIFY(f);
        item(f, ending)->trigger();
        if (enterSends)
            item(f, "mnuEnterSends")->trigger();
        auto *box = control<QPlainTextEdit>(f, "Text1");
        box->setPlainText(QStringLiteral("AT"));
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(pty->read(sent.isEmpty() ? 200 : 2000, int(sent.size())), sent);
        QCOMPARE(box->document()->blockCount() > 1 || box->document()->toRawText().contains(QChar::LineSeparator), sent.isEmpty());
    }

    // On the line at once, kept, and shown again at the next start, in
    // either language.
    void choicesOnTheLineAndKept()
    {
        const struct { const char *name; tcflag_t cflag, iflag; } flows[] = {
            {"mnuFlowRtsCts", CRTSCTS, 0}, {"mnuFlowXonXoff", 0, IXON | IXOFF}, {"mnuFlowNone", 0, 0}};
        Form1 *f = startOnPty();
        QVERIFY(f);
        for (const auto &flow : flows) {
            item(f, flow.name)->trigger();
            termios t;
            QVERIFY(pty->attributes(&t));
            QCOMPARE(t.c_cflag & CRTSCTS, flow.cflag);
            QCOMPARE(t.c_iflag & (IXON | IXOFF), flow.iflag);
        }
        for (const char *name : {"mnuFlowXonXoff", "mnuEndCRLF", "mnuEnterSends", "mnuLineSignals", "mnuEng"})
            item(f, name)->trigger();
        QCOMPARE(item(f, "mnuPulseDTR")->text(), QStringLiteral("Reset the board (DTR pulse)"));
        f = startOnPty();
        QVERIFY(f);
        for (const char *name : {"mnuFlowXonXoff", "mnuEndCRLF", "mnuEnterSends", "mnuLineSignals"})
            QVERIFY2(item(f, name)->isChecked(), name);
        QVERIFY(control(f, "LineSignals")->isVisible());
        QCOMPARE(item(f, "mnuBootLoader")->text(), QStringLiteral("Reset into the boot loader (ESP32/ESP8266)"));
        item(f, "mnuRus")->trigger();
        QCOMPARE(item(f, "mnuBootLoader")->text(), QStringLiteral("Сбросить в загрузчик (ESP32/ESP8266)"));
    }
};

QTEST_MAIN(BoardWindowTest)
#include "test_boardwindow.moc"
