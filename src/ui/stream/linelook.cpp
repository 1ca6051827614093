#include "ui/stream/linelook.h"
#include "core/document/receivedstore.h"
#include <QColor>
#include <QFont>
#include <algorithm>
#include <cstring>

namespace kestrum {

namespace {

// Whether an escape character comes in the message before the line, as far
// back as colours are looked for. Most devices print none: their lines are
// then known to begin in the default colours from the bytes alone, without
// making text of the tens of KB before each line drawn on its own.
bool escapeBefore(const ReceivedStore &store, qsizetype messageStart, qsizetype lineStart)
{
    qsizetype from = std::max({qsizetype(0), messageStart, lineStart - kSgrLookBack});
    char bytes[16 * 1024];
    while (from < lineStart) {
        const qsizetype got = store.readBytes(from, std::min<qsizetype>(sizeof bytes, lineStart - from), bytes);
        if (got <= 0)
            return true;
        if (std::memchr(bytes, 0x1B, size_t(got)))
            return true;
        from += got;
    }
    return false;
}

} // namespace

std::shared_ptr<const SgrLine> LineLook::parse(const ReceivedStore &store, qsizetype start, const QString &text,
                                               const SgrAttributes *carried) const
{
    if (!colours || text.size() > kLongestParsed)
        return nullptr;
    const auto read = [&store](qsizetype pos, qsizetype count) { return store.text(pos, count); };
    SgrAttributes at;
    if (carried)
        at = *carried;
    else if (const qsizetype from = store.messageStart(start); escapeBefore(store, from, start))
        at = sgrAttributesAt(start, from, read);
    // A line with no sequence of its own in the default colours is drawn as
    // it always was.
    if (at.isDefault() && !text.contains(QChar(0x1B)))
        return nullptr;
    return std::make_shared<const SgrLine>(parseSgrLine(QStringView(text), at));
}

QList<QTextLayout::FormatRange> LineLook::formats(const SgrLine *sgr, QStringView shown) const
{
    QList<QTextLayout::FormatRange> out;
    std::vector<Highlighter::Range> ranges;
    if (highlighter && !highlighter->isEmpty())
        highlighter->apply(shown, ranges);
    if (!sgr && ranges.empty())
        return out;
    // One range for each stretch that looks the same, none overlapping: the
    // layout draws a range of text colour alone only where no range before
    // it drew text, so a highlight over a coloured run would not show.
    std::vector<qsizetype> cuts{0, shown.size()};
    if (sgr)
        for (const SgrLine::Run &r : sgr->runs)
            cuts.push_back(r.start);
    for (const Highlighter::Range &h : ranges) {
        cuts.push_back(h.start);
        cuts.push_back(h.start + h.length);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    size_t run = 0, range = 0;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const qsizetype from = cuts[k], to = cuts[k + 1];
        if (from >= shown.size())
            break;
        QTextCharFormat f;
        if (sgr) {
            while (run + 1 < sgr->runs.size() && sgr->runs[run + 1].start <= from)
                ++run;
            const SgrAttributes &a = sgr->runs[run].attributes;
            if (!a.text.isDefault())
                f.setForeground(QColor::fromRgb(a.text.toRgb()));
            if (!a.back.isDefault())
                f.setBackground(QColor::fromRgb(a.back.toRgb()));
            if (a.bold)
                f.setFontWeight(QFont::Bold);
        }
        while (range < ranges.size() && ranges[range].start + ranges[range].length <= from)
            ++range;
        if (range < ranges.size() && ranges[range].start <= from) {
            const HighlightRule &rule = highlighter->rules()[size_t(ranges[range].rule)];
            if (rule.textOn)
                f.setForeground(QColor::fromRgb(rule.text));
            if (rule.backOn)
                f.setBackground(QColor::fromRgb(rule.back));
        }
        if (f.properties().isEmpty())
            continue;
        QTextLayout::FormatRange r;
        r.start = int(from);
        r.length = int(to - from);
        r.format = f;
        out.append(r);
    }
    return out;
}

} // namespace kestrum
