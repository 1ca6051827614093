// The received store: its blocks end to end from the bottom up, text in and
// out, edits, batches and snapshots. The blocks themselves are in
// storeblock.*, the file and cache in receivedstore_file.cpp, the line
// index in receivedstore_lines.cpp.
#include "core/document/receivedstore.h"
#include "core/document/storeblock.h"
#include "core/base/codec.h"
#include <algorithm>
#include <cstring>

namespace kestrum {

using namespace storedetail;

// ---- Store ----

ReceivedStore::ReceivedStore() : ReceivedStore(Config{}) {}

ReceivedStore::ReceivedStore(const Config &config) : m_config(config)
{
    m_config.blockSize = std::clamp<qsizetype>(m_config.blockSize, 16, qsizetype(1) << 30);
}

ReceivedStore::~ReceivedStore() = default;

qsizetype ReceivedStore::entryTop(qsizetype i) const
{
    const Entry &e = m_entries[size_t(i)];
    return fromTop(CharsFromEnd(qsizetype(e.tail + e.block->length)), m_length).get();
}

qsizetype ReceivedStore::entryAt(qsizetype pos) const
{
    // Blocks lie end to end from the bottom of the document up.
    const quint64 dist = quint64(fromEnd(CharFromTop(pos), m_length).get());
    const auto holds = [dist](const Entry &e) { return e.tail < dist && dist <= e.tail + e.block->length; };
    if (m_lastEntry >= 0 && m_lastEntry < qsizetype(m_entries.size()) && holds(m_entries[size_t(m_lastEntry)]))
        return m_lastEntry;
    const auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                         [dist](const Entry &e) { return e.tail + e.block->length < dist; });
    m_lastEntry = it - m_entries.begin();
    return m_lastEntry;
}

QChar ReceivedStore::at(qsizetype pos) const
{
    const qsizetype i = entryAt(pos);
    const Block &b = *m_entries[size_t(i)].block;
    const qsizetype k = pos - entryTop(i);
    if (b.isWide)
        return b.wide.at(k);
    return QChar(toUnicode(narrowBytes(i)[k]));
}

QString ReceivedStore::text(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, fromEnd(CharFromTop(from), m_length).get());
    QString out(count, Qt::Uninitialized);
    if (count == 0)
        return out;
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    qsizetype pos = from;
    for (qsizetype i = entryAt(from); pos < from + count; --i) {
        const Block &b = *m_entries[size_t(i)].block;
        const qsizetype k = pos - entryTop(i);
        const qsizetype n = std::min<qsizetype>(qsizetype(b.length) - k, from + count - pos);
        if (b.isWide)
            std::copy_n(reinterpret_cast<const char16_t *>(b.wide.constData()) + k, n, dst);
        else
            widen(narrowBytes(i) + k, n, dst);
        dst += n;
        pos += n;
    }
    return out;
}

QString ReceivedStore::text() const { return text(0, m_length); }

qsizetype ReceivedStore::readBytes(qsizetype from, qsizetype count, char *out) const
{
    from = std::clamp<qsizetype>(from, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, fromEnd(CharFromTop(from), m_length).get());
    qsizetype pos = from;
    for (qsizetype i = entryAt(from); pos < from + count; --i) {
        const Block &b = *m_entries[size_t(i)].block;
        const qsizetype k = pos - entryTop(i);
        const qsizetype n = std::min<qsizetype>(qsizetype(b.length) - k, from + count - pos);
        if (b.isWide) {
            const char16_t *src = reinterpret_cast<const char16_t *>(b.wide.constData()) + k;
            std::transform(src, src + n, out, ansiByteOf);
        } else {
            std::memcpy(out, narrowBytes(i) + k, size_t(n));
        }
        out += n;
        pos += n;
    }
    return count;
}

