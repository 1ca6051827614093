// What a line of the received box shows: in the hex view its bytes, with colours on its text
// without escape sequences; which columns of the line show which characters.
#include "ui/received/receivedboxparts.h"
#include <algorithm>

namespace kestrum {

using namespace boxparts;

HexLine ReceivedBox::hexLine(qsizetype line) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = m_store.lineLength(line);
    // Asked for many times in every paint: kept as the geometry is.
    return cachedForLine(m_cache->hexLines, fromEnd(CharFromTop(start), m_store.size()), length, kCachedHexLines, [&] {
        const qsizetype reach = std::min(length, HexLine::kStampReach);
        return HexLine::of(m_store.text(start, reach), m_store.text(start + length - reach, reach), length);
    });
}

std::shared_ptr<const SgrLine> ReceivedBox::sgrLine(qsizetype line) const
{
    if (m_hex || !m_look.colours)
        return nullptr;
    const qsizetype length = m_store.lineLength(line);
    if (length > LineLook::kLongestParsed)
        return nullptr;
    const qsizetype start = m_store.lineStart(line);
    return cachedForLine(m_cache->sgrLines, fromEnd(CharFromTop(start), m_store.size()), length, kCachedSgrLines, [&] {
        // The colours carried in from the line above when it was worked out
        // already (painting goes down the screen): no looking back. The
        // first line of a message starts in the default ones.
        const SgrAttributes *carried = nullptr;
        SgrAttributes above;
        if (line > 0 && m_store.messageStart(start) != start) {
            const qsizetype prev = m_store.lineStart(line - 1);
            const auto found = m_cache->sgrLines.find(quint64(fromEnd(CharFromTop(prev), m_store.size()).get()));
            if (found != m_cache->sgrLines.end() && found->second.first == m_store.lineLength(line - 1)) {
                above = found->second.second ? found->second.second->end : SgrAttributes();
                carried = &above;
            }
        } else {
            carried = &above;
        }
        return m_look.parse(m_store, start, m_store.text(start, length), carried);
    });
}

qsizetype ReceivedBox::shownLength(qsizetype line) const
{
    if (m_hex)
        return hexLine(line).shownLength();
    const auto sgr = sgrLine(line);
    return sgr ? sgr->text.size() : m_store.lineLength(line);
}

QString ReceivedBox::shownText(qsizetype line, qsizetype from, qsizetype count) const
{
    const qsizetype start = m_store.lineStart(line);
    if (!m_hex) {
        const auto sgr = sgrLine(line);
        return sgr ? sgr->text.mid(from, count) : m_store.text(start + from, count);
    }
    const HexLine h = hexLine(line);
    const qsizetype first = h.toColumn(from, HexLine::Round::Down);
    const qsizetype last = h.toColumn(from + count, HexLine::Round::Up);
    const QString shown = hexText(h, first, m_store.text(start + first, last - first),
                                  m_store.errorColumns(start, first, last - first));
    return shown.mid(from - h.toShown(first), count);
}

qsizetype ReceivedBox::toShown(qsizetype line, qsizetype column) const
{
    if (m_hex)
        return hexLine(line).toShown(column);
    const auto sgr = sgrLine(line);
    return sgr ? sgr->toShown(column) : column;
}

qsizetype ReceivedBox::fromShown(qsizetype line, qsizetype shown) const
{
    if (m_hex)
        return hexLine(line).toColumn(shown);
    const auto sgr = sgrLine(line);
    return sgr ? sgr->toSource(shown) : shown;
}

std::vector<ReceivedBox::Chunk> ReceivedBox::measureShown(qsizetype line, qsizetype length) const
{
    std::vector<Chunk> out;
    for (qsizetype from = 0; from < length; from += kChunk) {
        const QString t = shownText(line, from, std::min(kChunk, length - from));
        out.push_back({t.size(), widthOf(t.constData(), 0, t.size(), t.size())});
    }
    return out;
}

void ReceivedBox::setLook(const LineLook &look)
{
    const bool reshown = look.colours != m_look.colours;
    m_look = look;
    if (reshown) {
        m_wantedX = -1;
        forgetGeometry();
        layoutNow();
    }
    viewport()->update();
}

void ReceivedBox::setHexView(bool on)
{
    if (on == m_hex)
        return;
    m_hex = on;
    m_wantedX = -1;
    forgetGeometry();
    layoutNow();
    viewport()->update();
}

} // namespace kestrum
