#include "core/receivedstore.h"
#include "core/codec.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace storedetail {

// The store's file. It has no name in the folder (made without one where
// the system allows, removed at once otherwise), so it goes when the last
// descriptor closes, even after a crash.
struct BlockFile {
    int fd = -1;
    ~BlockFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

bool readAt(const BlockFile &f, quint64 offset, char *out, qsizetype n)
{
    while (n > 0) {
        const ssize_t r = ::pread(f.fd, out, size_t(n), off_t(offset));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        out += r;
        n -= r;
        offset += quint64(r);
    }
    return true;
}

// Empty when written, else the system's reason.
QString writeAt(const BlockFile &f, quint64 offset, const char *in, qsizetype n)
{
    while (n > 0) {
        const ssize_t r = ::pwrite(f.fd, in, size_t(n), off_t(offset));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return QString::fromLocal8Bit(std::strerror(r < 0 ? errno : ENOSPC));
        in += r;
        n -= r;
        offset += quint64(r);
    }
    return QString();
}

constexpr quint32 kAnchorEvery = 64;

} // namespace

// A run of the document's text. The owner's thread alone reads and changes
// it; snapshots take what they read (memory, file, wide text) as they go.
struct Block {
    // The characters: in memory (a growing top block fills its buffer from
    // the back), in the store's file, or typed text the code page cannot
    // hold.
    std::shared_ptr<char[]> memory;
    quint32 memoryStart = 0;
    quint32 capacity = 0;
    std::shared_ptr<BlockFile> file;
    quint64 fileOffset = 0;
    QString wide;
    bool isWide = false;
    bool growable = false;
    quint32 length = 0;

    // Line starts within the block other than at its top, as distances from
    // its end, ascending, each packed as the gap from the one before in
    // 7-bit groups: a byte a line below 128 characters, two below 16,384.
    // Every 64th start is anchored (where its gap is packed, and its
    // distance) so that finding one decodes at most 64 gaps.
    std::vector<uchar> packed;
    std::vector<quint32> anchors;
    quint32 starts = 0;
    quint32 lastStart = 0;
    // The block ends with a CR: a line starts after it unless the block
    // below begins with LF.
    bool crAtEnd = false;
    char16_t first = 0;

    // Runs of characters other than CR and LF (lines, or parts of lines
    // that go on into the next block): the one at the top, the one at the
    // bottom, and the longest between two breaks, by its start's distance.
    bool hasBreak = false;
    quint32 headRun = 0, tailRun = 0;
    qint64 innerMax = -1;
    quint32 innerMaxStart = 0;

    void addStart(quint32 d)
    {
        quint32 gap = starts == 0 ? d + 1 : d - lastStart;
        if (starts % kAnchorEvery == 0) {
            anchors.push_back(quint32(packed.size()));
            anchors.push_back(d);
        }
        while (gap >= 0x80) {
            packed.push_back(uchar(gap | 0x80));
            gap >>= 7;
        }
        packed.push_back(uchar(gap));
        lastStart = d;
        ++starts;
    }

    // Where the last character at or before j that is CR or below stands,
    // or -1. Bytes are looked at eight at a time: the index is built over
    // every byte received and every byte opened.
    static qint64 lastLow(const uchar *chars, qint64 j)
    {
        constexpr quint64 ones = 0x0101010101010101ULL;
        while (j >= 7) {
            quint64 w;
            std::memcpy(&w, chars + j - 7, 8);
            // Not zero when a byte of w is below 14 (CR is 13).
            if ((w - ones * 14) & ~w & (ones * 0x80))
                break;
            j -= 8;
        }
        while (j >= 0 && chars[j] > '\r')
            --j;
        return j;
    }
    template <class C>
    static qint64 lastLow(const C *chars, qint64 j)
    {
        while (j >= 0 && chars[j] > C('\r'))
            --j;
        return j;
    }

    static quint32 unpack(const uchar *&p)
    {
        quint32 v = 0;
        int shift = 0;
        while (*p & 0x80) {
            v |= quint32(*p++ & 0x7F) << shift;
            shift += 7;
        }
        return v | (quint32(*p++) << shift);
    }

    // The k-th start, nearest the block's end first.
    quint32 start(quint32 k) const
    {
        const quint32 a = k / kAnchorEvery;
        const uchar *p = packed.data() + anchors[2 * a];
        quint32 d = anchors[2 * a + 1];
        unpack(p);
        for (quint32 n = k % kAnchorEvery; n > 0; --n)
            d += unpack(p);
        return d;
    }

