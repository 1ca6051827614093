// The received document's store against a plain string doing the same.
#include "core/receivedstore.h"
#include "core/codec.h"
#include <QRandomGenerator>
#include <QTest>

using namespace kestrum;

namespace {

// Lines of a text the plain way, with where each starts: split at CR LF,
// lone CR, lone LF.
QStringList linesOf(const QString &t, QList<qsizetype> &starts)
{
    QStringList lines{QString()};
    starts = {0};
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char('\r') || t[i] == QLatin1Char('\n')) {
            if (t[i] == QLatin1Char('\r') && i + 1 < t.size() && t[i + 1] == QLatin1Char('\n'))
                ++i;
            lines.append(QString());
            starts.append(i + 1);
        } else {
            lines.last() += t[i];
        }
    }
    return lines;
}

// Short pieces rich in what is easy to get wrong: line breaks split between
// pieces, NUL, U+0098, Cyrillic, and a character the code page lacks.
QString piece(QRandomGenerator &r)
{
    static const QString alphabet = QStringLiteral("ab\r\n\r\nЖ") + QChar(0) + QChar(0x98) + QChar(0xFF);
    QString s;
    const int n = int(r.bounded(6));
    for (int i = 0; i < n; ++i)
        s += alphabet[int(r.bounded(int(alphabet.size())))];
    if (r.bounded(10) == 0)
        s += QChar(0x2713);  // no byte in the code page: kept wide
    return s;
}

void check(const ReceivedStore &store, const QString &expected)
{
    QCOMPARE(store.size(), expected.size());
    QCOMPARE(store.text(), expected);
    QList<qsizetype> starts;
    const QStringList lines = linesOf(expected, starts);
    QCOMPARE(store.lineCount(), lines.size());
    qsizetype longest = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QCOMPARE(store.lineStart(i), starts[i]);
        QCOMPARE(store.lineLength(i), lines[i].size());
        QCOMPARE(store.lineOf(starts[i] + lines[i].size()), i);
        longest = std::max(longest, lines[i].size());
    }
    QCOMPARE(store.longestLineLength(), longest);
    QCOMPARE(store.lineLength(store.longestLine()), longest);
}

} // namespace

class TestReceivedStore : public QObject {
    Q_OBJECT
private slots:
    void prependsAndEditsKeepTextAndLines_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("edits");  // one edit in every so many steps
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << int(seed % 3 + 2);
    }

    void prependsAndEditsKeepTextAndLines()
    {
        QFETCH(quint32, seed);
        QFETCH(int, edits);
        QRandomGenerator r(seed);
        ReceivedStore store;
        QString expected;
        for (int step = 0; step < 300; ++step) {
            if (step % edits == 0) {
                const qsizetype pos = r.bounded(int(expected.size()) + 1);
                const qsizetype count = r.bounded(int(expected.size() - pos) + 1) % 7;
                const QString text = piece(r);
                store.replace(pos, count, text);
                expected.replace(pos, count, text);
            } else {
                const QString text = piece(r);
                if (fitsAnsi(text) && r.bounded(2))
                    store.prependBytes(toAnsi(text));
                else
                    store.prepend(text);
                expected.prepend(text);
            }
            // The index is asked for after some steps only, so that it has
            // to catch up over several pieces at once.
            if (step % 3 == 0)
                check(store, expected);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("step %1").arg(step)));
        }
        QCOMPARE(store.text(3, 5), expected.mid(3, 5));
    }

    void longMessagesGivenAsBytesTakeEdits()
    {
        // Long enough to be kept as the array given; lines of every kind of
        // break, an edit across the boundary of two such messages.
        QString line = QStringLiteral("Жab") + QChar(0) + QChar(0x98);
        QString expected;
        ReceivedStore store;
        for (const QString brk : {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")}) {
            const QString message = (line + brk).repeated(70'000 / (line.size() + brk.size()));
            QByteArray bytes = toAnsi(message);
            bytes.squeeze();
            store.prependBytes(bytes);
            bytes[0] = 'X';  // the caller's own copy changes; the store's does not
            expected.prepend(message);
        }
        check(store, expected);
        const qsizetype across = expected.size() / 3 - 3;
        store.replace(across, 7, QStringLiteral("✓\r\n"));
        expected.replace(across, 7, QStringLiteral("✓\r\n"));
        store.prepend(QStringLiteral("top\r"));
        expected.prepend(QStringLiteral("top\r"));
        check(store, expected);
    }

    void everyByteValueSurvivesNarrow()
    {
        // Every byte value as the files decode it, one message each.
        QByteArray bytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            bytes[b] = char(b);
        const QString all = fromAnsi(bytes).repeated(400);
        ReceivedStore store;
        // Every other message as its bytes, as the receive path hands them over.
        for (qsizetype i = all.size(), k = 0; i > 0; i -= 97, ++k) {
            const QString message = all.mid(std::max<qsizetype>(0, i - 97), std::min<qsizetype>(97, i));
            if (k % 2)
                store.prependBytes(toAnsi(message));
            else
                store.prepend(message);
        }
        QCOMPARE(store.text(), all);
        // One byte per character: nothing of it went wide.
        QVERIFY2(store.memoryUsed() < all.size() * 3 / 2, qPrintable(QString::number(store.memoryUsed())));
        store.replace(0, all.size(), QString());
        QVERIFY(store.isEmpty());
        QCOMPARE(store.lineCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReceivedStore)
#include "test_receivedstore.moc"
