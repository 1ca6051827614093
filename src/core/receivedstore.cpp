#include "core/receivedstore.h"
#include "core/codec.h"
#include <algorithm>
#include <array>

namespace kestrum {

namespace {

bool isBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// The character of a byte: the same mapping as the files, or Latin-1 where
// the code page is missing (then nothing is kept narrow but Latin-1 bytes).
char16_t toUnicode(uchar b)
{
    static const char16_t *const table = ansiToUnicode();
    return table ? table[b] : char16_t(b);
}

} // namespace

ReceivedStore::ReceivedStore() = default;

void ReceivedStore::addPiece(std::vector<Piece> &into, const QString &text)
{
    if (text.isEmpty())
        return;
    Piece p{0, 0, quint32(text.size()), kNarrow};
    p.offset = quint64(m_narrow.size());
    if (!ansiToUnicode() || !appendAnsi(text, m_narrow)) {
        p.buffer = kWide;
        p.offset = quint64(m_wide.size());
        m_wide += text;
    }
    into.push_back(p);
}

qsizetype ReceivedStore::pieceAt(qsizetype pos) const
{
    // Pieces lie end to end from the bottom of the document up.
    const quint64 dist = quint64(m_length - pos);
    const auto it = std::partition_point(m_pieces.begin(), m_pieces.end(),
                                         [dist](const Piece &p) { return p.tail + p.length < dist; });
    return it - m_pieces.begin();
}

QChar ReceivedStore::at(qsizetype pos) const
{
    const qsizetype i = pieceAt(pos);
    const Piece &p = m_pieces[size_t(i)];
    const qsizetype k = pos - pieceStart(i);
    if (p.buffer == kWide)
        return m_wide.at(qsizetype(p.offset) + k);
    return QChar(toUnicode(narrowData(p)[k]));
}

QString ReceivedStore::text(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, m_length - from);
    QString out(count, Qt::Uninitialized);
    if (count == 0)
        return out;
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const char16_t *const table = ansiToUnicode();
    qsizetype pos = from;
    for (qsizetype i = pieceAt(from); pos < from + count; --i) {
        const Piece &p = m_pieces[size_t(i)];
        const qsizetype k = pos - pieceStart(i);
        const qsizetype n = std::min<qsizetype>(qsizetype(p.length) - k, from + count - pos);
        if (p.buffer == kWide) {
            std::copy_n(reinterpret_cast<const char16_t *>(m_wide.constData()) + p.offset + k, n, dst);
        } else {
            const uchar *src = narrowData(p) + k;
            for (qsizetype j = 0; j < n; ++j)
                dst[j] = table[src[j]];
        }
        dst += n;
        pos += n;
    }
    return out;
}

QString ReceivedStore::text() const { return text(0, m_length); }

void ReceivedStore::prepend(const QString &text)
{
    const size_t before = m_pieces.size();
    addPiece(m_pieces, text);
    if (m_pieces.size() == before)
        return;
    m_pieces.back().tail = quint64(m_length);
    m_length += text.size();
}

void ReceivedStore::prependBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // Without the code page nothing is narrow: the bytes as Latin-1.
    if (!ansiToUnicode()) {
        prepend(QString::fromLatin1(bytes));
        return;
    }
    // A message of megabytes is not copied: fresh memory costs a page fault
    // every 4 KB, more than the copy itself.
    constexpr qsizetype ownBlock = 64 * 1024;
    if (bytes.size() >= ownBlock && bytes.capacity() - bytes.size() <= bytes.size() / 8) {
        m_pieces.push_back({quint64(m_length), 0, quint32(bytes.size()), kBlocks + quint32(m_blocks.size())});
        m_blocks.push_back(bytes);
    } else {
        m_pieces.push_back({quint64(m_length), quint64(m_narrow.size()), quint32(bytes.size()), kNarrow});
        m_narrow.append(bytes);
    }
    m_length += bytes.size();
}

void ReceivedStore::clear()
{
    m_narrow = QByteArray();
    m_wide = QString();
    m_blocks = std::vector<QByteArray>();
    m_pieces = std::vector<Piece>();
    m_length = 0;
    m_starts = std::deque<quint64>();
    m_decided = 0;
    m_longest = 0;
    m_longestStart = 0;
    m_openLine = 0;
}

void ReceivedStore::setText(const QString &text)
{
    clear();
    prepend(text);
}

void ReceivedStore::replace(qsizetype pos, qsizetype count, const QString &text)
{
    pos = std::clamp<qsizetype>(pos, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, m_length - pos);
    if (count == 0 && text.isEmpty())
        return;
    const qsizetype end = pos + count;
    const qsizetype keptTail = m_length - end;

    // The pieces the edit touches: hi holds pos, lo holds the last removed
    // character (or pos itself); an edit at the very end touches none.
    std::vector<Piece> middle;
    qsizetype lo = 0, hi = -1;
    if (pos < m_length) {
        hi = pieceAt(pos);
        lo = count > 0 ? pieceAt(end - 1) : hi;
        const Piece &last = m_pieces[size_t(lo)];
        const qsizetype lastStart = pieceStart(lo);
        if (end < lastStart + qsizetype(last.length))
            middle.push_back({0, last.offset + quint64(end - lastStart),
                              quint32(lastStart + qsizetype(last.length) - end), last.buffer});
    }
    addPiece(middle, text);
    if (hi >= 0) {
        const Piece &first = m_pieces[size_t(hi)];
        const qsizetype firstStart = pieceStart(hi);
        if (pos > firstStart)
            middle.push_back({0, first.offset, quint32(pos - firstStart), first.buffer});
    }
    m_pieces.erase(m_pieces.begin() + lo, m_pieces.begin() + (hi + 1));
    m_pieces.insert(m_pieces.begin() + lo, middle.begin(), middle.end());
    quint64 tail = lo == 0 ? 0 : m_pieces[size_t(lo - 1)].tail + m_pieces[size_t(lo - 1)].length;
    for (size_t i = size_t(lo); i < m_pieces.size(); ++i) {
        m_pieces[i].tail = tail;
        tail += m_pieces[i].length;
    }
    m_length = qsizetype(tail);
    forget(keptTail);
    if (m_length == 0)
        clear();
}

