// Driving a board from the main window: the Transmit items on a fake line
// under the port, the lamps following it, endings and Enter on a
// pseudo-terminal, the choices kept and captioned in both languages.
#include "ui/main/form1.h"
#include "core/board/portlines.h"
#include "core/session/session.h"
#include "support/fakeline.h"
#include "support/programtest.h"
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <termios.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

QAction *item(Form1 *f, const QString &name) { return f->findChild<QAction *>(name); }
QWidget *control(Form1 *f, const char *name) { return f->findChild<QWidget *>(QLatin1String(name)); }
PortLines *linesOf(Form1 *f) { return f->session().lines(); }
bool lit(Form1 *f, const char *lamp) { return control(f, lamp)->property("lit").toBool(); }

} // namespace

class BoardWindowTest : public ProgramTest {
    Q_OBJECT

    std::shared_ptr<FakeLines> fake;

    Form1 *startOnFake()
    {
        fake->install();
        return startOnPty();
    }
    // "d1": DTR alone; "D0R1": both in one write.
    QStringList writesFrom(size_t n) const
    {
        QStringList out;
        const auto w = fake->locked([&] { return fake->writes; });
        for (size_t i = n; i < w.size(); ++i)
            out << (w[i].both ? QStringLiteral("D%1R%2").arg(w[i].dtr).arg(w[i].rts) : QStringLiteral("d%1").arg(w[i].dtr));
        return out;
    }

private slots:
    void init()
    {
        beginTest();
        fake = std::make_shared<FakeLines>();
    }
    void cleanup() { endTest(); }

    // From DTR and RTS off, as the Options window's switches leave them.
    void itemsDriveTheLine_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("writes");
        QTest::newRow("DTR") << "mnuFlowNone" << "mnuDTR" << QStringList{"d1"};
        QTest::newRow("RTS, with DTR again") << "mnuFlowNone" << "mnuRTS" << QStringList{"D0R1"};
        QTest::newRow("reset") << "mnuFlowNone" << "mnuPulseDTR" << QStringList{"d1", "d0"};
        QTest::newRow("boot loader") << "mnuFlowXonXoff" << "mnuBootLoader" << QStringList{"D0R1", "D1R0", "D0R0"};
        QTest::newRow("RTS under RTS/CTS: refused") << "mnuFlowRtsCts" << "mnuRTS" << QStringList{};
        QTest::newRow("boot loader under RTS/CTS: refused") << "mnuFlowRtsCts" << "mnuBootLoader" << QStringList{};
    }

    void itemsDriveTheLine()
    {
        QFETCH(QString, flow);
        QFETCH(QString, name);
        QFETCH(QStringList, writes);
        storePulseLength(20);
        Form1 *f = startOnFake();
        QVERIFY(f);
        item(f, flow)->trigger();
        QAction *a = item(f, name);
        QVERIFY(a->isEnabled());
        const size_t n = fake->locked([&] { return fake->writes.size(); });
        a->trigger();
        QTRY_COMPARE(writesFrom(n), writes);
        QCOMPARE(fakes.messageBox->messages.size(), int(writes.isEmpty()));
        // Back once a pulse ends, the items showing the line as it is.
        QTRY_VERIFY(a->isEnabled());
        const ModemLines device = fake->locked([&] { return fake->lines; });
        QVERIFY(item(f, "mnuDTR")->isChecked() == device.dtr && item(f, "mnuRTS")->isChecked() == device.rts);
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
        QVERIFY(box->geometry().united(strip->geometry()) == place && !box->geometry().intersects(strip->geometry()));
        fake->play({false, false, true, false, true, false});
        QTRY_VERIFY(lit(f, "LampCTS") && lit(f, "LampDCD"));
        QVERIFY(!lit(f, "LampDSR") && !lit(f, "LampRI") && !lit(f, "LampDTR"));
        item(f, "mnuDTR")->trigger();
        QVERIFY(lit(f, "LampDTR"));
        // Closed, nothing to drive: disabled, saying why.
        f->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        QVERIFY(!item(f, "mnuPulseDTR")->isEnabled() && !control(f, "LampCTS")->isEnabled());
        QCOMPARE(control(f, "LampCTS")->toolTip(), linesOf(f)->unusable());
        item(f, "mnuLineSignals")->trigger();
        QVERIFY(!strip->isVisible() && !linesOf(f)->isWatching());
        QCOMPARE(box->geometry(), place);
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
        auto *box = f->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        box->setPlainText(QStringLiteral("AT"));
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(pty->read(sent.isEmpty() ? 200 : 2000, int(sent.size())), sent);
        QCOMPARE(box->document()->blockCount() > 1 || box->document()->toRawText().contains(QChar::LineSeparator),
                 sent.isEmpty());
    }

    // A device without modem lines (a pseudo-terminal) greys the items that
    // need them, saying why. Flow control on the line at once; the choices
    // shown again at the next start, in either language.
    void choicesOnTheLineAndKept()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        for (const char *name : {"mnuDTR", "mnuRTS", "mnuPulseDTR", "mnuBootLoader"})
            QVERIFY2(!item(f, name)->isEnabled() && item(f, name)->toolTip() == linesOf(f)->unusable(), name);
        item(f, "mnuFlowRtsCts")->trigger();
        termios t;
        QVERIFY(pty->attributes(&t) && (t.c_cflag & CRTSCTS));
        for (const char *name : {"mnuFlowXonXoff", "mnuEndCRLF", "mnuEnterSends", "mnuLineSignals", "mnuEng"})
            item(f, name)->trigger();
        QVERIFY(pty->attributes(&t) && !(t.c_cflag & CRTSCTS) && (t.c_iflag & IXON));
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
