#include "ui/common/linelook.h"
#include "core/document/receivedstore.h"
#include <QColor>
#include <QFont>

namespace kestrum {

std::shared_ptr<const SgrLine> LineLook::parse(const ReceivedStore &store, qsizetype start, const QString &text,
                                               const SgrAttributes *carried) const
{
    if (!colours || text.size() > kLongestParsed)
        return nullptr;
    const auto read = [&store](qsizetype pos, qsizetype count) { return store.text(pos, count); };
    const SgrAttributes at = carried ? *carried : sgrAttributesAt(start, store.messageStart(start), read);
    // A line with no sequence of its own in the default colours is drawn as
    // it always was.
    if (at.isDefault() && !text.contains(QChar(0x1B)))
        return nullptr;
    return std::make_shared<const SgrLine>(parseSgrLine(QStringView(text), at));
}

QList<QTextLayout::FormatRange> LineLook::formats(const SgrLine *sgr, QStringView shown) const
{
    QList<QTextLayout::FormatRange> out;
    if (sgr) {
        for (size_t i = 0; i < sgr->runs.size(); ++i) {
            const SgrAttributes &a = sgr->runs[i].attributes;
            const qsizetype from = sgr->runs[i].start;
            const qsizetype to = i + 1 < sgr->runs.size() ? sgr->runs[i + 1].start : shown.size();
            if (a.isDefault() || to <= from)
                continue;
            QTextLayout::FormatRange r;
            r.start = int(from);
            r.length = int(to - from);
            if (!a.text.isDefault())
                r.format.setForeground(QColor::fromRgb(a.text.toRgb()));
            if (!a.back.isDefault())
                r.format.setBackground(QColor::fromRgb(a.back.toRgb()));
            if (a.bold)
                r.format.setFontWeight(QFont::Bold);
            out.append(r);
        }
    }
    if (highlighter && !highlighter->isEmpty()) {
        std::vector<Highlighter::Range> ranges;
        highlighter->apply(shown, ranges);
        for (const Highlighter::Range &h : ranges) {
            const HighlightRule &rule = highlighter->rules()[size_t(h.rule)];
            QTextLayout::FormatRange r;
            r.start = int(h.start);
            r.length = int(h.length);
            if (rule.textOn)
                r.format.setForeground(QColor::fromRgb(rule.text));
            if (rule.backOn)
                r.format.setBackground(QColor::fromRgb(rule.back));
            out.append(r);
        }
    }
    return out;
}

} // namespace kestrum
