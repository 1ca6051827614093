// Escape sequences of a line as the box shows them, the attributes carried
// from line to line, and the marks of where messages begin.
#include "core/base/codec.h"
#include "core/stream/messagemarks.h"
#include "core/stream/sgr.h"
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

using namespace kestrum;

namespace {

// '~' stands for ESC in the tables.
QString esc(QString s) { return s.replace(QLatin1Char('~'), QChar(0x1B)); }

QString name(const SgrAttributes &a)
{
    auto colour = [](SgrColour c) {
        return c.isPalette() ? QStringLiteral("p%1").arg(c.index())
                             : QStringLiteral("#%1").arg(c.toRgb(), 6, 16, QLatin1Char('0'));
    };
    QString s = a.bold ? QStringLiteral("b") : QString();
    if (!a.text.isDefault())
        s += colour(a.text);
    if (!a.back.isDefault())
        s += QLatin1Char('/') + colour(a.back);
    return s;
}

// The shown text with <attributes> where each run begins.
QString describe(const SgrLine &l)
{
    QString out;
    qsizetype done = 0;
    for (const SgrLine::Run &r : l.runs) {
        out += l.text.mid(done, r.start - done);
        done = r.start;
        if (r.start > 0 || !r.attributes.isDefault())
            out += QLatin1Char('<') + name(r.attributes) + QLatin1Char('>');
    }
    return out + l.text.mid(done);
}

QString whole(const SgrLine &l)
{
    QString s = describe(l) + QLatin1Char('|') + name(l.end);
    for (const SgrLine::Jump &j : l.jumps)
        s += QStringLiteral(" %1>%2").arg(j.shown).arg(j.source);
    return s;
}

} // namespace

