// Find and count in the received document against a plain model: the
// document as one string, searched with QString and, for expressions, line
// by line.
#include "core/base/codec.h"
#include "core/document/receivedstore.h"
#include "core/search/search.h"
#include "core/search/searcher.h"
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace kestrum;

namespace {

// Every match the plain way: non-overlapping from the top for counting,
// and every place at all for finding (plain text may overlap).
struct Model {
    QList<SearchHit> chain;   // what is counted
    QList<SearchHit> places;  // what Find Next can land on
};

Model modelOf(const QString &doc, const QString &text, bool matchCase, bool regex)
{
    Model m;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!regex) {
        for (qsizetype i = doc.indexOf(text, 0, cs); i >= 0; i = doc.indexOf(text, i + 1, cs))
            m.places.append({i, text.size()});
        for (qsizetype i = doc.indexOf(text, 0, cs); i >= 0; i = doc.indexOf(text, i + text.size(), cs))
            m.chain.append({i, text.size()});
        return m;
    }
    const QRegularExpression re(text, matchCase ? QRegularExpression::NoPatternOption
                                                : QRegularExpression::CaseInsensitiveOption);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= doc.size(); ++i) {
        if (i < doc.size() && doc[i] != QLatin1Char('\r') && doc[i] != QLatin1Char('\n'))
            continue;
        for (auto it = re.globalMatch(QStringView(doc).mid(start, i - start)); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() > 0)
                m.chain.append({start + match.capturedStart(), match.capturedLength()});
        }
        if (i + 1 < doc.size() && doc[i] == QLatin1Char('\r') && doc[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    m.places = m.chain;
    return m;
}

FindResult modelFind(const Model &m, qsizetype from, SearchDirection d)
{
    if (m.places.isEmpty())
        return {};
    if (d == SearchDirection::Down) {
        for (const SearchHit &h : m.places)
            if (h.pos >= from)
                return {h, false};
        return {m.places.first(), true};
    }
    for (auto it = m.places.rbegin(); it != m.places.rend(); ++it)
        if (it->end() <= from)
            return {*it, false};
    return {m.places.last(), true};
}

// Messages rich in what is easy to get wrong: the word split between
// messages, every kind of line break, Cyrillic in both cases, a character
// the code page lacks.
QString message(QRandomGenerator &r)
{
    static const QStringList parts{QStringLiteral("bro"), QStringLiteral("wn-out"), QStringLiteral("BROWN-OUT "),
                                   QStringLiteral("ERR"), QStringLiteral("OR 42"), QStringLiteral("err 7\r\n"),
                                   QStringLiteral("Сбой"), QStringLiteral(" СБОЙ"), QStringLiteral("сб"),
                                   QStringLiteral("ой\r"), QStringLiteral("\n"), QStringLiteral("x y z"), QStringLiteral("ooo"),
                                   QStringLiteral("✓")};
    QString s;
    for (int i = int(r.bounded(1, 5)); i > 0; --i)
        s += parts[int(r.bounded(int(parts.size())))];
    return s;
}

void put(ReceivedStore &store, QString &doc, const QString &text, bool asBytes)
{
    if (asBytes && fitsAnsi(text))
        store.prependBytes(toAnsi(text));
    else
        store.prepend(text);
    doc.prepend(text);
}

QString describe(const FindResult &r)
{
    return QStringLiteral("%1+%2%3").arg(r.hit.pos).arg(r.hit.length).arg(r.wrapped ? QStringLiteral(" wrapped") : QString());
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void findsAndCountsAsTheModel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<int>("size");  // characters of the document, about
        QTest::newRow("word, any case") << QStringLiteral("brown-out") << false << false << 3000;
        QTest::newRow("word, match case") << QStringLiteral("BROWN-OUT") << true << false << 3000;
        QTest::newRow("overlapping") << QStringLiteral("oo") << false << false << 2000;
        QTest::newRow("Cyrillic, any case") << QStringLiteral("сБОй") << false << false << 3000;
        QTest::newRow("Cyrillic, match case") << QStringLiteral("Сбой") << true << false << 3000;
        QTest::newRow("across a line break") << QStringLiteral("7\r\nс") << true << false << 3000;
        QTest::newRow("expression") << QStringLiteral("ERR(OR)? [0-9]+") << false << true << 3000;
        QTest::newRow("expression, match case") << QStringLiteral("ERR(OR)? [0-9]+") << true << true << 3000;
        QTest::newRow("expression, anchored") << QStringLiteral("^\\S+$") << false << true << 3000;
        QTest::newRow("expression, Cyrillic") << QStringLiteral("с[б]ой") << false << true << 3000;
        QTest::newRow("expression reaching for the break") << QStringLiteral("7\\s*") << false << true << 3000;
        QTest::newRow("expression, no literal part") << QStringLiteral("[A-Z]+ ?\\d") << false << true << 3000;
        QTest::newRow("expression looking ahead") << QStringLiteral("\\d(?!\\S)") << true << true << 3000;
        // Past the reading block (1 MiB): matches across its edges.
        QTest::newRow("word, long document") << QStringLiteral("brown-out") << false << false << 2'300'000;
        QTest::newRow("expression, long document") << QStringLiteral("ERR(OR)? [0-9]+") << false << true
                                                   << 2'300'000;
        QTest::newRow("expression, no literal part, long document") << QStringLiteral("R\\s*\\d+") << false << true
                                                                   << 2'300'000;
    }

    void findsAndCountsAsTheModel()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, regex);
        QFETCH(int, size);
        const SearchPattern pattern(text, matchCase, regex);
        QVERIFY(pattern.isValid());
        for (quint32 seed = 1; seed <= (size > 100'000 ? 1u : 3u); ++seed) {
            QRandomGenerator r(seed);
            ReceivedStore store;
            QString doc;
            // A long document in fewer, longer messages: its matches lie
            // across the reading block's edges rather than messages'.
            while (doc.size() < size) {
                QString m = message(r);
                while (size > 100'000 && m.size() < 4000)
                    m += message(r).remove(QChar(0x2713));
                put(store, doc, m, r.bounded(2));
            }
            const auto snap = store.snapshot();
            const Model m = modelOf(doc, text, matchCase, regex);
            QVERIFY(!m.chain.isEmpty());
            const CountResult c = countMatches(*snap, pattern, doc.size() / 2);
            QVERIFY(c.complete);
            QCOMPARE(c.total, m.chain.size());
            QCOMPARE(c.upToMark, std::count_if(m.chain.begin(), m.chain.end(),
                                               [&](const SearchHit &h) { return h.pos <= doc.size() / 2; }));
            // From the ends, the reading block's edges (1 MiB), and around
            // some of the matches.
            QList<qsizetype> froms{0, doc.size()};
            for (qsizetype edge = 1 << 20; edge < doc.size(); edge += 1 << 20)
                froms << edge - 9 << edge - 1 << edge << edge + 1;
            for (qsizetype i = 0; i < m.places.size(); i += std::max<qsizetype>(10, m.places.size() / 12))
                froms << m.places[i].pos << m.places[i].pos + 1 << m.places[i].end() << m.places[i].end() - 1;
            for (const qsizetype from : froms)
                for (const SearchDirection d : {SearchDirection::Down, SearchDirection::Up}) {
                    const FindResult got = findNext(*snap, pattern, from, d);
                    const FindResult want = modelFind(m, from, d);
                    QVERIFY2(got.hit.pos == want.hit.pos && got.hit.length == want.hit.length
                                 && got.wrapped == want.wrapped,
                             qPrintable(QStringLiteral("seed %1, from %2 %3: %4, not %5")
                                            .arg(seed).arg(from).arg(d == SearchDirection::Down ? "down" : "up",
                                                                     describe(got), describe(want))));
                }
        }
    }

    void edgesOfTheDocumentAndLongLines_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("regex");
        const QString filler = QString(3'000'000, QLatin1Char('a'));
        QTest::newRow("first and last byte") << QStringLiteral("Xab\r\nabX") << QStringLiteral("x") << false;
        QTest::newRow("whole document") << QStringLiteral("abc") << QStringLiteral("ABC") << false;
        QTest::newRow("expression at both ends") << QStringLiteral("7ab\r\nab7") << QStringLiteral("\\d") << true;
        // The lines are first matched joined: "7\r\n4" is met there, "42" counts.
        QTest::newRow("expression over two lines") << QStringLiteral("7\r\n42\r\n") << QStringLiteral("\\d\\s*\\d") << true;
        QTest::newRow("end of a long line") << filler + QStringLiteral("Zz\r\nz") << QStringLiteral("zz") << false;
        QTest::newRow("expression, long line")
            << QStringLiteral("z\n") + filler + QStringLiteral("b12") << QStringLiteral("[b-z]\\d+") << true;
        // Escapes take arguments; a POSIX class has a ']' of its own.
        QTest::newRow("escape with an argument") << QStringLiteral("xyzABC\r\nabc") << QStringLiteral("\\x41BC") << true;
        QTest::newRow("POSIX class") << QStringLiteral("t=5ms\r\n") << QStringLiteral("[[:digit:]]ms") << true;
        QTest::newRow("terminal colour") << QStringLiteral("\x1b[31mred\r\n") << QStringLiteral("\\x1b\\[31m") << true;
    }

    void edgesOfTheDocumentAndLongLines()
    {
        QFETCH(QString, doc);
        QFETCH(QString, text);
        QFETCH(bool, regex);
        ReceivedStore store;
        store.prepend(doc);
        const SearchPattern pattern(text, false, regex);
        const Model m = modelOf(doc, text, false, regex);
        const auto snap = store.snapshot();
        QCOMPARE(countMatches(*snap, pattern, -1).total, m.chain.size());
        for (const qsizetype from : {qsizetype(0), doc.size() / 2, doc.size()})
            for (const SearchDirection d : {SearchDirection::Down, SearchDirection::Up}) {
                const FindResult got = findNext(*snap, pattern, from, d);
                QCOMPARE(describe(got), describe(modelFind(m, from, d)));
            }
    }

    // The lines an expression's required text narrows the search to are
    // never fewer than those the expression matches: generated expressions
    // (escapes with arguments, classes, groups, quantifiers, alternatives)
    // against the expression engine line by line.
    void generatedExpressionsMatchAsTheEngine_data()
    {
        QTest::addColumn<bool>("matchCase");
        QTest::newRow("any case") << false;
        QTest::newRow("match case") << true;
    }

    void generatedExpressionsMatchAsTheEngine()
    {
        QFETCH(bool, matchCase);
        static const char *const atoms[] = {
            "a", "B", "1", "Ж", "x", ":", " ", "ab", "AB", "\\x41", "\\x{62}", "\\x4", "\\101", "\\0", "\\01",
            "\\cA", "\\o{102}", "\\N{U+41}", "\\N", "\\p{Lu}", "\\pL", "\\d", "\\w", "\\s", "\\.", "\\[", "\\]",
            "\\\\", "[[:digit:]]", "[[:alpha:]x]", "[^[:space:]]", "[]a]", "[^]b]", "[a-c]", "[\\]x]", "[:a]", "[\\x41-\\x43]",
            ".", "^", "$", "\\b", "(a|b)", "(?:ab)", "(?=a)", "(?!1)", "(?<=a)", "(?#c)", "(?<n>a)", "\\g{-1}", "\\k<n>",
            "(?i)", "\\Qa.\\E", "{", "}", "{1}a", "]", "#", "\\1",
        };
        static const char *const quantifiers[] = {"", "", "", "", "?", "*", "+", "{0}", "{2}", "{1,2}", "{,2}", "{ 1 }", "+?", "*+"};
        QRandomGenerator r(29);
        const QString chars = QStringLiteral("aAbB1 :xЖж[]{}.#\\\x01\t");
        QString doc;
        for (int line = 0; line < 60; ++line) {
            for (int k = int(r.bounded(12)); k > 0; --k)
                doc += chars[int(r.bounded(int(chars.size())))];
            doc += QStringList{QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")}[int(r.bounded(3))];
        }
        ReceivedStore store;
        store.prepend(doc);
        const auto snap = store.snapshot();
        int compared = 0;
        for (int i = 0; i < 4000; ++i) {
            QString text;
            for (int k = int(r.bounded(1, 6)); k > 0; --k) {
                if (r.bounded(10) == 0)
                    text += QLatin1Char('|');
                text += QString::fromUtf8(atoms[r.bounded(int(std::size(atoms)))]);
                text += QLatin1String(quantifiers[r.bounded(int(std::size(quantifiers)))]);
            }
            const SearchPattern pattern(text, matchCase, true);
            if (!pattern.isValid())
                continue;
            ++compared;
            const Model m = modelOf(doc, text, matchCase, true);
            const FindResult first = findNext(*snap, pattern, 0, SearchDirection::Down);
            QVERIFY2(countMatches(*snap, pattern, -1).total == m.chain.size()
                         && first.hit.pos == (m.chain.isEmpty() ? -1 : m.chain.first().pos),
                     qPrintable(text));
        }
        QVERIFY(compared > 2000);
    }

    void nothingToFind_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<bool>("valid");
        QTest::newRow("absent") << QStringLiteral("brown-out") << false << true;
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("bad expression") << QStringLiteral("ERR(") << true << false;
        QTest::newRow("empty matches only") << QStringLiteral("q*") << true << true;
    }

    void nothingToFind()
    {
        QFETCH(QString, text);
        QFETCH(bool, regex);
        QFETCH(bool, valid);
        const SearchPattern pattern(text, false, regex);
        QCOMPARE(pattern.isValid(), valid);
        QCOMPARE(pattern.errorString().isEmpty(), !regex || valid);
        ReceivedStore store;
        store.prepend(QStringLiteral("power good\r\nok"));
        QVERIFY(!findNext(*store.snapshot(), pattern, 3, SearchDirection::Up).hit.found());
        QCOMPARE(countMatches(*store.snapshot(), pattern, 0).total, 0);
    }

    void searcherReportsLivePositionsWhileMessagesArrive()
    {
        ReceivedStore store;
        QString doc = QStringLiteral("boot\r\n") + QString(4'000'000, QLatin1Char('.')) + QStringLiteral("\r\nbrown-out\r\n");
        store.prepend(doc);
        Searcher searcher(store);
        QSignalSpy found(&searcher, &Searcher::found);
        QSignalSpy counted(&searcher, &Searcher::counted);
        QSignalSpy notFound(&searcher, &Searcher::notFound);
        const SearchPattern pattern(QStringLiteral("BROWN-OUT"), false, false);
        searcher.find(pattern, 0, SearchDirection::Down);
        // Newer messages while it searches: the match moves down by them.
        for (int i = 0; i < 50; ++i)
            store.prepend(QStringLiteral("brown-out %1\r\n").arg(i));
        QTRY_COMPARE(found.size(), 1);
        const SearchHit hit = found[0][0].value<SearchHit>();
        QCOMPARE(store.text(hit.pos, hit.length), QStringLiteral("brown-out"));
        QCOMPARE(store.text(hit.pos + hit.length, 2), QStringLiteral("\r\n"));
        // A dropped request says nothing; the one after it answers.
        searcher.count(pattern, hit.pos);
        searcher.cancel();
        QVERIFY(!searcher.isBusy());
        searcher.count(pattern, hit.pos);
        QTRY_COMPARE(counted.size(), 1);
        QCOMPARE(counted[0][0].value<qsizetype>(), 51);
        QCOMPARE(counted[0][1].value<qsizetype>(), 51);
        searcher.find(SearchPattern(QStringLiteral("absent"), true, false), 0, SearchDirection::Up);
        QTRY_COMPARE(notFound.size(), 1);
        QCOMPARE(found.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
