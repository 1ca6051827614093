#pragma once
#include <QByteArray>
#include <QString>
#include <deque>
#include <vector>

namespace kestrum {

// The received document: the exact text (CR LF, lone CR or LF, NUL, U+0098
// kept) as the pieces it was built from, newest first.
//
// Text is held in the file code page, one byte per character; a piece that
// the code page cannot hold (typed by the user) is kept as it was typed.
// Pieces are kept newest last and every position that must survive a
// message put in front is counted from the end of the document, which such a
// message does not move: putting a message in front costs the same whatever
// the store holds. Lines are found through an index of where each starts,
// built when first asked for and extended only over what is new.
//
// A line ends at CR LF, at a lone CR or at a lone LF.
class ReceivedStore {
public:
    ReceivedStore();

    qsizetype size() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }

    // The whole text, or a part of it.
    QString text() const;
    QString text(qsizetype from, qsizetype count) const;
    QChar at(qsizetype pos) const;

    void prepend(const QString &text);
    // The same for text given as its bytes in the file code page: kept as
    // they are, never widened on the way. A long text without unused
    // capacity is kept as the array given (shared, not copied).
    void prependBytes(const QByteArray &bytes);
    void setText(const QString &text);
    void clear();
    // The user's edit: count characters at pos become text.
    void replace(qsizetype pos, qsizetype count, const QString &text);

    // Lines, counted from the top of the document.
    qsizetype lineCount() const;
    qsizetype lineStart(qsizetype line) const;
    // Characters of the line without its line break.
    qsizetype lineLength(qsizetype line) const;
    qsizetype lineOf(qsizetype pos) const;
    // The most characters any line has, and one such line.
    qsizetype longestLine() const;
    qsizetype longestLineLength() const;

    // Bytes held for the text and the index, for the benchmarks.
    qsizetype memoryUsed() const;

private:
    struct Piece {
        quint64 tail;      // characters after this piece, to the end of the document
        quint64 offset;    // where its characters start in its buffer
        quint32 length;
        quint32 buffer;    // kNarrow, kWide, or kBlocks + the index of a block
    };
    static constexpr quint32 kNarrow = 0, kWide = 1, kBlocks = 2;

    void addPiece(std::vector<Piece> &into, const QString &text);
    qsizetype pieceAt(qsizetype pos) const;
    qsizetype pieceStart(qsizetype index) const { return m_length - qsizetype(m_pieces[size_t(index)].tail)
                                                         - m_pieces[size_t(index)].length; }
    void forget(qsizetype kept) const;
    void extendIndex() const;

    const uchar *narrowData(const Piece &p) const
    {
        const QByteArray &b = p.buffer == kNarrow ? m_narrow : m_blocks[p.buffer - kBlocks];
        return reinterpret_cast<const uchar *>(b.constData()) + p.offset;
    }

    QByteArray m_narrow;  // short narrow pieces' bytes, appended as they come
    QString m_wide;       // every wide piece's characters
    std::vector<QByteArray> m_blocks;  // long texts given as bytes, one each
    std::vector<Piece> m_pieces;  // the last one is the top of the document
    qsizetype m_length = 0;

    // Line starts other than the document's own, as distances from the end
    // of the document, nearest the end first. Distances below m_decided are
    // in; the ones above are added when lines are asked for.
    // A deque: growing never copies what is there (a log of millions of
    // lines would stall on doubling a vector).
    mutable std::deque<quint64> m_starts;
    mutable qsizetype m_decided = 0;
    // The longest line among those decided, by its start's distance.
    mutable qsizetype m_longest = 0;
    mutable quint64 m_longestStart = 0;
    // The line that ends the decided part, not yet complete: its length so far.
    mutable qsizetype m_openLine = 0;
};

} // namespace kestrum