Block &ReceivedStore::growableHead()
{
    if (!m_entries.empty() && m_entries.back().block->growable)
        return *m_entries.back().block;
    auto b = std::make_shared<Block>();
    b->capacity = quint32(m_config.blockSize);
    b->memory = m_spare ? std::move(m_spare) : buffer(b->capacity);
    b->memoryStart = b->capacity;
    b->growable = true;
    Entry e;
    e.block = std::move(b);
    e.tail = quint64(m_length);
    e.linesBelow = m_lines;
    m_entries.push_back(std::move(e));
    return *m_entries.back().block;
}

void ReceivedStore::prependBytes(const QByteArray &bytes) { prependBytes(bytes.constData(), bytes.size()); }

void ReceivedStore::prependBytes(const char *data, qsizetype size)
{
    if (size <= 0)
        return;
    // Without the code page nothing is narrow: the bytes as Latin-1.
    if (!ansiToUnicode()) {
        prependWide(QString::fromLatin1(data, size));
        return;
    }
    // The bottom of the text goes into the top block first; what does not
    // fit goes into new blocks above it.
    while (size > 0) {
        const bool headHasRoom = !m_entries.empty() && m_entries.back().block->growable;
        if (!headHasRoom && size >= m_config.blockSize && prependWhole(data, size))
            continue;
        Block &head = growableHead();
        const qsizetype take = std::min<qsizetype>(size, head.capacity - head.length);
        head.memoryStart -= quint32(take);
        std::memcpy(head.memory.get() + head.memoryStart, data + size - take, size_t(take));
        head.grow(reinterpret_cast<const uchar *>(data + size - take), quint32(take));
        size -= take;
        m_length += take;
        Entry &top = m_entries.back();
        top.lines = linesOf(qsizetype(m_entries.size()) - 1);
        m_lines = top.linesBelow + top.lines;
        if (head.length == head.capacity)
            seal(head);
    }
}

// The whole blocks at the bottom of a long text (a message of megabytes, a
// piece of an opened file) go to the file straight from the caller's bytes:
// no copy in memory, no buffer to fill. Each is written right after it was
// indexed, while its bytes are still in the processor's cache (writes of
// several blocks at once made the kernel's copy up to three times slower).
// size is left with what is still to go above them. False when the file
// cannot take them: then they go the way of any text.
bool ReceivedStore::prependWhole(const char *data, qsizetype &size)
{
    const qsizetype block = m_config.blockSize;
    const qsizetype first = qsizetype(m_entries.size());
    while (size >= block && ensureFile()) {
        const char *bytes = data + size - block;
        auto b = std::make_shared<Block>();
        b->grow(reinterpret_cast<const uchar *>(bytes), quint32(block));
        const QString failed = storedetail::writeAt(*m_file, m_fileEnd, bytes, block);
        if (!failed.isEmpty()) {
            giveUpFile(failed);
            break;
        }
        b->file = m_file;
        b->fileOffset = m_fileEnd;
        b->packed.shrink_to_fit();
        b->anchors.shrink_to_fit();
        m_entries.push_back(Entry{std::move(b)});
        m_fileEnd += quint64(block);
        size -= block;
    }
    if (qsizetype(m_entries.size()) == first)
        return false;
    recount(first);
    moveToFile();
    return true;
}

void ReceivedStore::prependWide(const QString &text)
{
    if (!m_entries.empty() && m_entries.back().block->growable)
        seal(*m_entries.back().block);
    Entry e;
    e.block = wideBlock(text);
    m_entries.push_back(std::move(e));
    recount(qsizetype(m_entries.size()) - 1);
}

void ReceivedStore::prepend(const QString &text)
{
    if (text.isEmpty())
        return;
    QByteArray bytes;
    if (ansiToUnicode() && appendAnsi(text, bytes))
        prependBytes(bytes);
    else
        prependWide(text);
}


// What was worked out about the lines and blocks starts again.
void ReceivedStore::forgetLines() const
{
    m_lastEntry = -1;
    m_settled = 0;
    m_longest = 0;
    m_longestStart = 0;
    m_run = 0;
}

void ReceivedStore::emptyOut()
{
    m_entries = std::vector<Entry>();
    m_cache.clear();
    m_cached.clear();
    m_cachedBytes = 0;
    m_length = 0;
    m_lines = 0;
    m_errorMarks.clear();
    m_messageMarks.clear();
    forgetLines();
    m_moveFrom = 0;
}

