// The hex view of the received box: which columns of a line show which bytes.
#include "ui/received/receivedboxparts.h"
#include <algorithm>

namespace kestrum {

using namespace boxparts;

HexLine ReceivedBox::hexLine(qsizetype line) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = m_store.lineLength(line);
    // Asked for many times in every paint: kept as the geometry is.
    return cachedForLine(m_cache->hexLines, quint64(m_store.size() - start), length, kCachedHexLines, [&] {
        const qsizetype reach = std::min(length, HexLine::kStampReach);
        return HexLine::of(m_store.text(start, reach), m_store.text(start + length - reach, reach), length);
    });
}

qsizetype ReceivedBox::shownLength(qsizetype line) const
{
    return m_hex ? hexLine(line).shownLength() : m_store.lineLength(line);
}

QString ReceivedBox::shownText(qsizetype line, qsizetype from, qsizetype count) const
{
    const qsizetype start = m_store.lineStart(line);
    if (!m_hex)
        return m_store.text(start + from, count);
    const HexLine h = hexLine(line);
    const qsizetype first = h.toColumn(from, HexLine::Round::Down);
    const qsizetype last = h.toColumn(from + count, HexLine::Round::Up);
    const QString shown = hexText(h, first, m_store.text(start + first, last - first),
                                  m_store.errorColumns(start, first, last - first));
    return shown.mid(from - h.toShown(first), count);
}

qsizetype ReceivedBox::toShown(qsizetype line, qsizetype column) const
{
    return m_hex ? hexLine(line).toShown(column) : column;
}

qsizetype ReceivedBox::fromShown(qsizetype line, qsizetype shown) const
{
    return m_hex ? hexLine(line).toColumn(shown) : shown;
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