class SgrTest : public QObject {
    Q_OBJECT
private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("before");  // sequences of the lines above
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("end");
        const QString digits64 = QStringLiteral("~[") + QString(61, QLatin1Char('0')) + QLatin1Char('m');
        const QString digits65 = QStringLiteral("~[") + QString(62, QLatin1Char('0')) + QLatin1Char('m');
        const QString osc256 = QStringLiteral("~]0;") + QString(251, QLatin1Char('t')) + QLatin1Char('\a');
        const QString osc257 = QStringLiteral("~]0;") + QString(252, QLatin1Char('t')) + QLatin1Char('\a');
        struct Row {
            const char *name;
            QString before, line, shown, end;
        };
        const Row rows[] = {
            {"no sequences", "", "plain text", "plain text", ""},
            {"a logged error", "", "~[0;31mE (123) wifi: fail~[0m", "<p1>E (123) wifi: fail", ""},
            {"carried on", "", "~[1;32mgo", "<bp2>go", "bp2"},
            {"from the line above", "~[33m", "ab~[0mc", "<p3>ab<>c", ""},
            {"each reset alone", "", "~[31;44mx~[39my~[49mz", "<p1/p4>x</p4>y<>z", ""},
            {"bold off", "", "~[1mx~[22my", "<b>x<>y", ""},
            {"empty is a reset", "~[31m", "x~[my", "<p1>x<>y", ""},
            {"reset amid others", "", "~[31;0;1mx", "<b>x", "b"},
            {"bright", "", "~[91;101mx", "<p9/p9>x", "p9/p9"},
            {"256 colours", "", "~[38;5;208mx~[48;5;17my", "<p208>x<p208/p17>y", "p208/p17"},
            {"24-bit", "", "~[38;2;255;128;0mx", "<#ff8000>x", "#ff8000"},
            {"24-bit, colons", "", "~[38:2::10:20:30mx~[48:2:1:2:3my", "<#0a141e>x<#0a141e/#010203>y",
             "#0a141e/#010203"},
            {"256, colons", "", "~[48:5:3mx", "</p3>x", "/p3"},
            {"colour out of range", "~[32m", "~[38;5;300mx", "<p2>x", "p2"},
            {"colour cut short", "", "~[1;38;5mx", "<b>x", "b"},
            {"same again, one run", "", "~[31mx~[31my", "<p1>xy", "p1"},
            {"only sequences", "", "~[31m~[0m", "", ""},
            {"cursor and erase hidden", "", "a~[2Kb~[10;20Hc~[?25ld", "abcd", ""},
            {"private marker is not SGR", "", "~[?1mx~[>4;2my", "xy", ""},
            {"intermediate byte", "", "~[1 qx", "x", ""},
            {"title ended by BEL", "", "~]0;title\atext", "text", ""},
            {"link ended by ESC \\", "", "~]8;;http://x/~\\link~]8;;~\\", "link", ""},
            {"lone ESC", "", "a~b~(Bc", "a~b~(Bc", ""},
            {"ESC at the end", "", "ab~", "ab~", ""},
            {"control inside", "", "~[31\x01mx", "~[31\x01mx", ""},
            {"unended at the end", "", "ab~[31", "ab~[31", ""},
            {"unended title", "", "~]0;title", "~]0;title", ""},
            {"title cut by a sequence", "", "~]0;t~[31mx", "~]0;t<p1>x", "p1"},
            {"longest CSI", "", digits64 + "x", "x", ""},
            {"CSI too long", "", digits65 + "x", digits65 + "x", ""},
            {"longest OSC", "", osc256 + "x", "x", ""},
            {"OSC too long", "", osc257 + "x", osc257 + "x", ""},
        };
        for (const Row &r : rows)
            QTest::newRow(r.name) << esc(r.before) << esc(r.line) << esc(r.shown) << r.end;
    }

    // Also when the line comes in two pieces cut anywhere, or one character
    // at a time; every shown character maps to its own in the line.
    void lines()
    {
        QFETCH(QString, before);
        QFETCH(QString, line);
        QFETCH(QString, shown);
        QFETCH(QString, end);
        const SgrAttributes start = sgrAfter(before);
        const SgrLine l = parseSgrLine(line, start);
        QCOMPARE(describe(l), shown);
        QCOMPARE(name(l.end), end);
        for (qsizetype i = 0; i <= l.text.size(); ++i) {
            const qsizetype s = l.toSource(i);
            if (i < l.text.size())
                QCOMPARE(line.at(s), l.text.at(i));
            else
                QCOMPARE(s, line.size());
            QCOMPARE(l.toShown(s), i);
        }
        for (qsizetype s = 0; s < line.size(); ++s)
            QVERIFY(l.toSource(l.toShown(s)) >= s);
        for (qsizetype cut = 0; cut <= line.size(); ++cut) {
            SgrParser p(start);
            p.feed(QStringView(line).first(cut));
            p.feed(QStringView(line).sliced(cut));
            QCOMPARE(whole(p.finish()), whole(l));
        }
        SgrParser p(start);
        for (QChar c : line)
            p.feed(QStringView(&c, 1));
        QCOMPARE(whole(p.finish()), whole(l));
    }

    void codePageBytes()
    {
        const SgrLine l = parseSgrLine(QByteArrayView("\x1b[31m\xcf\xf0\xe8\x9b""31m"));
        QCOMPARE(describe(l), fromAnsi("\xcf\xf0\xe8\x9b""31m").prepend(QStringLiteral("<p1>")));
    }

    void lookBack_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("ownMessage");  // the last line begins a message
        QTest::addColumn<QString>("attributes");
        QTest::newRow("a message of its own") << esc("~[31ma\r\nb") << true << "";
        QTest::newRow("after a reset") << esc("~[44m\r~[0;31ma\r\n~[1mb\r\nc") << false << "bp1";
        QTest::newRow("settled without a reset") << esc("~[4;2m~[1;38;5;1;48;5;2mA\r\nB") << false << "bp1/p2";
        QTest::newRow("out of reach")
            << esc("~[31m") + QString(kSgrLookBack, QLatin1Char('x')) + QStringLiteral("\r\nline") << false << "";
    }

    void lookBack()
    {
        QFETCH(QString, document);
        QFETCH(bool, ownMessage);
        QFETCH(QString, attributes);
        const qsizetype last = document.lastIndexOf(QRegularExpression(QStringLiteral("[\r\n]"))) + 1;
        const auto read = [&](qsizetype pos, qsizetype count) { return document.mid(pos, count); };
        QCOMPARE(name(sgrAttributesAt(last, ownMessage ? last : -1, read)), attributes);
    }

    // Against parsing every line from the top, on random lines.
    void lookBackAgreesWithParsingAll()
    {
        static const char *const pieces[] = {"~[0m", "~[31m", "~[1m", "~[22m", "~[44m", "~[38;5;9m", "~[m",
                                             "~[2K", "~]0;t\a", "~[3", "~", "\x9b", "text ", "~[0;1;32m"};
        QRandomGenerator r(33);
        QString doc;
        for (int line = 0; line < 300; ++line) {
            for (int k = int(r.bounded(4)); k >= 0; --k)
                doc += esc(QLatin1String(pieces[r.bounded(int(std::size(pieces)))]));
            doc += QLatin1String(r.bounded(3) == 0 ? "\n" : r.bounded(2) ? "\r" : "\r\n");
        }
        SgrAttributes carried;
        const auto read = [&](qsizetype pos, qsizetype count) { return doc.mid(pos, count); };
        for (qsizetype start = 0; start < doc.size();) {
            QCOMPARE(name(sgrAttributesAt(start, -1, read)), name(carried));
            qsizetype end = start;
            while (doc[end] != QLatin1Char('\r') && doc[end] != QLatin1Char('\n'))
                ++end;
            carried = parseSgrLine(QStringView(doc).sliced(start, end - start), carried).end;
            start = end + (doc.mid(end, 2) == QLatin1String("\r\n") ? 2 : 1);
        }
    }

    // Marks against their top positions kept the plain way, through
    // messages, edits and clears.
    void messageMarks()
    {
        QRandomGenerator r(7);
        MessageMarks marks;
        std::vector<qsizetype> model;  // ascending top positions
        qsizetype size = 0;
        for (int step = 0; step < 3000; ++step) {
            const int what = int(r.bounded(100));
            if (what < 70) {
                const qsizetype length = r.bounded(1, 40);
                for (qsizetype &q : model)
                    q += length;
                if (size > 0 && (model.empty() || model.front() != length))
                    model.insert(model.begin(), length);
                model.insert(model.begin(), 0);
                size += length;
                marks.put(length, size);
            } else if (what < 99) {
                const qsizetype pos = r.bounded(size + 1), count = r.bounded(std::min<qsizetype>(size - pos, 60) + 1);
                const qsizetype added = r.bounded(20);
                std::vector<qsizetype> next;
                for (qsizetype q : model)
                    if (q <= pos)
                        next.push_back(q);
                    else if (q >= pos + count)
                        next.push_back(q + added - count);
                marks.replaced(pos, count, added, size);
                model = next;
                size += added - count;
            } else {
                marks.clear();
                model.clear();
                size = 0;
            }
            for (int k = 0; k < 5; ++k) {
                const qsizetype pos = r.bounded(size + 1);
                const auto it = std::upper_bound(model.begin(), model.end(), pos);
                QCOMPARE(marks.startAtOrAbove(pos, size), it == model.begin() ? -1 : *std::prev(it));
            }
        }
    }
};

QTEST_GUILESS_MAIN(SgrTest)
#include "test_sgr.moc"
