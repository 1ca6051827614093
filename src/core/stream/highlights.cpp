#include "core/stream/highlights.h"
#include "core/settings/settings.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace kestrum {

namespace {

const QString kSection = QStringLiteral("Highlights");
const QString kKey = QStringLiteral("Rules");

// Whether an expression means the same as one alternative among others:
// not when it refers to groups by number or name (the numbers change),
// recurses, or opens with a verb that must stand first.
bool standsAmongOthers(const QString &pattern)
{
    static const QRegularExpression refers(
        QStringLiteral(R"(\\[1-9gkK]|\(\?(?:P[=>]|[&R|(+]|-?\d)|\(\*)"));
    return !pattern.contains(refers);
}

// Adds rule's colours over [start, start + length) wherever an earlier
// rule has not coloured already; out stays in order.
void cover(qsizetype start, qsizetype length, int rule, std::vector<Highlighter::Range> &out)
{
    const qsizetype end = start + length;
    auto it = std::partition_point(out.begin(), out.end(),
                                   [start](const Highlighter::Range &r) { return r.start + r.length <= start; });
    for (qsizetype at = start; at < end;) {
        if (it == out.end() || it->start >= end) {
            out.insert(it, {at, end - at, rule});
            return;
        }
        if (it->start > at) {
            it = out.insert(it, {at, it->start - at, rule});
            ++it;
        }
        at = std::max(at, it->start + it->length);
        ++it;
    }
}

// Without match case, plain text is compared in lower case, a character
// for a character.
void fold(char16_t *text, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        text[i] = c < 0x80 ? (c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c) : QChar::toLower(c);
    }
}

QString colourName(quint32 rgb) { return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')); }

// "#rrggbb"; false when the text is not one.
bool colourOf(const QJsonValue &v, quint32 &rgb)
{
    const QString s = v.toString();
    bool ok = false;
    const uint value = s.mid(1).toUInt(&ok, 16);
    if (s.size() != 7 || s[0] != QLatin1Char('#') || !ok)
        return false;
    rgb = value;
    return true;
}

} // namespace

bool HighlightRule::operator==(const HighlightRule &o) const
{
    return expression == o.expression && regex == o.regex && matchCase == o.matchCase && textOn == o.textOn
           && text == o.text && backOn == o.backOn && back == o.back && enabled == o.enabled;
}

Highlighter::Highlighter(std::vector<HighlightRule> rules) : m_rules(std::move(rules))
{
    QStringList alternatives;
    bool all = true;
    for (int i = 0; i < int(m_rules.size()); ++i) {
        const HighlightRule &r = m_rules[size_t(i)];
        if (!r.enabled || r.expression.isEmpty() || (!r.textOn && !r.backOn))
            continue;
        Compiled c{i, {}, !r.matchCase, QRegularExpression()};
        if (r.regex) {
            c.expression = QRegularExpression(r.expression, r.matchCase ? QRegularExpression::NoPatternOption
                                                                        : QRegularExpression::CaseInsensitiveOption);
            if (!c.expression.isValid())
                continue;
            c.expression.optimize();
            all = all && standsAmongOthers(r.expression);
            alternatives << (r.matchCase ? QStringLiteral("(?-i:") : QStringLiteral("(?i:")) + r.expression
                                + QLatin1Char(')');
        } else {
            c.plain = r.expression.toStdU16String();
            if (c.folded)
                fold(c.plain.data(), c.plain.size());
            m_folds = m_folds || c.folded;
        }
        m_compiled.push_back(std::move(c));
    }
    if (all && !alternatives.isEmpty()) {
        m_anyExpression = QRegularExpression(alternatives.join(QLatin1Char('|')));
        if (m_anyExpression.isValid())
            m_anyExpression.optimize();
    }
}

QString Highlighter::errorString(int rule) const
{
    const HighlightRule &r = m_rules.at(size_t(rule));
    if (!r.regex)
        return QString();
    const QRegularExpression e(r.expression);
    return e.isValid() ? QString() : e.errorString();
}

void Highlighter::apply(QStringView line, std::vector<Range> &out) const
{
    out.clear();
    if (m_compiled.empty() || line.isEmpty())
        return;
    const std::u16string_view exact(line.utf16(), size_t(line.size()));
    std::u16string folded;
    if (m_folds) {
        folded.assign(exact);
        fold(folded.data(), folded.size());
    }
    // Unknown until an expression is first due.
    enum { Unasked, None, Some } expressions = m_anyExpression.isValid() ? Unasked : Some;
    for (const Compiled &c : m_compiled) {
        if (!c.plain.empty()) {
            const std::u16string_view in = c.folded ? std::u16string_view(folded) : exact;
            const size_t len = c.plain.size();
            for (size_t i = in.find(c.plain); i != in.npos; i = in.find(c.plain, i + len))
                cover(qsizetype(i), qsizetype(len), c.rule, out);
        } else {
            if (expressions == Unasked)
                expressions = m_anyExpression.match(line).hasMatch() ? Some : None;
            if (expressions == None)
                continue;
            for (auto it = c.expression.globalMatch(line); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                if (m.capturedLength() > 0)
                    cover(m.capturedStart(), m.capturedLength(), c.rule, out);
            }
        }
        // The whole line coloured: later rules cannot change it.
        qsizetype coloured = 0;
        for (const Range &r : out)
            coloured += r.length;
        if (coloured == line.size())
            return;
    }
}

std::vector<HighlightRule> readyHighlightRules()
{
    HighlightRule error{QStringLiteral("error"), false, false, true, 0xFF3030, false, 0, false};
    HighlightRule warning{QStringLiteral("warning"), false, false, true, 0xFFD700, false, 0, false};
    return {error, warning};
}

std::vector<HighlightRule> highlightRules()
{
    const QString stored = readSetting(kSection, kKey, QString());
    const QJsonDocument doc = QJsonDocument::fromJson(stored.toUtf8());
    if (!doc.isArray())
        return readyHighlightRules();
    std::vector<HighlightRule> rules;
    for (const QJsonValue &v : doc.array()) {
        const QJsonObject o = v.toObject();
        HighlightRule r;
        r.expression = o.value(QLatin1String("expression")).toString();
        if (r.expression.isEmpty())
            continue;
        r.regex = o.value(QLatin1String("regex")).toBool();
        r.matchCase = o.value(QLatin1String("matchCase")).toBool();
        r.enabled = o.value(QLatin1String("enabled")).toBool(true);
        r.textOn = colourOf(o.value(QLatin1String("text")), r.text) && o.value(QLatin1String("textOn")).toBool();
        r.backOn = colourOf(o.value(QLatin1String("back")), r.back) && o.value(QLatin1String("backOn")).toBool();
        rules.push_back(r);
    }
    return rules;
}

void storeHighlightRules(const std::vector<HighlightRule> &rules)
{
    QJsonArray a;
    for (const HighlightRule &r : rules)
        a.append(QJsonObject{{QLatin1String("expression"), r.expression},
                             {QLatin1String("regex"), r.regex},
                             {QLatin1String("matchCase"), r.matchCase},
                             {QLatin1String("enabled"), r.enabled},
                             {QLatin1String("textOn"), r.textOn},
                             {QLatin1String("text"), colourName(r.text)},
                             {QLatin1String("backOn"), r.backOn},
                             {QLatin1String("back"), colourName(r.back)}});
    writeSetting(kSection, kKey, QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact)));
}

} // namespace kestrum
