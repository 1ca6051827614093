// Driving a board: line endings on a pseudo-terminal.
#include "core/sendbytes.h"
#include "core/settings.h"
#include "support/sessiontest.h"
#include "support/testenv.h"

using namespace kestrum;
using namespace kestrum::test;

Q_DECLARE_METATYPE(kestrum::SendMode)
Q_DECLARE_METATYPE(kestrum::LineEnding)

class BoardTest : public SessionTest {
    Q_OBJECT

private slots:
    void endingsOnTheLine_data()
    {
        QTest::addColumn<SendMode>("mode");
        QTest::addColumn<LineEnding>("ending");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QByteArray>("bytes");  // empty: refused as too long
        QTest::addColumn<QString>("shown");
        QTest::newRow("none, as always") << SendMode::Text << LineEnding::None << "AT" << "" << QByteArray("AT") << "AT";
        QTest::newRow("CR") << SendMode::Text << LineEnding::CR << "AT" << "3" << QByteArray("AT\r") << "AT";
        QTest::newRow("LF") << SendMode::Text << LineEnding::LF << "AT" << "" << QByteArray("AT\n") << "AT";
        QTest::newRow("escapes, CR LF") << SendMode::Escapes << LineEnding::CRLF << "AT\\x21" << "" << QByteArray("AT!\r\n") << "AT!";
        QTest::newRow("hex adds none") << SendMode::Hex << LineEnding::CRLF << "41 54" << "2" << QByteArray("AT") << "AT";
        QTest::newRow("the length check counts it") << SendMode::Text << LineEnding::CRLF << "AT" << "3" << QByteArray() << "";
    }

    void endingsOnTheLine()
    {
        QFETCH(SendMode, mode);
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);
        QFETCH(QString, maximum);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QVERIFY(startSession());
        Options o;
        o.showSent = o.sentSize = true;
        o.checkLength = !maximum.isEmpty();
        o.maximumLength = maximum;
        session->options().set(o);
        session->setLineEnding(ending);
        QCOMPARE(session->send(text, mode), bytes.isEmpty() ? SendResult::TooLong : SendResult::Sent);
        QCOMPARE(pty->read(bytes.isEmpty() ? 200 : 2000, int(bytes.size())), bytes);
        if (!bytes.isEmpty())
            QCOMPARE(document(), QStringLiteral("<<SenD>>   %1  Size, byte %2\r\n").arg(shown).arg(bytes.size()));
    }

    void choicesAreKeptUntilSettingsAreCleared()
    {
        QVERIFY(startSession());
        session->setLineEnding(LineEnding::CRLF);
        storeEnterSends(true);
        QCOMPARE(Session().lineEnding(), LineEnding::CRLF);
        QVERIFY(storedEnterSends());
        deleteAllSettings();
        QCOMPARE(Session().lineEnding(), LineEnding::None);
        QVERIFY(!storedEnterSends());
    }
};

KESTRUM_TEST_MAIN(BoardTest)
#include "test_board.moc"