void ReceivedStore::clear()
{
    emptyOut();
    // Snapshots may still read the old file; new text goes to a new one,
    // also after a failure: the next block tries the disk again.
    m_file.reset();
    m_fileEnd = 0;
    if (m_fileRefused)
        m_heldSinceTry = m_config.retryAfter;
}

void ReceivedStore::setText(const QString &text)
{
    clear();
    prepend(text);
}

void ReceivedStore::replace(qsizetype pos, qsizetype count, const QString &text)
{
    pos = std::clamp<qsizetype>(pos, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, fromEnd(CharFromTop(pos), m_length).get());
    if (count == 0 && text.isEmpty())
        return;
    m_errorMarks.replaced(pos, count, text.size(), m_length);
    m_messageMarks.replaced(pos, count, text.size(), m_length);
    const qsizetype end = pos + count;

    // The blocks the edit touches: hi holds pos, lo the last character
    // removed (or pos itself); an edit at the very end touches none.
    qsizetype lo = 0, hi = -1;
    if (pos < m_length) {
        hi = entryAt(pos);
        lo = count > 0 ? entryAt(end - 1) : hi;
        // Text put in where a block starts touches no block.
        if (count == 0 && pos == entryTop(hi)) {
            lo = hi + 1;
            hi = lo - 1;
        }
    }

    // The new text of that stretch, top first, narrow and wide runs apart.
    struct Run {
        QByteArray narrow;
        QString wide;
        bool isWide;
    };
    std::vector<Run> runs;
    const auto addNarrow = [&](const char *p, qsizetype n) {
        if (n <= 0)
            return;
        if (runs.empty() || runs.back().isWide)
            runs.push_back({QByteArray(), QString(), false});
        runs.back().narrow.append(p, n);
    };
    const auto addWide = [&](QStringView s) {
        if (s.isEmpty())
            return;
        if (runs.empty() || !runs.back().isWide)
            runs.push_back({QByteArray(), QString(), true});
        runs.back().wide += s;
    };
    const auto addKept = [&](qsizetype i, qsizetype from, qsizetype n) {
        const Block &b = *m_entries[size_t(i)].block;
        if (b.isWide)
            addWide(QStringView(b.wide).mid(from, n));
        else
            addNarrow(reinterpret_cast<const char *>(narrowBytes(i)) + from, n);
    };
    if (hi >= lo)
        addKept(hi, 0, pos - entryTop(hi));
    QByteArray bytes;
    if (ansiToUnicode() && appendAnsi(text, bytes))
        addNarrow(bytes.constData(), bytes.size());
    else
        addWide(text);
    if (hi >= lo) {
        const qsizetype loTop = entryTop(lo);
        addKept(lo, end - loTop, loTop + qsizetype(m_entries[size_t(lo)].block->length) - end);
    }

    // New blocks, bottom first; a narrow run longer than a block is cut.
    std::vector<Entry> made;
    for (auto r = runs.rbegin(); r != runs.rend(); ++r) {
        if (r->isWide) {
            made.push_back({wideBlock(r->wide)});
            continue;
        }
        for (qsizetype to = r->narrow.size(); to > 0; to -= m_config.blockSize) {
            const qsizetype from = std::max<qsizetype>(0, to - m_config.blockSize);
            made.push_back({narrowBlock(r->narrow.constData() + from, to - from)});
        }
    }
    // A long text (a paste of megabytes) goes to the file like received text.
    qsizetype narrow = 0;
    for (const Entry &e : made)
        narrow += e.block->isWide ? 0 : e.block->length;
    if (narrow > 4 * m_config.blockSize)
        for (Entry &e : made)
            if (!e.block->isWide)
                seal(*e.block);
    for (qsizetype i = lo; i <= hi; ++i)
        forgetCached(m_entries[size_t(i)].block.get());
    m_entries.erase(m_entries.begin() + lo, m_entries.begin() + (hi + 1));
    const qsizetype added = qsizetype(made.size());
    m_entries.insert(m_entries.begin() + lo, std::make_move_iterator(made.begin()),
                     std::make_move_iterator(made.end()));
    spliced(lo, added);
}