    // Starts at a distance below x.
    quint32 startsBelow(quint32 x) const
    {
        const quint32 groups = quint32(anchors.size() / 2);
        quint32 lo = 0, hi = groups;  // groups before lo begin below x
        while (lo < hi) {
            const quint32 mid = (lo + hi) / 2;
            if (anchors[2 * mid + 1] < x)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == 0)
            return 0;
        const quint32 a = lo - 1;
        const uchar *p = packed.data() + anchors[2 * a];
        quint32 d = anchors[2 * a + 1];
        unpack(p);
        quint32 count = a * kAnchorEvery + 1;
        const quint32 end = std::min(starts, (a + 1) * kAnchorEvery);
        while (count < end) {
            d += unpack(p);
            if (d >= x)
                break;
            ++count;
        }
        return count;
    }

    // The index and the runs, for n characters put in front of the block's
    // text (the characters themselves are stored by the caller).
    template <class C>
    void grow(const C *chars, quint32 n)
    {
        if (n == 0)
            return;
        const quint32 old = length;
        bool hasNext = old > 0;
        char16_t next = first;
        qint64 run = hasBreak ? headRun : old;
        qint64 j = qint64(n) - 1;
        while (j >= 0) {
            // Nothing above CR is a line break.
            const qint64 from = j;
            j = lastLow(chars, j);
            run += from - j;
            if (j < 0)
                break;
            if (j < from) {
                next = char16_t(chars[j + 1]);
                hasNext = true;
            }
            const char16_t c = char16_t(chars[j]);
            if (c == u'\n' || c == u'\r') {
                const quint32 d = old + quint32(qint64(n) - 1 - j);
                if (!hasBreak) {
                    hasBreak = true;
                    tailRun = quint32(run);
                } else if (run > innerMax) {
                    innerMax = run;
                    innerMaxStart = d;
                }
                run = 0;
                if (c == u'\n' || !hasNext || next != u'\n') {
                    if (c == u'\r' && !hasNext)
                        crAtEnd = true;
                    else
                        addStart(d);
                }
            } else {
                ++run;
            }
            next = c;
            hasNext = true;
            --j;
        }
        headRun = quint32(run);
        length = old + n;
        first = char16_t(chars[0]);
    }

    const uchar *memoryBytes() const
    {
        return reinterpret_cast<const uchar *>(memory.get()) + memoryStart;
    }
};

} // namespace storedetail

using storedetail::Block;
using storedetail::BlockFile;

namespace {

// The character of a byte: the same mapping as the files, or Latin-1 where
// the code page is missing (then nothing is kept narrow but Latin-1 bytes).
char16_t toUnicode(uchar b)
{
    static const char16_t *const table = ansiToUnicode();
    return table ? table[b] : char16_t(b);
}

void widen(const uchar *src, qsizetype n, char16_t *dst)
{
    const char16_t *const table = ansiToUnicode();
    for (qsizetype j = 0; j < n; ++j)
        dst[j] = table ? table[src[j]] : char16_t(src[j]);
}

std::shared_ptr<char[]> buffer(qsizetype n) { return std::shared_ptr<char[]>(new char[size_t(std::max<qsizetype>(n, 1))]); }

std::shared_ptr<Block> narrowBlock(const char *bytes, qsizetype n)
{
    auto b = std::make_shared<Block>();
    b->memory = buffer(n);
    std::memcpy(b->memory.get(), bytes, size_t(n));
    b->capacity = quint32(n);
    b->grow(reinterpret_cast<const uchar *>(bytes), quint32(n));
    return b;
}

std::shared_ptr<Block> wideBlock(const QString &text)
{
    auto b = std::make_shared<Block>();
    b->wide = text;
    b->isWide = true;
    b->grow(text.utf16(), quint32(text.size()));
    return b;
}

} // namespace

// ---- Snapshot ----

