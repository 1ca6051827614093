// The received store's file and cache: full blocks go to a file without a
// name; the blocks read back from it are kept, newest read first, up to a
// budget; where the file fails the text stays in memory.
#include "core/document/receivedstore.h"
#include "core/document/storeblock.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace kestrum {

using namespace storedetail;

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
