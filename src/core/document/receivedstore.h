#pragma once
#include "core/document/positions.h"
#include "core/stream/messagemarks.h"
#include "core/port/paritymarks.h"
#include <QByteArray>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kestrum {

namespace storedetail {
struct Block;
struct BlockFile;
} // namespace storedetail

// An unchanging view of the document at one moment, safe to read on another
// thread while the owner keeps putting messages in front and editing. It
// shares the store's blocks, never copies the text; holding one keeps the
// blocks it reads alive, nothing more.
//
// A position in a snapshot maps to the live document as long as only
// messages were put in front: livePos = pos + (store.size() - snapshot.size()).
class StoreSnapshot {
public:
    // Characters at that moment; position 0 is the top line.
    qsizetype size() const { return m_size; }
    // Up to count characters from pos as file-code-page bytes into out;
    // returns how many. A character typed by the user that the code page
    // cannot hold is given as '?' (firstUnmappable() finds them first).
    qsizetype readBytes(qsizetype pos, qsizetype count, char *out) const;
    QString text(qsizetype pos, qsizetype count) const;
    // Where the first character without a byte in the code page stands, or
    // -1. Reads only the text typed by the user, which is kept apart.
    qsizetype firstUnmappable() const;
    // A read of the store's file failed (the bytes given for it are NUL).
    bool readFailed() const { return m_readFailed; }

private:
    friend class ReceivedStore;
    // One block as it was: its characters in memory, in the store's file
    // or typed (wide); the bytes read are never written again.
    struct Part {
        std::shared_ptr<const char[]> memory;
        std::shared_ptr<const storedetail::BlockFile> file;
        QString wide;
        quint64 offset = 0;  // of its first character in memory or the file
        quint64 top = 0;     // position of its first character
        quint32 length = 0;
    };
    std::vector<Part> m_parts;  // top of the document first
    qsizetype m_size = 0;
    mutable bool m_readFailed = false;
};

// The received document: the exact text (CR LF, lone CR or LF, NUL, U+0098
// kept), newest first.
//
// Text is held in the file code page, one byte per character; a piece that
// the code page cannot hold (typed by the user) is kept as it was typed.
// The text lies in blocks of up to blockSize characters, kept bottom first,
// so that a message put in front grows the top block (or starts a new one)
// and costs the same whatever the store holds. A full block goes to a file
// of the store's own (in the user's cache folder, without a name in the
// folder, so that neither the end of the program nor a crash leaves it
// behind); a bounded cache keeps the blocks last read in memory. When the
// folder cannot be written or the disk fills, the store keeps its text in
// memory and says so once; it tries a file again at Clear and after every
// so much text, moves what memory held into it once it can, and says that
// too.
//
// Every block carries the line starts within it, as distances from its end
// packed a byte or two a line, and its line count; an edit rebuilds the
// blocks it touches and sums up the counts of those above: its cost does not
// grow with the text, only with the number of blocks.
//
// A line ends at CR LF, at a lone CR or at a lone LF.
class ReceivedStore {
public:
    struct Config {
        qsizetype blockSize = 64 * 1024;
        // Blocks read from the file kept in memory: a few screens' worth, so that
        // memory grows with the index alone.
        qsizetype cacheBytes = 512 * 1024;
        // Where the store's file is made; empty: the user's cache folder.
        QString folder;
        // After the file failed, it is tried again each time this much more
        // text has been kept in memory (and at Clear).
        qsizetype retryAfter = 4 << 20;
    };

    ReceivedStore();
    explicit ReceivedStore(const Config &config);
    ~ReceivedStore();
    ReceivedStore(const ReceivedStore &) = delete;
    ReceivedStore &operator=(const ReceivedStore &) = delete;