qsizetype StoreSnapshot::readBytes(qsizetype pos, qsizetype count, char *out) const
{
    pos = std::clamp<qsizetype>(pos, 0, m_size);
    count = std::clamp<qsizetype>(count, 0, m_size - pos);
    auto it = std::partition_point(m_parts.begin(), m_parts.end(),
                                   [pos](const Part &p) { return qsizetype(p.top + p.length) <= pos; });
    qsizetype done = 0;
    for (; done < count; ++it) {
        const Part &p = *it;
        const qsizetype k = pos + done - qsizetype(p.top);
        const qsizetype n = std::min<qsizetype>(qsizetype(p.length) - k, count - done);
        char *dst = out + done;
        if (p.memory) {
            std::memcpy(dst, p.memory.get() + p.offset + quint64(k), size_t(n));
        } else if (p.file) {
            if (!storedetail::readAt(*p.file, p.offset + quint64(k), dst, n)) {
                std::memset(dst, 0, size_t(n));
                m_readFailed = true;
            }
        } else {
            const char16_t *src = reinterpret_cast<const char16_t *>(p.wide.constData()) + p.offset + quint64(k);
            std::transform(src, src + n, dst, ansiByteOf);
        }
        done += n;
    }
    return done;
}

QString StoreSnapshot::text(qsizetype pos, qsizetype count) const
{
    pos = std::clamp<qsizetype>(pos, 0, m_size);
    count = std::clamp<qsizetype>(count, 0, m_size - pos);
    QString out(count, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    auto it = std::partition_point(m_parts.begin(), m_parts.end(),
                                   [pos](const Part &p) { return qsizetype(p.top + p.length) <= pos; });
    QByteArray bytes;
    for (qsizetype done = 0; done < count; ++it) {
        const Part &p = *it;
        const qsizetype k = pos + done - qsizetype(p.top);
        const qsizetype n = std::min<qsizetype>(qsizetype(p.length) - k, count - done);
        if (!p.wide.isNull()) {
            std::copy_n(reinterpret_cast<const char16_t *>(p.wide.constData()) + k, n, dst + done);
        } else {
            bytes.resize(n);
            readBytes(pos + done, n, bytes.data());
            widen(reinterpret_cast<const uchar *>(bytes.constData()), n, dst + done);
        }
        done += n;
    }
    return out;
}

qsizetype StoreSnapshot::firstUnmappable() const
{
    for (const Part &p : m_parts) {
        if (p.wide.isNull())
            continue;
        if (const std::optional<Unmappable> bad = kestrum::firstUnmappable(p.wide))
            return qsizetype(p.top) + bad->index;
    }
    return -1;
}

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
    return m_length - qsizetype(e.tail) - qsizetype(e.block->length);
}

qsizetype ReceivedStore::entryAt(qsizetype pos) const
{
    // Blocks lie end to end from the bottom of the document up.
    const quint64 dist = quint64(m_length - pos);
    const auto holds = [dist](const Entry &e) { return e.tail < dist && dist <= e.tail + e.block->length; };
    if (m_lastEntry >= 0 && m_lastEntry < qsizetype(m_entries.size()) && holds(m_entries[size_t(m_lastEntry)]))
        return m_lastEntry;
    const auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                         [dist](const Entry &e) { return e.tail + e.block->length < dist; });
    m_lastEntry = it - m_entries.begin();
    return m_lastEntry;
}

const uchar *ReceivedStore::narrowBytes(qsizetype i) const
{
    const Block &b = *m_entries[size_t(i)].block;
    if (b.memory)
        return b.memoryBytes();
    const auto found = m_cache.find(&b);
    if (found != m_cache.end()) {
        m_cached.splice(m_cached.begin(), m_cached, found->second);
        return reinterpret_cast<const uchar *>(found->second->data.get()) + found->second->start;
    }
    Cached c{&b, buffer(b.length), 0, b.length};
    if (!storedetail::readAt(*b.file, b.fileOffset, c.data.get(), b.length))
        std::memset(c.data.get(), 0, b.length);
    return cache(std::move(c));
}

// Keeps a block's bytes as the one read last, and drops the blocks read
// longest ago down to the budget. Bytes handed out before stay valid until
// the next block is read.
const uchar *ReceivedStore::cache(Cached c) const
{
    m_cachedBytes += c.block->length;
    m_cached.push_front(std::move(c));
    m_cache.emplace(m_cached.front().block, m_cached.begin());
    while (m_cachedBytes > m_config.cacheBytes && m_cached.size() > 1)
        dropCached(std::prev(m_cached.end()));
    return reinterpret_cast<const uchar *>(m_cached.front().data.get()) + m_cached.front().start;
}

void ReceivedStore::dropCached(std::list<Cached>::iterator it) const
{
    m_cachedBytes -= it->block->length;
    m_cache.erase(it->block);
    // A snapshot may still read the buffer: then it is not used again.
    if (it->size == quint32(m_config.blockSize) && it->data.use_count() == 1)
        m_spare = std::move(it->data);
    m_cached.erase(it);
}

