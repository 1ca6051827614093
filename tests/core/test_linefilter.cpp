// The live filter against a plain model: the document as one string, cut
// into lines, each line tested alone; through messages put in front, edits,
// clears and new patterns, with the work read in small pieces.
#include "core/base/codec.h"
#include "core/stream/linefilter.h"
#include "core/document/receivedstore.h"
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace kestrum;

namespace {

struct Filter {
    QString text;
    bool matchCase, regex, notMatching;
};

// The starts of the lines that match, top first.
QList<qsizetype> modelLines(const QString &doc, const Filter &f)
{
    const QRegularExpression re(f.regex ? f.text : QString(), f.matchCase ? QRegularExpression::NoPatternOption
                                                                          : QRegularExpression::CaseInsensitiveOption);
    QList<qsizetype> out;
    for (qsizetype start = 0; start < doc.size();) {
        qsizetype end = start;
        while (end < doc.size() && doc[end] != QLatin1Char('\r') && doc[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = QStringView(doc).sliced(start, end - start);
        bool match = false;
        if (f.regex) {
            for (auto it = re.globalMatch(line); it.hasNext() && !match;)
                match = it.next().capturedLength() > 0;
        } else {
            match = line.contains(f.text, f.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
        }
        if (match != f.notMatching)
            out << start;
        start = end + (doc.mid(end, 2) == QLatin1String("\r\n") ? 2 : 1);
    }
    return out;
}

QString message(QRandomGenerator &r)
{
    static const char *const parts[] = {"bro", "ERR 4", "err", "\xD1\xE1\xEE\xE9", "\xF1\xE1", "\xEE\xE9\r", "\n",
                                        "x y", "ooo", "\r\n", "o 4", "12"};
    QString s;
    for (int i = int(r.bounded(0, 6)); i > 0; --i)
        s += r.bounded(20) ? fromAnsi(parts[r.bounded(int(std::size(parts)))]) : QString(600, QLatin1Char('z'));
    return s;
}

} // namespace

class LineFilterTest : public QObject {
    Q_OBJECT
private slots:
    void againstAPlainModel()
    {
        static const Filter filters[] = {{"err", false, false, false},   {"ERR", true, false, false},
                                         {"сбой", false, false, false},  {"o 4", false, false, true},
                                         {"\\d+", false, true, false},    {"^x", true, true, true},
                                         {"[a-z]+$", false, true, false}, {"ооо", false, false, true},
                                         {"o", false, false, false},      {"z{600}", true, true, false}};
        QRandomGenerator r(33);
        ReceivedStore store;
        LineFilter f(store);
        Filter now{"zzz", false, false, true};
        const auto check = [&] {
            QTRY_VERIFY(f.isDone());
            QVERIFY(!f.isBusy());
            const QList<qsizetype> expected = modelLines(store.text(), now);
            QList<qsizetype> got;
            for (qsizetype i = 0; i < f.count(); ++i)
                got << f.lineStart(i);
            QCOMPARE(got, expected);
            const qsizetype pos = r.bounded(store.size() + 1);
            QCOMPARE(f.countAbove(pos), std::lower_bound(expected.begin(), expected.end(), pos) - expected.begin());
        };
        // The edges first: a last line without a break, an empty top line
        // that a CR put in front makes part of a CR LF; then matches too few
        // to read their piece whole, far into long lines.
        for (const char *text : {"abc", "\n", "x\r"}) {
            store.prepend(QString::fromLatin1(text));
            if (store.size() == 3)
                f.setPattern(SearchPattern(now.text, now.matchCase, now.regex), now.notMatching);
            else
                f.documentGrew();
            check();
            if (QTest::currentTestFailed())
                return;
        }
        store.prepend(QString(9000, QLatin1Char('z')) + QLatin1String("\r\nabc\n") + QString(9000, QLatin1Char('z')));
        now = {QStringLiteral("z$"), true, true, false};
        f.setPieceSize(100000);
        f.setPattern(SearchPattern(now.text, now.matchCase, now.regex), now.notMatching);
        check();
        size_t changes = 0;
        for (int step = 0; step < 600; ++step) {
            const int what = int(r.bounded(100));
            if (what < 60) {
                store.prepend(message(r) + QLatin1String("\r\n"));
                f.documentGrew();
            } else if (what < 66) {
                // Text put in front that the line below runs on into.
                store.prepend(message(r) + QLatin1String(r.bounded(2) ? "\r" : "x"));
                f.documentGrew();
            } else if (what < 78) {
                const qsizetype pos = r.bounded(store.size() + 1);
                store.replace(pos, r.bounded(std::min<qsizetype>(store.size() - pos, 12) + 1), message(r));
                f.documentChanged();
            } else if (what < 81) {
                store.clear();
                f.documentChanged();
            } else if (what < 90) {
                // Every pattern with every size of piece in turn: small ones,
                // ones read whole at the first match, ones whose few matches
                // are looked at alone.
                static const qsizetype pieces[] = {7, 64, 4096, 100000};
                now = filters[changes % std::size(filters)];
                f.setPieceSize(pieces[changes / std::size(filters) % std::size(pieces)]);
                ++changes;
                f.setPattern(SearchPattern(now.text, now.matchCase, now.regex), now.notMatching);
            } else {
                check();
            }
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(LineFilterTest)
#include "test_linefilter.moc"
