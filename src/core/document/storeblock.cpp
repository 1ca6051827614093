// The received store's blocks: reading and writing the block file, making
// blocks, and what a snapshot reads of them.
#include "core/document/storeblock.h"
#include "core/document/receivedstore.h"
#include "core/base/codec.h"
#include <cerrno>

namespace kestrum {

namespace storedetail {

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

} // namespace storedetail

using namespace storedetail;

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

} // namespace kestrum
