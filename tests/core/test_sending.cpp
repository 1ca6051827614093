// Sending bytes: the send box read as text, hex or with escapes, byte for
// byte on a pseudo-terminal; a file paced by the line, and cancelled; a
// break.
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/sending/filesend.h"
#include "core/port/mscomm.h"
#include "core/sending/sendbytes.h"
#include "core/session/session.h"
#include "support/files.h"
#include "support/sessiontest.h"
#include "support/testenv.h"
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

using namespace kestrum;
using namespace kestrum::test;

Q_DECLARE_METATYPE(kestrum::SendMode)

class SendingTest : public SessionTest {
    Q_OBJECT

    // Sent lines are shown, with their size.
    bool start(const QString &line = QString())
    {
        if (!startSession(line))
            return false;
        Options o;
        o.showSent = o.sentSize = true;
        session->options().set(o);
        return true;
    }

    // A file of n bytes that shows any byte lost, doubled or out of order.
    static QByteArray pattern(qsizetype n)
    {
        QByteArray b(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            b[i] = char((i * 7 + i / 251) & 0xff);
        return b;
    }

private slots:
    void modesOnTheLine_data()
    {
        QTest::addColumn<SendMode>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("text as it was") << SendMode::Text << "a\\x41\r\nЖ" << QByteArray("a\\x41\r\n\xC6") << "";
        QTest::newRow("hex frame") << SendMode::Hex << "01 03 00 00 00 0A C5 CD" << QByteArray("\x01\x03\0\0\0\x0A\xC5\xCD", 8) << "";
        QTest::newRow("hex, gaps ignored") << SendMode::Hex << "ff00\r\n\t7e  7F" << QByteArray("\xFF\0\x7E\x7F", 4) << "";
        QTest::newRow("hex, not a digit") << SendMode::Hex << "01 0G" << QByteArray() << "\"G\" at position 5 is not";
        QTest::newRow("hex, split byte") << SendMode::Hex << "01\r\n0 3" << QByteArray() << "The blank at position 6 (line 2, column 2) splits";
        QTest::newRow("hex, half a byte at the end") << SendMode::Hex << "01 0" << QByteArray() << "The end of the text at position 5";
        QTest::newRow("hex, 0x is not hex") << SendMode::Hex << "0x01" << QByteArray() << "\"x\" at position 2";
        QTest::newRow("escapes") << SendMode::Escapes << "AT\\r\\n\\t\\\\\\x00\\xfFЖ" << QByteArray("AT\r\n\t\\\0\xFF\xC6", 9) << "";
        QTest::newRow("escape unknown") << SendMode::Escapes << "ok\\q" << QByteArray() << "\"\\\" at position 3 begins no escape";
        QTest::newRow("escape \\x short") << SendMode::Escapes << "\\x4" << QByteArray() << "The end of the text at position 4 is not the second";
        QTest::newRow("escape, no code page byte") << SendMode::Escapes << "\\n€✓" << QByteArray() << "\"✓\" at position 4 has no byte";
        QTest::newRow("backslash at the end") << SendMode::Escapes << "a\\" << QByteArray() << "\"\\\" at position 2 begins no escape";
    }

    void modesOnTheLine()
    {
        QFETCH(SendMode, mode);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        QVERIFY(start());
        QCOMPARE(session->send(text, mode) == SendResult::Sent, refusal.isEmpty());
        if (!refusal.isEmpty()) {
            QCOMPARE(failures.size(), 1);
            QVERIFY2(failures.first().startsWith(refusal), qPrintable(failures.first()));
            QVERIFY(failures.first().contains(QStringLiteral("Nothing was sent.")));
            QCOMPARE(pty->read(200), QByteArray());
            QCOMPARE(session->document().size(), 0);
            return;
        }
        QCOMPARE(failures, QStringList());
        QCOMPARE(pty->read(2000, int(bytes.size())), bytes);
        // The line shows the bytes that went, counted as bytes.
        QCOMPARE(document(),
                 QStringLiteral("<<SenD>>   ") + fromAnsi(bytes) + QStringLiteral("  Size, byte %1\r\n").arg(bytes.size()));
    }

    void lengthCheckCountsBytes_data()
    {
        QTest::addColumn<SendMode>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<bool>("sent");
        QTest::newRow("hex, 3 bytes in 8 characters") << SendMode::Hex << "01 02 03" << "3" << true;
        QTest::newRow("hex, 3 bytes over 2") << SendMode::Hex << "01 02 03" << "2" << false;
        QTest::newRow("escapes, \\x00 is one") << SendMode::Escapes << "\\x00\\r" << "2" << true;
        QTest::newRow("text counts characters") << SendMode::Text << "\\x00" << "3" << false;
    }

    void lengthCheckCountsBytes()
    {
        QFETCH(SendMode, mode);
        QFETCH(QString, text);
        QFETCH(QString, maximum);
        QFETCH(bool, sent);
        QVERIFY(start());
        Options o;
        o.checkLength = true;
        o.maximumLength = maximum;
        session->options().set(o);
        QCOMPARE(session->send(text, mode), sent ? SendResult::Sent : SendResult::TooLong);
        const QByteArray got = pty->read(sent ? 2000 : 200, 1);
        QCOMPARE(got.isEmpty(), !sent);
    }

    void fileArrivesInOrder_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("cancel");
        // At 115200 a megabyte takes 91 s: the test cancels after a part.
        QTest::newRow("115200, cancelled") << "115200,n,8,1" << true;
        QTest::newRow("3000000, whole") << "3000000,n,8,1" << false;
    }