// Cuts the block holding pos in two there, so that a block starts at pos.
void ReceivedStore::cutAt(qsizetype pos)
{
    if (pos <= 0 || pos >= m_length)
        return;
    const qsizetype i = entryAt(pos);
    const qsizetype k = pos - entryTop(i);
    if (k == 0)
        return;
    const std::shared_ptr<Block> whole = m_entries[size_t(i)].block;
    std::shared_ptr<Block> top, bottom;
    if (whole->isWide) {
        top = wideBlock(whole->wide.left(k));
        bottom = wideBlock(whole->wide.mid(k));
    } else {
        const char *bytes = reinterpret_cast<const char *>(narrowBytes(i));
        top = narrowBlock(bytes, k);
        bottom = narrowBlock(bytes + k, qsizetype(whole->length) - k);
    }
    forgetCached(whole.get());
    m_entries[size_t(i)].block = std::move(bottom);
    m_entries.insert(m_entries.begin() + i + 1, Entry{std::move(top)});
    spliced(i, 2);
}

// Blocks from lo on changed: the sums above them follow, and a top block
// that is no longer on top stops growing.
void ReceivedStore::spliced(qsizetype lo, qsizetype made)
{
    const qsizetype below = lo - 1;
    if (below >= 0 && below + made + 1 < qsizetype(m_entries.size()) && m_entries[size_t(below)].block->growable)
        seal(*m_entries[size_t(below)].block);
    recount(lo);
    forgetLines();
    m_moveFrom = 0;
    if (m_length == 0)
        clear();
}

ReceivedStore::Batch ReceivedStore::takeAll()
{
    Batch batch;
    if (!m_entries.empty() && m_entries.back().block->growable)
        seal(*m_entries.back().block);
    batch.length = m_length;
    for (Entry &e : m_entries) {
        Block &b = *e.block;
        // Blocks read here go over with their bytes in memory only while
        // they are not in the file.
        forgetCached(&b);
        batch.blocks.push_back(std::move(e.block));
    }
    batch.refused = m_refusedReason;
    emptyOut();
    return batch;
}

void ReceivedStore::insert(qsizetype pos, Batch batch)
{
    if (!batch.refused.isEmpty() && !m_fileRefused)
        giveUpFile(batch.refused);
    if (batch.blocks.empty())
        return;
    pos = std::clamp<qsizetype>(pos, 0, m_length);
    m_errorMarks.replaced(pos, 0, batch.length, m_length);
    m_messageMarks.replaced(pos, 0, batch.length, m_length);
    qsizetype lo = 0;
    if (pos < m_length) {
        const qsizetype i = entryAt(pos);
        if (pos != entryTop(i))
            cutAt(pos);
        lo = entryAt(pos) + 1;
    }
    std::vector<Entry> made;
    for (auto &b : batch.blocks)
        made.push_back({std::move(b)});
    const qsizetype count = qsizetype(made.size());
    m_entries.insert(m_entries.begin() + lo, std::make_move_iterator(made.begin()),
                     std::make_move_iterator(made.end()));
    spliced(lo, count);
}

std::shared_ptr<const StoreSnapshot> ReceivedStore::snapshot() const
{
    auto s = std::make_shared<StoreSnapshot>();
    s->m_size = m_length;
    s->m_parts.reserve(m_entries.size());
    for (qsizetype i = qsizetype(m_entries.size()) - 1; i >= 0; --i) {
        const Block &b = *m_entries[size_t(i)].block;
        StoreSnapshot::Part p;
        p.top = quint64(entryTop(i));
        p.length = b.length;
        if (b.isWide) {
            p.wide = b.wide;
        } else if (b.memory) {
            p.memory = b.memory;
            p.offset = b.memoryStart;
        } else {
            p.file = b.file;
            p.offset = b.fileOffset;
        }
        s->m_parts.push_back(std::move(p));
    }
    return s;
}

} // namespace kestrum
