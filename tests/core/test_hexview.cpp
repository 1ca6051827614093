// The hex view's text of a line: stamps kept as text, the rest as bytes.
#include "core/base/codec.h"
#include "core/document/hexview.h"
#include "support/testenv.h"
#include <QTest>

using namespace kestrum;

namespace {

QString shown(const QString &line, const std::vector<qsizetype> &errors = {})
{
    const HexLine h = HexLine::of(line.left(HexLine::kStampReach), line.right(HexLine::kStampReach), line.size());
    return hexText(h, 0, line, errors);
}

} // namespace

class HexViewTest : public QObject {
    Q_OBJECT
private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("hex");
        QTest::newRow("received, all stamps") << QStringLiteral("08.12.2026   02:35:00    Hello  Size, byte: 5")
                                              << QStringLiteral("08.12.2026   02:35:00    48 65 6C 6C 6F  Size, byte: 5");
        QTest::newRow("received, time only") << QStringLiteral("2:35:00 PM    OK")
                                             << QStringLiteral("2:35:00 PM    4F 4B");
        QTest::newRow("sent") << QStringLiteral("12/8/26   02:35:00   <<SenD>>   AT  Size, byte 2")
                              << QStringLiteral("12/8/26   02:35:00   <<SenD>>   41 54  Size, byte 2");
        QTest::newRow("sent, nothing") << QStringLiteral("<<SenD>>     Size, byte 0")
                                       << QStringLiteral("<<SenD>>     Size, byte 0");
        QTest::newRow("no stamps, code page") << QStringLiteral("Жук\t\u20AC") << QStringLiteral("C6 F3 EA 09 88");
        QTest::newRow("a number is data") << QStringLiteral("12 34") << QStringLiteral("31 32 20 33 34");
        QTest::newRow("empty") << QString() << QString();
    }

    void lines()
    {
        QFETCH(QString, line);
        QFETCH(QString, hex);
        QCOMPARE(shown(line), hex);
    }

    void everyByteValue()
    {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        QCOMPARE(shown(fromAnsi(bytes)), QString::fromLatin1(bytes.toHex(' ').toUpper()));
    }

    // Any part of a long line reads as the same part of the whole, and
    // every column goes to the shown text and back.
    void partsOfALongLine()
    {
        const QString line = QStringLiteral("02:35:00    ") + QString(100000, QLatin1Char('z'))
                             + QStringLiteral("  Size, byte: 100000");
        const HexLine h = HexLine::of(line.left(64), line.right(64), line.size());
        const QString whole = hexText(h, 0, line);
        QCOMPARE(whole.size(), h.shownLength());
        for (qsizetype c : {qsizetype(0), qsizetype(12), qsizetype(13), qsizetype(50000), qsizetype(100012),
                            qsizetype(line.size())})
            QCOMPARE(h.toColumn(h.toShown(c)), c);
        for (qsizetype from : {qsizetype(5), qsizetype(14), qsizetype(299000), qsizetype(300009)}) {
            const qsizetype first = h.toColumn(from, HexLine::Round::Down);
            const qsizetype last = h.toColumn(from + 1000, HexLine::Round::Up);
            const QString part = hexText(h, first, QStringView(line).mid(first, last - first));
            QCOMPARE(part.mid(from - h.toShown(first), 1000), whole.mid(from, 1000));
        }
    }

    void parityErrorsShowAsQuestionMarks()
    {
        QCOMPARE(shown(QStringLiteral("A?B?"), {1}), QStringLiteral("41 ?? 42 3F"));
        QCOMPARE(shown(QStringLiteral("02:35:00    ??"), {12, 13}), QStringLiteral("02:35:00    ?? ??"));
    }
};

KESTRUM_TEST_MAIN(HexViewTest)
#include "test_hexview.moc"
