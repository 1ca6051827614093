// Start-up from the settings store and the port lists of the main window.
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "core/session.h"
#include "ui/main/windows.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/mscomm.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QSerialPort>
#include <memory>

using namespace kestrum;
using namespace kestrum::test;

class StartupTest : public ProgramTest {
    Q_OBJECT

private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    void emptyStoreStartsOnDefaults()
    {
        Pty pty;
        QVERIFY(pty.isValid());
        mapPort(1, pty.slavePath());
        Form1 *f = startTestProgram();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(list(f, "Combo1")->currentText(), QStringLiteral("COM1"));
        QCOMPARE(list(f, "Combo2")->currentText(), QStringLiteral("9600"));
        QCOMPARE(list(f, "Combo3")->currentText(), QStringLiteral("n"));
        QCOMPARE(list(f, "Combo4")->currentText(), QStringLiteral("8"));
        QCOMPARE(list(f, "Combo5")->currentText(), QStringLiteral("2"));
        QCOMPARE(f->session().port()->Settings(), QStringLiteral("9600,n,8,2"));
        QCOMPARE(f->session().lineParameters(), QStringLiteral("9600,n,8,2"));
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(f->session().port()->CommPort(), 1);
        QCOMPARE(pty.baudRate(), 9600);
        QCOMPARE(pty.stopBits(), 2);
        QCOMPARE(f->session().receiveTimeout(), 100);
        QVERIFY(f->session().framing() == Session::Framing::Idle);
        QCOMPARE(f->session().port()->InBufferSize(), 1024);
        QCOMPARE(f->session().port()->OutBufferSize(), 512);
        QVERIFY(!f->session().port()->NullDiscard());
        QVERIFY(!f->session().port()->RTSEnable());
        QVERIFY(!f->session().port()->DTREnable());
        QCOMPARE(autosaveLine(f)->text(), QStringLiteral("Autosave in: "));
        QVERIFY(!autosaveLine(f)->isEnabled());
        QVERIFY(windows().hasOptionsWindow());
        QVERIFY(!windows().optionsWindow()->isVisible());
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        // The five selections wrote their keys back.
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM1"));
        QCOMPARE(readSetting("Setings", "BaudRate", "?"), QStringLiteral("9600"));
        QCOMPARE(readSetting("Setings", "Parity", "?"), QStringLiteral("n"));
        QCOMPARE(readSetting("Setings", "DataBits", "?"), QStringLiteral("8"));
        QCOMPARE(readSetting("Setings", "StopBits", "?"), QStringLiteral("2"));
    }

    void windowOpensAtDesignSizeAndResizesBothWays()
    {
        Form1 *f = startTestProgram();
        QWidget *client = f->centralWidget();
        QCOMPARE(client->size(), QSize(twips(6495), twips(6705)));
        for (const QSize &to : {QSize(120, 90), QSize(twips(9000), twips(9000))}) {
            f->resize(to);
            QCOMPARE(f->size(), to);
            // Nothing moves: a small window clips its controls.
            QCOMPARE(sendBox(f)->geometry(), twipsRect(120, 2040, 4335, 1455));
            QCOMPARE(messageCounter(f)->geometry(), twipsRect(5280, 6120, 1095, 375));
        }
    }

    void storedPortIsSelectedLast()
    {
        Pty one, two;
        mapPort(1, one.slavePath());
        mapPort(2, two.slavePath());
        writeSetting("OtherSet", "CommPort", "COM2");
        Form1 *f = startTestProgram();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(list(f, "Combo1")->currentText(), QStringLiteral("COM2"));
        QCOMPARE(f->session().port()->CommPort(), 2);
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(f->session().port()->deviceName(), two.slavePath());
        QVERIFY(list(f, "Combo1")->itemData(1, Qt::ToolTipRole).toString().startsWith("COM2: " + two.slavePath()));
        QVERIFY(list(f, "Combo1")->itemData(0, Qt::ToolTipRole).toString().startsWith("COM1: " + one.slavePath()));
        QCOMPARE(list(f, "Combo1")->toolTip(), list(f, "Combo1")->itemData(1, Qt::ToolTipRole).toString());
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM2"));
        // Port 1 was opened first and closed again: nothing holds it now.
        QSerialPort probe(one.slavePath());
        QVERIFY(probe.open(QIODevice::ReadWrite));
    }