    qsizetype size() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }

    // The whole text, or a part of it.
    QString text() const;
    QString text(qsizetype from, qsizetype count) const;
    QChar at(qsizetype pos) const;
    // Up to count characters from `from` as file-code-page bytes into out,
    // as StoreSnapshot::readBytes gives them, without taking a snapshot;
    // returns how many.
    qsizetype readBytes(qsizetype from, qsizetype count, char *out) const;

    void prepend(const QString &text);
    // The same for text given as its bytes in the file code page: kept as
    // they are, never widened on the way.
    void prependBytes(const QByteArray &bytes);
    void prependBytes(const char *data, qsizetype size);
    void setText(const QString &text);
    void clear();
    // The user's edit: count characters at pos become text.
    void replace(qsizetype pos, qsizetype count, const QString &text);

    std::shared_ptr<const StoreSnapshot> snapshot() const;

    // The bytes of the text just put in front received with a parity error,
    // by their positions (ascending) counted from offset. They follow the
    // text as messages are put in front, edits and Open; an edit loses them.
    void markErrors(const std::vector<qsizetype> &at, qsizetype offset = 0) { m_errorMarks.add(at, offset, m_length); }
    // Those in [lineStart + from, lineStart + from + count), as columns
    // from lineStart.
    std::vector<qsizetype> errorColumns(qsizetype lineStart, qsizetype from, qsizetype count) const
    {
        return m_errorMarks.within(lineStart + from, count, lineStart, m_length);
    }

    // The text just put in front, length characters of it, is a message:
    // where it begins the colours of its escape sequences start afresh.
    // The marks follow the text as errors do; clearing drops them.
    void markMessage(qsizetype length) { m_messageMarks.put(length, m_length); }
    // Where the message holding pos begins, or -1 when it is not known
    // (text opened or typed).
    qsizetype messageStart(qsizetype pos) const { return m_messageMarks.startAtOrAbove(pos, m_length); }

    // Text made by another store (on another thread, with a file of its
    // own), handed over whole: taking it empties that store, putting it in
    // costs the number of blocks, not the characters.
    struct Batch {
        std::vector<std::shared_ptr<storedetail::Block>> blocks;  // bottom first
        qsizetype length = 0;
        QString refused;  // why that store could not use its file, if it could not
    };
    Batch takeAll();
    // Puts the text in at pos, which must be where a block starts or ends
    // (the top or bottom of the document, or of a text put in this way).
    void insert(qsizetype pos, Batch batch);

    // Lines, counted from the top of the document.
    qsizetype lineCount() const;
    qsizetype lineStart(qsizetype line) const;
    // Characters of the line without its line break.
    qsizetype lineLength(qsizetype line) const;
    qsizetype lineOf(qsizetype pos) const;
    // The most characters any line has, and one such line.
    qsizetype longestLine() const;
    qsizetype longestLineLength() const;

    // Called when the store can no longer use its file, with the reason for
    // the user, and when the text is back on disk.
    void setNotice(std::function<void(const QString &)> notice) { m_notice = std::move(notice); }
    // The text lies in the store's file (false: in memory only).
    bool onDisk() const { return m_file != nullptr; }

    // Bytes of memory held for the text, the cache and the index, for the
    // benchmarks.
    qsizetype memoryUsed() const;

private:
    struct Entry {
        std::shared_ptr<storedetail::Block> block;
        quint64 tail = 0;        // characters below it
        quint64 linesBelow = 0;  // line starts below it
        quint32 lines = 0;       // line starts it adds
    };
    struct Cached {
        const storedetail::Block *block = nullptr;
        std::shared_ptr<char[]> data;
        quint32 start = 0;
        quint32 size = 0;  // of the buffer
    };

    qsizetype entryAt(qsizetype pos) const;
    qsizetype entryTop(qsizetype i) const;
    const uchar *narrowBytes(qsizetype i) const;
    quint32 linesOf(qsizetype i) const;
    void recount(qsizetype from);
    storedetail::Block &growableHead();
    bool prependWhole(const char *data, qsizetype &size);
    void dropCached(std::list<Cached>::iterator it) const;
    void seal(storedetail::Block &b);
    const uchar *cache(Cached c) const;
    bool ensureFile();
    void giveUpFile(const QString &reason);
    void moveToFile();
    void prependWide(const QString &text);
    void forgetCached(const storedetail::Block *b) const;
    void settleRuns() const;
    // The longest line's length and its start's distance from the end; -1:
    // the top line, which runs on to the top of the document.
    struct Longest {
        qsizetype length;
        qint64 start;
    };
    Longest longest() const;
    void spliced(qsizetype lo, qsizetype made);
    void cutAt(qsizetype pos);
    void forgetLines() const;
    void emptyOut();

    Config m_config;
    std::vector<Entry> m_entries;  // the last one is the top of the document
    qsizetype m_length = 0;
    quint64 m_lines = 0;  // line starts other than the document's own
    std::shared_ptr<storedetail::BlockFile> m_file;
    quint64 m_fileEnd = 0;
    // The file failed and the user was told; it stays so until the text
    // kept in memory meanwhile is in a file again.
    bool m_fileRefused = false;
    QString m_refusedReason;
    qsizetype m_heldSinceTry = 0;  // characters kept in memory since the file was last tried
    qsizetype m_moveFrom = 0;      // blocks below this one are in the file again
    std::function<void(const QString &)> m_notice;
    ErrorMarks m_errorMarks;
    MessageMarks m_messageMarks;

    // The blocks read last first, so that the one read longest ago goes first.
    mutable std::list<Cached> m_cached;
    mutable std::unordered_map<const storedetail::Block *, std::list<Cached>::iterator> m_cache;
    mutable qsizetype m_cachedBytes = 0;
    // A block's buffer no longer used, for the next top block: a flood of
    // messages then fills the same few buffers instead of fresh memory.
    mutable std::shared_ptr<char[]> m_spare;
    mutable qsizetype m_lastEntry = -1;

    // The longest line, worked out from the bottom up over blocks that no
    // longer change: the first m_settled entries are in.
    mutable qsizetype m_settled = 0;
    mutable qsizetype m_longest = 0;
    mutable quint64 m_longestStart = 0;  // distance of its start from the end
    mutable qsizetype m_run = 0;         // the line running on into the blocks above
};

} // namespace kestrum