// The index keeps what lies within `kept` characters of the end, which the
// edit did not touch; the rest is decided again when asked for.
void ReceivedStore::forget(qsizetype kept) const
{
    if (m_decided <= kept)
        return;
    m_decided = kept;
    while (!m_starts.empty() && qsizetype(m_starts.back()) >= kept)
        m_starts.pop_back();
    // The open line runs from the last start kept to the decided part's end.
    const qsizetype lastStart = m_starts.empty() ? 0 : qsizetype(m_starts.back());
    m_openLine = 0;
    const QString open = text(m_length - m_decided, m_decided - lastStart);
    for (const QChar c : open)
        m_openLine += !isBreak(c.unicode());
    if (qsizetype(m_longestStart) >= kept) {
        m_longest = 0;
        m_longestStart = 0;
        for (size_t i = 0; i < m_starts.size(); ++i) {
            // Line i runs from start i up to start i - 1 (or the end).
            const qsizetype from = m_length - qsizetype(m_starts[i]);
            const qsizetype to = i == 0 ? m_length : m_length - qsizetype(m_starts[i - 1]);
            qsizetype n = to - from;
            if (i > 0) {
                n -= 1;
                if (n > 0 && at(to - 1) == QLatin1Char('\n') && at(to - 2) == QLatin1Char('\r'))
                    n -= 1;
            }
            if (n > m_longest) {
                m_longest = n;
                m_longestStart = m_starts[i];
            }
        }
    }
}

void ReceivedStore::extendIndex() const
{
    if (m_decided >= m_length)
        return;
    // Position p starts a line when the character before it is LF, or a CR
    // not followed by LF. Walk from the decided part towards the top, a
    // piece at a time.
    qsizetype p = m_length - m_decided;
    char16_t next = p < m_length ? at(p).unicode() : 0;
    auto scan = [&](auto *chars, qsizetype start, qsizetype k) {
        while (k >= 0) {
            // Nothing above CR is a line break.
            const qsizetype from = k;
            while (k >= 0 && chars[k] > u'\r')
                --k;
            m_openLine += from - k;
            if (k < from)
                next = chars[k + 1];
            if (k < 0)
                break;
            const char16_t c = chars[k];
            if (c == u'\n' || (c == u'\r' && next != u'\n')) {
                const quint64 d = quint64(m_length - (start + k + 1));
                m_starts.push_back(d);
                if (m_openLine > m_longest) {
                    m_longest = m_openLine;
                    m_longestStart = d;
                }
                m_openLine = 0;
            } else if (c != u'\r') {
                ++m_openLine;
            }
            next = c;
            --k;
        }
    };
    for (qsizetype i = pieceAt(p - 1); p >= 1; ++i) {
        const Piece &piece = m_pieces[size_t(i)];
        const qsizetype start = pieceStart(i);
        if (piece.buffer == kWide)
            scan(reinterpret_cast<const char16_t *>(m_wide.constData()) + piece.offset, start, p - 1 - start);
        else
            scan(narrowData(piece), start, p - 1 - start);
        p = start;
    }
    m_decided = m_length;
}

qsizetype ReceivedStore::lineCount() const
{
    extendIndex();
    return qsizetype(m_starts.size()) + 1;
}

qsizetype ReceivedStore::lineStart(qsizetype line) const
{
    extendIndex();
    if (line <= 0)
        return 0;
    line = std::min<qsizetype>(line, qsizetype(m_starts.size()));
    return m_length - qsizetype(m_starts[m_starts.size() - size_t(line)]);
}

qsizetype ReceivedStore::lineLength(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    if (line + 1 >= lineCount())
        return m_length - start;
    const qsizetype next = lineStart(line + 1);
    qsizetype end = next - 1;
    if (end > start && at(end) == QLatin1Char('\n') && at(end - 1) == QLatin1Char('\r'))
        --end;
    return end - start;
}

qsizetype ReceivedStore::lineOf(qsizetype pos) const
{
    extendIndex();
    pos = std::clamp<qsizetype>(pos, 0, m_length);
    // Lines starting at or before pos: their distance is at least m_length - pos.
    const auto it = std::lower_bound(m_starts.begin(), m_starts.end(), quint64(m_length - pos));
    return qsizetype(m_starts.end() - it);
}

qsizetype ReceivedStore::longestLineLength() const
{
    extendIndex();
    return std::max(m_longest, m_openLine);
}

qsizetype ReceivedStore::longestLine() const
{
    extendIndex();
    if (m_openLine >= m_longest)
        return 0;
    return lineOf(m_length - qsizetype(m_longestStart));
}

qsizetype ReceivedStore::memoryUsed() const
{
    qsizetype blocks = 0;
    for (const QByteArray &b : m_blocks)
        blocks += b.capacity();
    return m_narrow.size() + m_wide.size() * 2 + blocks + qsizetype(m_pieces.size() * sizeof(Piece))
           + qsizetype(m_starts.size() * sizeof(quint64));
}

} // namespace kestrum
