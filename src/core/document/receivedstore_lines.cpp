// The received store's line index: each block counts its own line starts,
// the blocks' sums give a line's place in the document, and the runs between
// breaks give the longest line.
#include "core/document/receivedstore.h"
#include "core/document/storeblock.h"

namespace kestrum {

using namespace storedetail;

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

// ---- Lines ----

qsizetype ReceivedStore::lineCount() const { return qsizetype(m_lines) + 1; }

qsizetype ReceivedStore::lineStart(qsizetype line) const
{
    if (line <= 0 || m_lines == 0)
        return 0;
    // Starts are counted from the bottom: a line starts at the start that
    // has as many below it as there are lines below the line.
    const quint64 rank = quint64(fromEnd(LineFromTop(std::min(line, lineCount() - 1)), lineCount()).get());
    const auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                         [rank](const Entry &e) { return e.linesBelow + e.lines <= rank; });
    const Block &b = *it->block;
    quint32 k = quint32(rank - it->linesBelow);
    quint32 d = 0;
    const bool crCounts = it->lines > b.starts;
    if (!crCounts || k > 0)
        d = b.start(crCounts ? k - 1 : k);
    return fromTop(CharsFromEnd(qsizetype(it->tail + d)), m_length).get();
}

qsizetype ReceivedStore::lineLength(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    if (line + 1 >= lineCount())
        return fromEnd(CharFromTop(start), m_length).get();
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
    const quint32 x = quint32(quint64(fromEnd(CharFromTop(pos), m_length).get()) - e.tail);
    const bool crCounts = e.lines > e.block->starts;
    const quint64 nearer = e.linesBelow + e.block->startsBelow(x) + (crCounts ? 1 : 0);
    return fromTop(LinesFromEnd(qsizetype(nearer)), lineCount()).get();
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

ReceivedStore::Longest ReceivedStore::longest() const
{
    settleRuns();
    qsizetype most = m_longest, run = m_run;
    quint64 start = m_longestStart;
    for (size_t i = size_t(m_settled); i < m_entries.size(); ++i)
        walkBlock(*m_entries[i].block, m_entries[i].tail, most, start, run);
    if (run >= most)
        return {run, -1};
    return {most, qint64(start)};
}

qsizetype ReceivedStore::longestLineLength() const
{
    return longest().length;
}

qsizetype ReceivedStore::longestLine() const
{
    const Longest l = longest();
    return l.start < 0 ? 0 : lineOf(fromTop(CharsFromEnd(qsizetype(l.start)), m_length).get());
}

} // namespace kestrum