    void fileArrivesInOrder()
    {
        QFETCH(QString, line);
        QFETCH(bool, cancel);
        QVERIFY(start(line));
        const QString path = scratchDir() + QStringLiteral("/send.bin");
        const QByteArray data = pattern(1024 * 1024);
        writeBytes(path, data);
        FileSender *sender = session->fileSender();
        QSignalSpy done(sender, &FileSender::finished);
        session->sendFile(path);
        QVERIFY(sender->isSending());
        QByteArray got;
        if (cancel) {
            // Some seconds' worth, then Cancel: nothing more goes out.
            got = pty->read(20000, 20000);
            QVERIFY(got.size() >= 20000);
            sender->cancel();
            QCOMPARE(done.size(), 1);
            got += pty->read(300);
            QVERIFY(got.size() < 40000);
            QCOMPARE(got, data.left(got.size()));
            QCOMPARE(pty->read(300), QByteArray());
            QVERIFY(done.first().at(0).toLongLong() >= 20000);
            QCOMPARE(done.first().at(1).toBool(), false);
            QVERIFY(document().contains(QStringLiteral(" of 1048576, cancelled  Size, byte ")));
            QCOMPARE(failures, QStringList());
            return;
        }
        got = pty->read(30000, int(data.size()));
        QCOMPARE(got.size(), data.size());
        QVERIFY(got == data);
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done.first().at(0).toLongLong(), data.size());
        QCOMPARE(done.first().at(1).toBool(), true);
        QCOMPARE(document(), QStringLiteral("<<SenD>>   File \"%1\": 1048576 bytes  Size, byte 1048576\r\n").arg(path));
        QCOMPARE(failures, QStringList());
    }

    // Cancel drops what waits to go out. A pseudo-terminal reports no queue
    // yet drops what the other side has not read: the count is "about".
    void cancelledFileCountsWhatLeft()
    {
        QVERIFY(start(QStringLiteral("115200,n,8,1")));
        const QString path = scratchDir() + QStringLiteral("/send.bin");
        const QByteArray data = pattern(1024 * 1024);
        writeBytes(path, data);
        FileSender *sender = session->fileSender();
        QSignalSpy done(sender, &FileSender::finished);
        session->sendFile(path);
        QByteArray got = pty->read(20000, 2000);
        // The device stops reading: what is handed over meanwhile waits in the system.
        QTRY_VERIFY(sender->sent() > got.size() + 8000);
        sender->cancel();
        got += pty->read(300);
        QCOMPARE(got, data.left(got.size()));
        QCOMPARE(done.size(), 1);
        const qint64 counted = done.first().at(0).toLongLong();
        QVERIFY2(counted >= got.size(), qPrintable(QString::number(counted)));
        QVERIFY2(counted == got.size() || document().contains(QStringLiteral(": about %1 bytes of 1048576, cancelled").arg(counted)),
                 qPrintable(QStringLiteral("%1 counted, %2 arrived: %3").arg(counted).arg(got.size()).arg(document())));
    }

    void receivingGoesOnWhileSending()
    {
        QVERIFY(start(QStringLiteral("115200,n,8,1")));
        const QString path = scratchDir() + QStringLiteral("/send.bin");
        writeBytes(path, pattern(100000));
        session->sendFile(path);
        // A Send meanwhile would mix its bytes into the file's.
        QCOMPARE(session->send(QStringLiteral("x")), SendResult::Failed);
        QCOMPARE(failures.size(), 1);
        QVERIFY(pty->write("OK"));
        QTRY_COMPARE(session->port()->gathered(), 2);
        session->tick();
        session->tick();
        QTRY_VERIFY(document().startsWith(QStringLiteral("OK\r\n")));
        QVERIFY(session->fileSender()->isSending());
        // Closing the port stops the send, and says so.
        session->port()->setPortOpen(false);
        QVERIFY(!session->fileSender()->isSending());
        QCOMPARE(failures.size(), 2);
        QVERIFY(failures.last().contains(QStringLiteral("closed")));
        QVERIFY(document().startsWith(QStringLiteral("<<SenD>>   File ")));
    }

    void unreadableFileSendsNothing()
    {
        QVERIFY(start());
        QVERIFY_THROWS_EXCEPTION(kestrum::Error, session->sendFile(scratchDir() + QStringLiteral("/no-such-file.bin")));
        QVERIFY(!session->fileSender()->isSending());
        QCOMPARE(pty->read(200), QByteArray());
        QCOMPARE(session->document().size(), 0);
    }

    void breakEndsByItself()
    {
        QVERIFY(start());
        session->port()->setPortOpen(false);
        // Opens the port as Send does.
        session->sendBreak();
        QVERIFY(session->port()->PortOpen());
        QVERIFY(session->port()->isBreakOn());
        QTRY_VERIFY_WITH_TIMEOUT(!session->port()->isBreakOn(), 2000);
    }
};

KESTRUM_TEST_MAIN(SendingTest)
#include "test_sending.moc"
