#pragma once
// The received store's blocks, private to the store's files: a block (its
// characters, its line starts, its runs between breaks), the file full
// blocks go to, and the making of blocks.
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

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

bool readAt(const BlockFile &f, quint64 offset, char *out, qsizetype n);
// Empty when written, else the system's reason.
QString writeAt(const BlockFile &f, quint64 offset, const char *in, qsizetype n);

constexpr quint32 kAnchorEvery = 64;

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

// The character of a byte: the same mapping as the files, or Latin-1 where
// the code page is missing (then nothing is kept narrow but Latin-1 bytes).
char16_t toUnicode(uchar b);
void widen(const uchar *src, qsizetype n, char16_t *dst);
std::shared_ptr<char[]> buffer(qsizetype n);
std::shared_ptr<Block> narrowBlock(const char *bytes, qsizetype n);
std::shared_ptr<Block> wideBlock(const QString &text);

} // namespace storedetail

} // namespace kestrum
