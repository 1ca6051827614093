// The code page: which characters it cannot carry, and where they stand.
#include "core/base/codec.h"
#include "core/base/error.h"
#include "support/testenv.h"
#include <QTest>

using namespace kestrum;

class CodecTest : public QObject {
    Q_OBJECT
private slots:
    void firstCharacterOutsideTheCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");  // -1: every character has a byte
        QTest::addColumn<QString>("codePoint");
        QTest::newRow("Cyrillic and the kept 0x98") << QStringLiteral("\u0416a\u0098") << -1 << QString();
        QTest::newRow("a tick") << QStringLiteral("ab\u2713\u2713") << 2 << QStringLiteral("U+2713");
        QTest::newRow("a pair is one character") << QStringLiteral("x\U0001F600") << 1 << QStringLiteral("U+1F600");
        QTest::newRow("a lone high surrogate") << (QStringLiteral("x") + QChar(0xD83D) + QStringLiteral("y")) << 1
                                               << QStringLiteral("U+D83D");
    }

    void firstCharacterOutsideTheCodePage()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, codePoint);
        const std::optional<Unmappable> bad = firstUnmappable(text);
        QCOMPARE(fitsAnsi(text), index < 0);
        QCOMPARE(bad.has_value(), index >= 0);
        if (bad) {
            QCOMPARE(bad->index, qsizetype(index));
            QCOMPARE(bad->codePoint, codePoint);
            QVERIFY_THROWS_EXCEPTION(Error, toAnsi(text));
        }
    }
};

KESTRUM_TEST_MAIN(CodecTest)
#include "test_codec.moc"
