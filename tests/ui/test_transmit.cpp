// Sending the send box: the bytes on the line, the length check, the sent
// line in the received box and in the autosave file.
#include "ui/form1.h"
#include "core/session.h"
#include "ui/windows.h"
#include "ui/warningdialog.h"
#include "ui/receivedbox.h"
#include "ui/optionswindow.h"
#include "core/mscomm.h"
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

Form2 *options() { return windows().form2(); }

void showSent(bool show, bool date, bool time, bool size)
{
    options()->Check1->setChecked(show);
    options()->Check2->setChecked(date);
    options()->Check3->setChecked(time);
    options()->Check4->setChecked(size);
}

QString autosaveTo(const QString &name)
{
    const QString path = scratchDir() + QLatin1Char('/') + name;
    QFile::remove(path);
    options()->setAutosaveFile(path);
    options()->Check8->setChecked(true);
    return path;
}

} // namespace

class TransmitTest : public ProgramTest {
    Q_OBJECT
    Form1 *start()
    {
        Form1 *f = startOnPty();
        if (!f)
            return nullptr;
        showSent(false, false, false, false);
        options()->Check8->setChecked(false);
        options()->Check9->setChecked(false);
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
        f->Text1->setPlainText(QStringLiteral("AT\nok ") + QChar(0x20AC) + QChar(0xA0) + QStringLiteral("Жж"));
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        const QByteArray expected = QByteArray("AT\r\nok \x88\xA0\xC6\xE6");
        QCOMPARE(pty->read(1000, expected.size()), expected);
        // Twice: the send box keeps its text.
        f->Command1_Click();
        QCOMPARE(pty->read(1000, expected.size()), expected);
        QCOMPARE(f->Text2->text(), QString());
        QVERIFY(!f->mnuSave->isEnabled());
        QCOMPARE(f->session->state().dataReceived, qint16(0));
        QCOMPARE(fakes.messageBox->messages, QStringList());

        // An empty send box sends nothing and fails nothing.
        f->Text1->clear();
        f->Command1_Click();
        QCOMPARE(pty->read(200), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void ctrlUpAndDownStepThroughWhatWasSent()
    {
        Form1 *f = start();
        QVERIFY(f);
        for (const char *text : {"AT", "AT+GMR\nrow 2", "AT"}) {
            f->Text1->setPlainText(QString::fromLatin1(text));
            f->Command1_Click();
        }
        // A refused text is not sent, so not kept.
        options()->Check9->setChecked(true);
        options()->Text1->setText(QStringLiteral("3"));
        f->Text1->setPlainText(QStringLiteral("too long"));
        f->Command1_Click();
        windows().dialog2()->OKButton_Click();
        options()->Check9->setChecked(false);
        pty->read(300);

        f->Text1->setPlainText(QStringLiteral("draft"));
        f->Text1->setFocus();
        QTest::keyClick(f->Text1, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(f->Text1->toPlainText(), QStringLiteral("AT"));
        QTest::keyClick(f->Text1, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(f->Text1->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        // Plain Up and Down only move the caret.
        QTest::keyClick(f->Text1, Qt::Key_Up);
        QCOMPARE(f->Text1->textCursor().blockNumber(), 0);
        QCOMPARE(f->Text1->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        QTest::keyClick(f->Text1, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(f->Text1->toPlainText(), QStringLiteral("AT+GMR\nrow 2"));
        QTest::keyClick(f->Text1, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(f->Text1, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(f->Text1->toPlainText(), QStringLiteral("draft"));
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
        f->Text1->setPlainText(QString::fromLatin1(expected));
        f->Command1_Click();
        f->Command1_Click();
        QTest::qWait(300);
        const QByteArray got = pty->read(20000, 2 * expected.size());
        QCOMPARE(got, expected + expected);
        QVERIFY(f->session->port()->PortOpen());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void refusedLengthShowsTheWarning()
    {
        Form1 *f = start();
        QVERIFY(f);
        options()->Check9->setChecked(true);
        options()->Text1->setText(QStringLiteral("3"));
        // The typed line break counts as its two characters.
        f->Text1->setPlainText(QStringLiteral("a\nb"));
        f->Command1_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        // The warning stands in front of the main and Options windows.
        QVERIFY(windows().warningShowing());
        QVERIFY(!f->isEnabled());
        windows().dialog2()->OKButton_Click();
        QVERIFY(!windows().warningShowing());
        QVERIFY(f->isEnabled());

        // A maximum that is not a number: its message, then the warning.
        options()->Text1->setText(QStringLiteral("ten"));
        f->Command1_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(fakes.messageBox->messages, QStringList{QStringLiteral("Type mismatch")});
        QVERIFY(windows().warningShowing());
    }

    void closedPortIsOpenedAndStaysOpen()
    {
        Form1 *f = start();
        QVERIFY(f);
        f->Command2_Click();
        QVERIFY(!f->session->port()->PortOpen());
        f->Text1->setPlainText(QStringLiteral("wake"));
        f->Command1_Click();
        QVERIFY(f->session->port()->PortOpen());
        QCOMPARE(pty->read(1000, 4), QByteArray("wake"));
        QVERIFY(f->Command2->isEnabled());
        QVERIFY(f->Command3->isEnabled());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void sentLine()
    {
        Form1 *f = start();
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("sent.txt"));
        showSent(true, true, true, true);
        const QString when = dateText(fakes.clock->current) + QStringLiteral("   ") + timeText(fakes.clock->current)
                             + QStringLiteral("   ");
        f->Text1->setPlainText(QStringLiteral("first\nsecond"));
        f->Command1_Click();
        const QString line = when + QStringLiteral("<<SenD>>   first\r\nsecond  Size, byte 13");
        QCOMPARE(f->Text2->text(), line + QStringLiteral("\r\n"));
        QCOMPARE(readBytes(path), line.toLatin1() + "\r\n");

        // Showing sent lines is no unsaved change.
        QVERIFY(!f->mnuSave->isEnabled());
        QCOMPARE(f->session->state().dataReceived, qint16(0));
        QCOMPARE(pty->read(1000, 13), QByteArray("first\r\nsecond"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void autosaveOnlyWithSentLines()
    {
        Form1 *f = start();
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("untouched.txt"));
        showSent(false, true, true, true);
        f->Text1->setPlainText(QStringLiteral("quiet"));
        f->Command1_Click();
        QCOMPARE(pty->read(1000, 5), QByteArray("quiet"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f->Text2->text(), QString());
    }

    void portThatCannotBeOpened()
    {
        mapPort(1, scratchDir() + QStringLiteral("/no-such-device"));
        Form1 *f = startTestProgram();
        QVERIFY(!f->session->port()->PortOpen());
        const QString path = autosaveTo(QStringLiteral("never.txt"));
        showSent(true, true, true, true);
        fakes.messageBox->messages.clear();
        f->Text1->setPlainText(QStringLiteral("lost"));
        f->Command1_Click();
        // One message, and the log does not claim a send.
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("cannot be opened")));
        QCOMPARE(f->Text2->text(), QString());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f->session->messageCount(), 0);
    }

    void characterOutsideTheCodePage()
    {
        Form1 *f = start();
        QVERIFY(f);
        showSent(true, false, false, false);
        f->Command2_Click();
        f->Text1->setPlainText(QStringLiteral("ok ") + QChar(0x2713));
        f->Command1_Click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QChar(0x2713)));
        // Nothing happened to the port, nothing was sent or shown.
        QVERIFY(!f->session->port()->PortOpen());
        f->Command3_Click();
        QCOMPARE(pty->read(300), QByteArray());
        QCOMPARE(f->Text2->text(), QString());
    }

    void autosaveFailureIsOneMessage()
    {
        Form1 *f = start();
        QVERIFY(f);
        showSent(true, false, false, false);
        options()->Check8->setChecked(true);
        options()->setAutosaveFile(scratchDir() + QStringLiteral("/missing-folder/a.txt"));
        f->Text1->setPlainText(QStringLiteral("out"));
        f->Command1_Click();
        QCOMPARE(pty->read(1000, 3), QByteArray("out"));
        QCOMPARE(f->Text2->text(), QStringLiteral("<<SenD>>   out\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("missing-folder")));
    }

    void sendWhileAMessageIsCollected()
    {
        Form1 *f = start();
        QVERIFY(f);
        f->session->setReceiveTimeout(200);
        showSent(true, false, false, false);
        QVERIFY(pty->write("in"));
        QTRY_COMPARE(f->session->receiving(), qint16(1));
        f->Text1->setPlainText(QStringLiteral("out"));
        f->Command1_Click();
        QCOMPARE(f->session->messageCount(), 0);
        // The message still comes, above the sent line.
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("in\r\n<<SenD>>   out\r\n"));
        QCOMPARE(f->Text3->text(), QStringLiteral("1"));
        QCOMPARE(f->session->messageCount(), 0);
    }
};

KESTRUM_TEST_MAIN(TransmitTest)
#include "test_transmit.moc"