void ReceivedStore::forgetCached(const Block *b) const
{
    const auto found = m_cache.find(b);
    if (found != m_cache.end())
        dropCached(found->second);
}

quint32 ReceivedStore::linesOf(qsizetype i) const
{
    const Block &b = *m_entries[size_t(i)].block;
    const bool lfBelow = i > 0 && m_entries[size_t(i - 1)].block->first == u'\n';
    return b.starts + (b.crAtEnd && !lfBelow ? 1 : 0);
}

void ReceivedStore::recount(qsizetype from)
{
    quint64 tail = 0, lines = 0;
    if (from > 0) {
        const Entry &below = m_entries[size_t(from - 1)];
        tail = below.tail + below.block->length;
        lines = below.linesBelow + below.lines;
    }
    for (size_t i = size_t(from); i < m_entries.size(); ++i) {
        Entry &e = m_entries[i];
        e.tail = tail;
        e.linesBelow = lines;
        e.lines = linesOf(qsizetype(i));
        tail += e.block->length;
        lines += e.lines;
    }
    m_length = qsizetype(tail);
    m_lines = lines;
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
    count = std::clamp<qsizetype>(count, 0, m_length - from);
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

// The top block is done: its bytes go to the file and stay in the cache as
// the newest read. Where the file cannot take them they stay where they are.
void ReceivedStore::seal(Block &b)
{
    b.growable = false;
    b.packed.shrink_to_fit();
    b.anchors.shrink_to_fit();
    if (!ensureFile()) {
        m_heldSinceTry += b.length;
        return;
    }
    const QString failed = storedetail::writeAt(*m_file, m_fileEnd, b.memory.get() + b.memoryStart, b.length);
    if (!failed.isEmpty()) {
        giveUpFile(failed);
        m_heldSinceTry += b.length;
        return;
    }
    b.file = m_file;
    b.fileOffset = m_fileEnd;
    m_fileEnd += b.length;
    cache(Cached{&b, std::move(b.memory), b.memoryStart, b.capacity});
    b.memory.reset();
    moveToFile();
}

// Once the file takes text again, the blocks kept in memory meanwhile go to
// it, some at every block written, so that no message waits long for them;
// when the last has gone the user hears that the text is on disk again.
void ReceivedStore::moveToFile()
{
    if (!m_fileRefused || !m_file)
        return;
    for (int moved = 0; m_moveFrom < qsizetype(m_entries.size()) && moved < 64; ++m_moveFrom) {
        Block &b = *m_entries[size_t(m_moveFrom)].block;
        if (b.isWide || b.growable || !b.memory || b.file)
            continue;
        const QString failed = storedetail::writeAt(*m_file, m_fileEnd, b.memory.get() + b.memoryStart, b.length);
        if (!failed.isEmpty()) {
            giveUpFile(failed);
            return;
        }
        b.file = m_file;
        b.fileOffset = m_fileEnd;
        m_fileEnd += b.length;
        b.memory.reset();
        ++moved;
    }
    if (m_moveFrom < qsizetype(m_entries.size()))
        return;
    m_fileRefused = false;
    m_refusedReason.clear();
    if (m_notice)
        m_notice(QCoreApplication::translate("Store", "The received text is kept on disk again."));
}

bool ReceivedStore::ensureFile()
{
    if (m_file)
        return true;
    // After a failure the file is tried again only now and then: a disk
    // that stays full costs one failed write per so much text, not one per
    // block.
    if (m_fileRefused && m_heldSinceTry < m_config.retryAfter)
        return false;
    m_heldSinceTry = 0;
    m_moveFrom = 0;
    QString folder = m_config.folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                               : m_config.folder;
    if (folder.isEmpty()) {
        giveUpFile(QCoreApplication::translate("Store", "there is no cache folder"));
        return false;
    }
    if (!QDir().mkpath(folder)) {
        giveUpFile(QCoreApplication::translate("Store", "the folder \"%1\" cannot be made").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    const QByteArray name = QFile::encodeName(folder);
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(name.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        QByteArray pattern = name + "/kestrum-XXXXXX";
        fd = ::mkstemp(pattern.data());
        if (fd >= 0)
            ::unlink(pattern.constData());
    }
    if (fd < 0) {
        giveUpFile(QCoreApplication::translate("Store", "no file can be made in \"%1\" (%2)")
                       .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    m_file = std::make_shared<BlockFile>();
    m_file->fd = fd;
    m_fileEnd = 0;
    return true;
}

void ReceivedStore::giveUpFile(const QString &reason)
{
    // Blocks already in the file keep it open for reading.
    m_file.reset();
    m_heldSinceTry = 0;
    if (std::exchange(m_fileRefused, true))
        return;
    m_refusedReason = reason;
    if (m_notice)
        m_notice(QCoreApplication::translate("Store", "The received text cannot be kept on disk: %1. It is kept in memory "
                                                     "until the disk takes it again; nothing received is lost.")
                     .arg(reason));
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
    count = std::clamp<qsizetype>(count, 0, m_length - pos);
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

// ---- Lines ----

qsizetype ReceivedStore::lineCount() const { return qsizetype(m_lines) + 1; }

qsizetype ReceivedStore::lineStart(qsizetype line) const
{
    if (line <= 0 || m_lines == 0)
        return 0;
    // Starts are counted from the bottom: line n starts at the start that
    // has m_lines - n below it.
    const quint64 rank = m_lines - std::min<quint64>(quint64(line), m_lines);
    const auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                         [rank](const Entry &e) { return e.linesBelow + e.lines <= rank; });
    const Block &b = *it->block;
    quint32 k = quint32(rank - it->linesBelow);
    quint32 d = 0;
    const bool crCounts = it->lines > b.starts;
    if (!crCounts || k > 0)
        d = b.start(crCounts ? k - 1 : k);
    return m_length - qsizetype(it->tail + d);
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
    pos = std::clamp<qsizetype>(pos, 0, m_length);
    if (pos == m_length)
        return qsizetype(m_lines);
    // Lines starting at or after pos + 1 are the starts nearer the end than
    // pos is.
    const qsizetype i = entryAt(pos);
    const Entry &e = m_entries[size_t(i)];
    const quint32 x = quint32(quint64(m_length - pos) - e.tail);
    const bool crCounts = e.lines > e.block->starts;
    const quint64 nearer = e.linesBelow + e.block->startsBelow(x) + (crCounts ? 1 : 0);
    return qsizetype(m_lines - nearer);
}

namespace {

// One block of the walk from the bottom up: run is the line running on from
// below, which the block's first break ends.
void walkBlock(const Block &b, quint64 tail, qsizetype &longest, quint64 &longestStart, qsizetype &run)
{
    if (!b.hasBreak) {
        run += b.length;
        return;
    }
    if (run + qsizetype(b.tailRun) > longest) {
        longest = run + qsizetype(b.tailRun);
        longestStart = tail + b.tailRun;
    }
    if (b.innerMax > longest) {
        longest = b.innerMax;
        longestStart = tail + b.innerMaxStart;
    }
    run = b.headRun;
}

} // namespace

void ReceivedStore::settleRuns() const
{
    while (m_settled < qsizetype(m_entries.size()) && !m_entries[size_t(m_settled)].block->growable) {
        const Entry &e = m_entries[size_t(m_settled)];
        walkBlock(*e.block, e.tail, m_longest, m_longestStart, m_run);
        ++m_settled;
    }
}

qsizetype ReceivedStore::longestLineLength() const
{
    settleRuns();
    qsizetype longest = m_longest, run = m_run;
    quint64 start = m_longestStart;
    for (size_t i = size_t(m_settled); i < m_entries.size(); ++i)
        walkBlock(*m_entries[i].block, m_entries[i].tail, longest, start, run);
    return std::max(longest, run);
}

qsizetype ReceivedStore::longestLine() const
{
    settleRuns();
    qsizetype longest = m_longest, run = m_run;
    quint64 start = m_longestStart;
    for (size_t i = size_t(m_settled); i < m_entries.size(); ++i)
        walkBlock(*m_entries[i].block, m_entries[i].tail, longest, start, run);
    // The top line runs on to the top of the document.
    if (run >= longest)
        return 0;
    return lineOf(m_length - qsizetype(start));
}

qsizetype ReceivedStore::memoryUsed() const
{
    qsizetype used = m_cachedBytes + qsizetype(m_entries.capacity() * sizeof(Entry)) + (m_spare ? m_config.blockSize : 0);
    for (const Entry &e : m_entries) {
        const Block &b = *e.block;
        used += qsizetype(sizeof(Block)) + qsizetype(b.packed.capacity() + b.anchors.capacity() * sizeof(quint32));
        if (b.memory)
            used += b.capacity;
        used += b.wide.capacity() * 2;
    }
    return used + m_messageMarks.memoryUsed();
}

} // namespace kestrum
