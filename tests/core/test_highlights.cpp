// Highlight rules: the ranges a line gets, the first rule winning, and the
// rules kept in the settings file.
#include "core/stream/highlights.h"
#include "core/settings/settings.h"
#include "support/testenv.h"
#include <QRandomGenerator>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// "flags:expression", flags from r (expression), c (match case), x (not
// enabled), n (no colour).
std::vector<HighlightRule> rulesOf(const QStringList &specs)
{
    std::vector<HighlightRule> rules;
    for (const QString &s : specs) {
        const QString flags = s.section(QLatin1Char(':'), 0, 0);
        HighlightRule r{s.section(QLatin1Char(':'), 1), flags.contains(QLatin1Char('r')),
                        flags.contains(QLatin1Char('c')), !flags.contains(QLatin1Char('n')), 0xFF0000, false, 0,
                        !flags.contains(QLatin1Char('x'))};
        rules.push_back(r);
    }
    return rules;
}

// Which rule colours each character, -1 for none.
std::vector<int> owners(const Highlighter &h, const QString &line)
{
    std::vector<Highlighter::Range> ranges;
    h.apply(line, ranges);
    std::vector<int> o(size_t(line.size()), -1);
    for (const auto &r : ranges)
        for (qsizetype k = r.start; k < r.start + r.length; ++k)
            o[size_t(k)] = r.rule;
    return o;
}

} // namespace

class HighlightsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { resetProgramState(); }

    void ranges_data()
    {
        QTest::addColumn<QStringList>("rules");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("ranges");  // start+length:rule
        QTest::newRow("first wins, the rest after it")
            << QStringList{"r:E\\w+", ":ERROR and"} << "An ERROR and" << "3+5:0 8+4:1";
        QTest::newRow("a later rule around an earlier")
            << QStringList{":and", ":ERROR and an"} << "An ERROR and an" << "3+6:1 9+3:0 12+3:1";
        QTest::newRow("alternatives stay in their rule") << QStringList{":zz", "r:warn|err"} << "err warn" << "0+3:1 4+4:1";
        QTest::newRow("empty matches colour nothing") << QStringList{"r:x*"} << "abc" << "";
        QTest::newRow("not enabled") << QStringList{"x:error", "n:error"} << "error" << "";
        QTest::newRow("an invalid expression is skipped") << QStringList{"r:(", ":ok"} << "ok" << "0+2:1";
        QTest::newRow("Cyrillic, any case") << QStringList{":ошибка"} << "ОШИБКА" << "0+6:0";
        QTest::newRow("back references") << QStringList{"r:(a)\\1", "r:(b)\\1"} << "xbb" << "1+2:1";
        QTest::newRow("the same group name") << QStringList{"r:(?<n>a)", "r:(?<n>b)"} << "ab" << "0+1:0 1+1:1";
        QTest::newRow("the whole line taken") << QStringList{":abc", "r:."} << "abc" << "0+3:0";
    }

    void ranges()
    {
        QFETCH(QStringList, rules);
        QFETCH(QString, line);
        QFETCH(QString, ranges);
        std::vector<Highlighter::Range> out;
        Highlighter(rulesOf(rules)).apply(line, out);
        QStringList got;
        for (const auto &r : out)
            got << QStringLiteral("%1+%2:%3").arg(r.start).arg(r.length).arg(r.rule);
        QCOMPARE(got.join(QLatin1Char(' ')), ranges);
    }

    // Against each rule matched on its own, character by character.
    void sameAsEachRuleAlone()
    {
        const QStringList specs{":err", "r:\\d{2,}", "c:OK", "r:w[a-z]+", ":rn 4", "r:^I", "r:(?i)E\\b", ":5 w"};
        const Highlighter h(rulesOf(specs));
        static const char *const words[] = {"err", "ERR", "12", "4", "OK", "ok", "warn", "I", "E", " ", "x5", "wx"};
        QRandomGenerator r(3);
        for (int n = 0; n < 500; ++n) {
            QString line;
            for (int k = int(r.bounded(1, 12)); k > 0; --k)
                line += QLatin1String(words[r.bounded(int(std::size(words)))]);
            std::vector<int> expected(size_t(line.size()), -1);
            for (int i = 0; i < specs.size(); ++i) {
                const HighlightRule &rule = h.rules()[size_t(i)];
                const QRegularExpression e(rule.regex ? rule.expression : QRegularExpression::escape(rule.expression),
                                           rule.matchCase ? QRegularExpression::NoPatternOption
                                                          : QRegularExpression::CaseInsensitiveOption);
                for (auto it = e.globalMatch(line); it.hasNext();) {
                    const QRegularExpressionMatch m = it.next();
                    for (qsizetype k = m.capturedStart(); k < m.capturedEnd(); ++k)
                        if (expected[size_t(k)] < 0)
                            expected[size_t(k)] = i;
                }
            }
            QVERIFY2(owners(h, line) == expected, qPrintable(line));
        }
    }

    void keptInTheSettings()
    {
        QCOMPARE(highlightRules(), readyHighlightRules());
        for (const HighlightRule &r : readyHighlightRules())
            QVERIFY(!r.enabled);
        std::vector<HighlightRule> rules{
            {QStringLiteral("\"a\",\\b=[x]"), true, true, true, 0x123456, true, 0xABCDEF, true},
            {QStringLiteral("сбой"), false, false, false, 0xFF0000, true, 0x00FF00, false}};
        storeHighlightRules(rules);
        QCOMPARE(highlightRules(), rules);
        storeHighlightRules({});
        QVERIFY(highlightRules().empty());
        deleteAllSettings();
        QCOMPARE(highlightRules(), readyHighlightRules());
        writeSetting(QStringLiteral("Highlights"), QStringLiteral("Rules"),
                     QStringLiteral(R"([{"expression":"x","textOn":true,"text":"red"},{"regex":true}])"));
        const std::vector<HighlightRule> edited = highlightRules();
        QCOMPARE(edited.size(), size_t(1));
        QVERIFY(!edited[0].textOn);
    }
};

KESTRUM_TEST_MAIN(HighlightsTest)
#include "test_highlights.moc"
