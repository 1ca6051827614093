// Sending the send box: the bytes on the line, the length check, the sent
// line in the received box and in the autosave file.
#include "ui/main/form1.h"
#include "ui/actions/transmitactions.h"
#include "ui/main/portpanel.h"
#include "core/session/session.h"
#include "ui/main/windows.h"
#include "ui/dialogs/warningdialog.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/port/mscomm.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

using namespace kestrum;
using namespace kestrum::test;

namespace {

} // namespace

class TransmitTest : public ProgramTest {
    Q_OBJECT
    Form1 *start()
    {
        Form1 *f = startOnPty();
        if (!f)
            return nullptr;
        setSentLines(false, false, false, false);
        autosaveOff();
        setLengthCheck(false);
        fakes.messageBox->messages.clear();
        return f;
    }

private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    void sendsTheTextAsItIs()
    {
        Form1 *f = start();
        QVERIFY(f);
        // Typed line breaks go out as CR LF; the code page's own characters
        // (the euro sign, a no-break space, Cyrillic) as their single bytes.
        sendBox(f)->setPlainText(QStringLiteral("AT\nok ") + QChar(0x20AC) + QChar(0xA0) + QStringLiteral("Жж"));
        QTest::mouseClick(button(f, "Command1"), Qt::LeftButton);
        const QByteArray expected = QByteArray("AT\r\nok \x88\xA0\xC6\xE6");
        QCOMPARE(pty->read(1000, expected.size()), expected);
        // Twice: the send box keeps its text.
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(1000, expected.size()), expected);
        QCOMPARE(receivedBox(f)->text(), QString());
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().dataReceived, qint16(0));
        QCOMPARE(fakes.messageBox->messages, QStringList());

        // An empty send box sends nothing and fails nothing.
        sendBox(f)->clear();
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(200), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void ctrlUpAndDownStepThroughWhatWasSent()
    {
        Form1 *f = start();
        QVERIFY(f);
        for (const char *text : {"AT", "AT+GMR\nrow 2", "AT"}) {
            sendBox(f)->setPlainText(QString::fromLatin1(text));
            f->transmit().Command1_Click();
        }
        // A refused text is not sent, so not kept.
        setLengthCheck(true, QStringLiteral("3"));
        sendBox(f)->setPlainText(QStringLiteral("too long"));
        f->transmit().Command1_Click();
        windows().warning()->OKButton_Click();
        setLengthCheck(false);
        pty->read(300);

        sendBox(f)->setPlainText(QStringLiteral("draft"));
        sendBox(f)->setFocus();
        QTest::keyClick(sendBox(f), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(sendBox(f)->toPlainText(), QStringLiteral("AT"));
        QTest::keyClick(sendBox(f), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(sendBox(f)->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        // Plain Up and Down only move the caret.
        QTest::keyClick(sendBox(f), Qt::Key_Up);
        QCOMPARE(sendBox(f)->textCursor().blockNumber(), 0);
        QCOMPARE(sendBox(f)->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        QTest::keyClick(sendBox(f), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(sendBox(f)->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        QTest::keyClick(sendBox(f), Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(sendBox(f), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(sendBox(f)->toPlainText(), QStringLiteral("draft"));
        // Nothing went out while stepping.
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void sendLargerThanTheLineTakesArrivesWhole()
    {
        Form1 *f = start();
        QVERIFY(f);
        // Several times what the line buffers: the rest waits in the
        // program while the device is slow to read, and no error is made
        // of the full line.
        QByteArray expected;
        for (int i = 0; i < 100000; ++i)
            expected += char('a' + i % 26);
        sendBox(f)->setPlainText(QString::fromLatin1(expected));
        f->transmit().Command1_Click();
        f->transmit().Command1_Click();
        QTest::qWait(300);
        const QByteArray got = pty->read(20000, 2 * expected.size());
        QCOMPARE(got, expected + expected);
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void refusedLengthShowsTheWarning()
    {
        Form1 *f = start();
        QVERIFY(f);
        setLengthCheck(true, QStringLiteral("3"));
        // The typed line break counts as its two characters.
        sendBox(f)->setPlainText(QStringLiteral("a\nb"));
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        // The warning stands in front of the main and Options windows.
        QVERIFY(windows().warningShowing());
        QVERIFY(!f->isEnabled());
        windows().warning()->OKButton_Click();
        QVERIFY(!windows().warningShowing());
        QVERIFY(f->isEnabled());

        // A maximum that is not a number: its message, then the warning.
        setLengthCheck(true, QStringLiteral("ten"));
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList{QStringLiteral("Type mismatch")});
        QVERIFY(windows().warningShowing());
    }

    void closedPortIsOpenedAndStaysOpen()
    {
        Form1 *f = start();
        QVERIFY(f);
        f->ports().Command2_Click();
        QVERIFY(!f->session().port()->PortOpen());
        sendBox(f)->setPlainText(QStringLiteral("wake"));
        f->transmit().Command1_Click();
        QVERIFY(f->session().port()->PortOpen());
        QCOMPARE(pty->read(1000, 4), QByteArray("wake"));
        QVERIFY(button(f, "Command2")->isEnabled());
        QVERIFY(button(f, "Command3")->isEnabled());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void sentLine()
    {
        Form1 *f = start();
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("sent.txt"));
        setSentLines(true, true, true, true);
        const QString when = dateText(fakes.clock->current) + QStringLiteral("   ") + timeText(fakes.clock->current)
                             + QStringLiteral("   ");
        sendBox(f)->setPlainText(QStringLiteral("first\nsecond"));
        f->transmit().Command1_Click();
        const QString line = when + QStringLiteral("<<SenD>>   first\r\nsecond  Size, byte 13");
        QCOMPARE(receivedBox(f)->text(), line + QStringLiteral("\r\n"));
        QCOMPARE(readBytes(path), line.toLatin1() + "\r\n");

        // Showing sent lines is no unsaved change.
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().dataReceived, qint16(0));
        QCOMPARE(pty->read(1000, 13), QByteArray("first\r\nsecond"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void autosaveOnlyWithSentLines()
    {
        Form1 *f = start();
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("untouched.txt"));
        setSentLines(false, true, true, true);
        sendBox(f)->setPlainText(QStringLiteral("quiet"));
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(1000, 5), QByteArray("quiet"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(receivedBox(f)->text(), QString());
    }

    void portThatCannotBeOpened()
    {
        mapPort(1, scratchDir() + QStringLiteral("/no-such-device"));
        Form1 *f = startTestProgram();
        QVERIFY(!f->session().port()->PortOpen());
        const QString path = autosaveTo(QStringLiteral("never.txt"));
        setSentLines(true, true, true, true);
        fakes.messageBox->messages.clear();
        sendBox(f)->setPlainText(QStringLiteral("lost"));
        f->transmit().Command1_Click();
        // One message, and the log does not claim a send.
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("cannot be opened")));
        QCOMPARE(receivedBox(f)->text(), QString());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f->session().messageCount(), 0);
    }

    void characterOutsideTheCodePage()
    {
        Form1 *f = start();
        QVERIFY(f);
        setSentLines(true, false, false, false);
        f->ports().Command2_Click();
        sendBox(f)->setPlainText(QStringLiteral("ok ") + QChar(0x2713));
        f->transmit().Command1_Click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QChar(0x2713)));
        // Nothing happened to the port, nothing was sent or shown.
        QVERIFY(!f->session().port()->PortOpen());
        f->ports().Command3_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(receivedBox(f)->text(), QString());
    }

    void autosaveFailureIsOneMessage()
    {
        Form1 *f = start();
        QVERIFY(f);
        setSentLines(true, false, false, false);
        autosaveInto(scratchDir() + QStringLiteral("/missing-folder/a.txt"));
        sendBox(f)->setPlainText(QStringLiteral("out"));
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(1000, 3), QByteArray("out"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("<<SenD>>   out\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("missing-folder")));
    }

    void sendWhileAMessageIsCollected()
    {
        Form1 *f = start();
        QVERIFY(f);
        f->session().setReceiveTimeout(200);
        setSentLines(true, false, false, false);
        QVERIFY(pty->write("in"));
        QTRY_COMPARE(f->session().receiving(), qint16(1));
        sendBox(f)->setPlainText(QStringLiteral("out"));
        f->transmit().Command1_Click();
        QCOMPARE(f->session().messageCount(), 0);
        // The message still comes, above the sent line.
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("in\r\n<<SenD>>   out\r\n"));
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("1"));
        QCOMPARE(f->session().messageCount(), 0);
    }
};

KESTRUM_TEST_MAIN(TransmitTest)
#include "test_transmit.moc"