    void badStoredValuesAreReportedAndStartUpGoesOn()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        writeSetting("Setings", "BaudRate", "12345");
        writeSetting("Parametr", "NullDiscard", "abc");
        Form1 *f = startTestProgram();
        const QStringList m = fakes.messageBox->messages;
        QCOMPARE(m.size(), 3);
        QVERIFY2(m.at(0).contains("12345"), qPrintable(m.at(0)));
        QVERIFY2(m.at(1).contains("baud rate"), qPrintable(m.at(1)));
        QCOMPARE(m.at(2), QStringLiteral("Type mismatch"));
        QCOMPARE(list(f, "Combo2")->currentIndex(), -1);
        QCOMPARE(f->session().lineParameters(), QStringLiteral(",n,8,2"));
        // The object kept the parameters it had; the rest of start-up ran.
        QCOMPARE(f->session().port()->baudRate(), 9600);
        QVERIFY(!f->session().port()->NullDiscard());
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(list(f, "Combo1")->currentText(), QStringLiteral("COM1"));
        QCOMPARE(readSetting("Setings", "BaudRate", "?"), QStringLiteral("12345"));
    }

    // One stored value at a time: what the port object and the timer hold
    // after start-up, and what was said. A value refused keeps the value the
    // object had (the timer's designed 70 ms, not the default 100).
    void storedValueReachesTheObject_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("holds");
        const QString none, mismatch = QStringLiteral("Type mismatch"), overflow = QStringLiteral("Overflow");
        QTest::newRow("timeout, half to even") << "Parametr" << "Timeout" << "250.5" << none << 250;
        QTest::newRow("timeout inf") << "Parametr" << "Timeout" << "inf" << mismatch << 70;
        QTest::newRow("timeout 0") << "Parametr" << "Timeout" << "0" << "Invalid property value" << 70;
        QTest::newRow("in buffer") << "Parametr" << "InBufferSize" << "2048" << none << 2048;
        QTest::newRow("in buffer too big") << "Parametr" << "InBufferSize" << "40000" << overflow << 1024;
        QTest::newRow("out buffer, fraction") << "Parametr" << "OutBufferSize" << "8.5" << none << 8;
        QTest::newRow("out buffer 1e400") << "Parametr" << "OutBufferSize" << "1e400" << overflow << 512;
        QTest::newRow("RTS 1") << "Parametr" << "RTSEnable" << "1" << none << 1;
        QTest::newRow("DTR -2") << "Parametr" << "DTREnable" << "-2" << none << 1;
        QTest::newRow("DTR -INF") << "Parametr" << "DTREnable" << " -INF " << mismatch << 0;
        QTest::newRow("null discard 0") << "Parametr" << "NullDiscard" << "0" << none << 0;
        QTest::newRow("null discard nan") << "Parametr" << "NullDiscard" << "nan" << mismatch << 0;
        QTest::newRow("stop bits 1") << "Setings" << "StopBits" << "1" << none << 1;
    }
    void storedValueReachesTheObject()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(int, holds);
        writeSetting(section, key, value);
        Form1 *f = startOnPty();
        QVERIFY(f);
        const QStringList said = fakes.messageBox->messages;
        QCOMPARE(said.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(said.first().startsWith(message), qPrintable(said.first()));
        const MSComm *port = f->session().port();
        const QMap<QString, int> held = {{"Timeout", f->session().receiveTimeout()},
                                         {"InBufferSize", port->InBufferSize()},
                                         {"OutBufferSize", port->OutBufferSize()},
                                         {"RTSEnable", port->RTSEnable()},
                                         {"DTREnable", port->DTREnable()},
                                         {"NullDiscard", port->NullDiscard()},
                                         {"StopBits", pty->stopBits()}};
        QCOMPARE(held.value(key), holds);
        // Start-up went on to open the port.
        QVERIFY(port->PortOpen());
    }

    void missingPortGivesTwoMessagesAndAClosedPort()
    {
        mapPort(1, scratchDir() + QStringLiteral("/no-such-device"));
        Form1 *f = startTestProgram();
        QCOMPARE(fakes.messageBox->messages.size(), 2);
        for (const QString &m : fakes.messageBox->messages) {
            QVERIFY2(m.contains(QStringLiteral("COM1")), qPrintable(m));
            QVERIFY2(m.contains(QStringLiteral("no-such-device")), qPrintable(m));
        }
        QVERIFY(f->isVisible());
        QVERIFY(!f->session().port()->PortOpen());
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM1"));
    }

    void missingPortOneButStoredPortTwoPresent()
    {
        Pty two;
        mapPort(1, scratchDir() + QStringLiteral("/no-such-device"));
        mapPort(2, two.slavePath());
        writeSetting("OtherSet", "CommPort", "COM2");
        Form1 *f = startTestProgram();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(f->session().port()->CommPort(), 2);
    }

    void lineParameterSelections()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        Form1 *f = startTestProgram();
        // 19200 while open: stays open, new rate on the line.
        list(f, "Combo2")->setCurrentIndex(list(f, "Combo2")->findText("19200"));
        emit list(f, "Combo2")->activated(list(f, "Combo2")->currentIndex());
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(pty.baudRate(), 19200);
        QCOMPARE(f->session().port()->Settings(), QStringLiteral("19200,n,8,2"));
        QCOMPARE(readSetting("Setings", "BaudRate", "?"), QStringLiteral("19200"));

        // "e" while closed: stays closed; the next Open Port opens with even parity.
        f->ports().Command2_Click();
        QVERIFY(!f->session().port()->PortOpen());
        f->ports().selectListItem(list(f, "Combo3"), "e");
        QVERIFY(!f->session().port()->PortOpen());
        QCOMPARE(readSetting("Setings", "Parity", "?"), QStringLiteral("e"));
        f->ports().Command3_Click();
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(f->session().port()->parity(), QLatin1Char('e'));
        QCOMPARE(f->session().port()->Settings(), QStringLiteral("19200,e,8,2"));
        QCOMPARE(pty.baudRate(), 19200);

        f->ports().selectListItem(list(f, "Combo5"), "1");
        QCOMPARE(pty.stopBits(), 1);
        f->ports().selectListItem(list(f, "Combo4"), "7");
        QCOMPARE(f->session().port()->dataBits(), 7);
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void fastSpeedsReachTheLine_data()
    {
        QTest::addColumn<QString>("speed");
        for (const char *s : {"230400", "460800", "921600", "1000000", "1500000", "2000000", "3000000"})
            QTest::newRow(s) << QString::fromLatin1(s);
    }
    void fastSpeedsReachTheLine()
    {
        QFETCH(QString, speed);
        Pty pty;
        mapPort(1, pty.slavePath());
        writeSetting("Setings", "BaudRate", speed);
        Form1 *f = startTestProgram();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QStringList items;
        for (int i = 0; i < list(f, "Combo2")->count(); ++i)
            items << list(f, "Combo2")->itemText(i);
        QCOMPARE(items.join(' '), QStringLiteral("110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 "
                                                 "230400 460800 921600 1000000 1500000 2000000 3000000"));
        // Stored, it is selected and put on the line at start-up...
        QCOMPARE(list(f, "Combo2")->currentText(), speed);
        QCOMPARE(pty.baudRate(), speed.toInt());
        // ...and chosen on an open port, it goes there at once.
        f->ports().selectListItem(list(f, "Combo2"), "9600");
        QCOMPARE(pty.baudRate(), 9600);
        f->ports().selectListItem(list(f, "Combo2"), speed);
        QCOMPARE(pty.baudRate(), speed.toInt());
        QCOMPARE(readSetting("Setings", "BaudRate", "?"), speed);
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void openAndCloseButtonsAreIdempotent()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        Form1 *f = startTestProgram();
        f->ports().Command3_Click();
        f->ports().Command3_Click();
        QVERIFY(f->session().port()->PortOpen());
        f->ports().Command2_Click();
        f->ports().Command2_Click();
        QVERIFY(!f->session().port()->PortOpen());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void portSelectionSwitchesPorts()
    {
        Pty one, three;
        mapPort(1, one.slavePath());
        mapPort(3, three.slavePath());
        Form1 *f = startTestProgram();
        f->ports().selectListItem(list(f, "Combo1"), "COM3");
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(f->session().port()->CommPort(), 3);
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM3"));
        // COM2 is not there: one message, closed, but remembered.
        mapPort(2, scratchDir() + QStringLiteral("/absent"));
        f->ports().selectListItem(list(f, "Combo1"), "COM2");
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(!f->session().port()->PortOpen());
        QCOMPARE(list(f, "Combo1")->currentText(), QStringLiteral("COM2"));
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM2"));
        // The same port again closes and reopens it.
        f->ports().selectListItem(list(f, "Combo1"), "COM1");
        QVERIFY(f->session().port()->PortOpen());
        f->ports().selectListItem(list(f, "Combo1"), "COM1");
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void optionsButtonShowsAFreshOptionsWindow()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        Form1 *f = startTestProgram();
        Form2 *hidden = windows().optionsWindow();
        f->Command4_Click();
        QVERIFY(windows().optionsWindow() != hidden);
        QVERIFY(windows().optionsWindow()->isVisible());
        QVERIFY(!f->isEnabled());
    }
};

KESTRUM_TEST_MAIN(StartupTest)
#include "test_startup.moc"
