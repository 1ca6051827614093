// The send box's history: order, limit, duplicates, the store, and stepping.
#include "core/sending/sendhistory.h"
#include "core/settings/settings.h"
#include "support/testenv.h"

using namespace kestrum;
using namespace kestrum::test;

class SendHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProgramState(); }

    void orderLimitAndDuplicates_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("most recent first") << QStringList{"a", "b", "c"} << QStringList{"c", "b", "a"};
        QTest::newRow("a repeat moves to the front") << QStringList{"a", "b", "c", "a"} << QStringList{"a", "c", "b"};
        QTest::newRow("repeats in a row are one") << QStringList{"a", "a", "a"} << QStringList{"a"};
        QTest::newRow("case and blanks count") << QStringList{"AT", "at", "AT "} << QStringList{"AT ", "at", "AT"};
        QTest::newRow("empty and over-long texts are not kept")
            << QStringList{"a", "", QString(kSendHistoryLongest + 1, 'x'), "b"} << QStringList{"b", "a"};
        QStringList many;
        for (int i = 1; i <= kSendHistoryLimit + 5; ++i)
            many << QString::number(i);
        QStringList kept;
        for (int i = kSendHistoryLimit + 5; i > 5; --i)
            kept << QString::number(i);
        QTest::newRow("the last 100") << many << kept;
    }
    void orderLimitAndDuplicates()
    {
        QFETCH(QStringList, sent);
        QFETCH(QStringList, expected);
        for (const QString &t : sent)
            rememberSent(t);
        // Read back from the store, as the next run would.
        QCOMPARE(sendHistory(), expected);
    }

    void anyTextSurvivesTheStore()
    {
        const QStringList texts{"AT+CWJAP=\"net,1\";x=1\r\nsecond line", "[Ports]\r\nCOM1=x", "Привет, мир = \\ % ;#",
                                QStringLiteral("tab\there\x01\x7f")};
        for (const QString &t : texts)
            rememberSent(t);
        QStringList expected = texts;
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(sendHistory(), expected);
    }

    void clearingTheStoredSettingsForgetsIt()
    {
        rememberSent("one");
        writeSetting("Ports", "COM1", "/dev/ttyUSB0");
        deleteAllSettings();
        QCOMPARE(sendHistory(), QStringList());
        QCOMPARE(readSetting("Ports", "COM1", "?"), QStringLiteral("/dev/ttyUSB0"));
        // What was held before the clearing does not come back.
        rememberSent("two");
        QCOMPARE(sendHistory(), QStringList{"two"});
    }

    void aDamagedValueIsNoHistory()
    {
        writeSetting("History", "Sent", "{not an array");
        QCOMPARE(sendHistory(), QStringList());
        rememberSent("x");
        QCOMPARE(sendHistory(), QStringList{"x"});
    }

    void steppingKeepsTheDraft()
    {
        const QStringList h{"c", "b", "a"};
        HistorySteps s;
        QCOMPARE(s.newer(h, "draft"), std::nullopt);
        QCOMPARE(s.older(h, "draft"), QString("c"));
        QCOMPARE(s.older(h, "c"), QString("b"));
        QCOMPARE(s.older(h, "b"), QString("a"));
        QCOMPARE(s.older(h, "a"), std::nullopt);
        QCOMPARE(s.newer(h, "a"), QString("b"));
        QCOMPARE(s.newer(h, "b"), QString("c"));
        QCOMPARE(s.newer(h, "c"), QString("draft"));
        QCOMPARE(s.newer(h, "draft"), std::nullopt);
        // After a send the next step back starts at the most recent again.
        s.older(h, "x");
        s.reset();
        QCOMPARE(s.older(h, "new"), QString("c"));
        // A history cleared meanwhile leads back to the draft.
        QCOMPARE(s.newer({}, "c"), QString("new"));
        QCOMPARE(s.older({}, "new"), std::nullopt);
    }
};

KESTRUM_TEST_MAIN(SendHistoryTest)
#include "test_sendhistory.moc"
