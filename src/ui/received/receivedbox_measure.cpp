// Widths and layout of the received box: long lines measured in chunks from a table of
// character widths, the geometry of lines kept by their distance from the end, the
// scroll bars once per burst.
#include "ui/received/receivedboxparts.h"
#include <QAccessible>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace kestrum {

using namespace boxparts;

namespace boxparts {

ReceivedBox::WorkDone g_work;

bool breaksLine(const QString &s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

// A layout of one line of text, for measuring and drawing.
void layOut(QTextLayout &layout, const QFont &font)
{
    g_work.laidOut += layout.text().size();
    layout.setFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(false);
    layout.endLayout();
}

// The area shows or hides a bar on its range signal, and repaints the whole
// of itself doing so: the signal goes out only when the bar becomes needed
// or not needed.
void setRangeQuietly(QScrollBar *bar, int maximum)
{
    const QSignalBlocker blocker((bar->maximum() > 0) == (maximum > 0) ? bar : nullptr);
    bar->setRange(0, maximum);
}

} // namespace boxparts

namespace {

// The top line as the box keeps it: by the distance of its start from the
// end, or none for the first line, which then stays at the top.
std::optional<CharsFromEnd> topKept(const ReceivedStore &store, qsizetype top)
{
    if (top == 0)
        return std::nullopt;
    return fromEnd(CharFromTop(store.lineStart(top)), store.size());
}

} // namespace

// After count characters at pos became text: the lines above the edit keep
// their geometry under their new distance from the end, the lines below keep
// theirs, and the line the edit falls in is measured again only around the
// edit, so that typing in a long line costs the same wherever it is.
void ReceivedBox::textReplaced(qsizetype pos, const QString &removed, const QString &inserted)
{
    const qsizetype count = removed.size();
    const qsizetype delta = inserted.size() - count;
    const CharsFromEnd tail = fromEnd(CharFromTop(pos + inserted.size()), m_store.size());
    const qsizetype oldSize = m_store.size() - delta;
    // Without a line break on either side the edited line keeps its start
    // and only its length changes.
    // With colours on, the sequences of a line short enough to be parsed may
    // have changed what it shows: such a line is measured again whole.
    const bool sameLines = !breaksLine(removed) && !breaksLine(inserted)
        && !(m_look.colours && !m_hex && m_store.lineLength(m_store.lineOf(pos)) <= LineLook::kLongestParsed);
    // A geometry belongs to the characters from its start on, never to the
    // line as such: a line found at that start with that length later is
    // made of the same characters.
    auto &lines = m_cache->lines;
    std::unordered_map<quint64, std::pair<qsizetype, LineGeometry>> kept;
    for (auto &[key, entry] : lines) {
        const CharsFromEnd k{qsizetype(key)};
        const qsizetype start = fromTop(k, oldSize).get();
        const qsizetype length = entry.first;
        if (sameLines && start <= pos && pos + count <= start + length) {
            patchGeometry(entry.second, start, pos - start, count, inserted.size());
            kept.emplace(quint64((k + delta).get()), std::pair{length + delta, std::move(entry.second)});
        } else if (k <= tail) {
            kept.emplace(key, std::move(entry));
        } else if (start + length <= pos) {
            kept.emplace(quint64((k + delta).get()), std::move(entry));
        }
    }
    lines = std::move(kept);
    m_cache->hexLines.clear();
    m_cache->sgrLines.clear();
    m_cache->longestKey = CharsFromEnd(-1);
    scheduleLayout();
    tellReader(pos, count, removed, inserted.size());
    emit documentEdited();
}

// Measures the chunks of the line that the edit at column touched, as the
// line now reads (from start in the document).
void ReceivedBox::patchGeometry(LineGeometry &g, qsizetype start, qsizetype column, qsizetype removed,
                                qsizetype inserted) const
{
    size_t first = 0;
    qsizetype from = 0;
    while (first + 1 < g.chunks.size() && from + g.chunks[first].length < column)
        from += g.chunks[first++].length;
    size_t last = first;
    qsizetype to = from + (g.chunks.empty() ? 0 : g.chunks[first].length);
    while (last + 1 < g.chunks.size() && to < column + removed)
        to += g.chunks[++last].length;
    std::vector<Chunk> fresh = measureChunks(start + from, to - from + inserted - removed);
    for (size_t i = first; i <= last && i < g.chunks.size(); ++i)
        g.width -= g.chunks[i].width;
    for (const auto &c : fresh)
        g.width += c.width;
    if (g.chunks.empty())
        g.chunks = std::move(fresh);
    else
        g.chunks.insert(g.chunks.erase(g.chunks.begin() + qsizetype(first), g.chunks.begin() + qsizetype(last) + 1),
                        fresh.begin(), fresh.end());
}

// The characters from pos in chunks of about kChunk, never splitting a
// surrogate pair, with their widths.
std::vector<ReceivedBox::Chunk> ReceivedBox::measureChunks(qsizetype pos, qsizetype count) const
{
    std::vector<Chunk> out;
    out.reserve(size_t(count / kChunk + 1));
    while (count > 0) {
        const QString t = m_store.text(pos, std::min(count, kChunk + 1));
        qsizetype n = std::min(count, kChunk);
        if (n < t.size() && t.at(n - 1).isHighSurrogate() && t.at(n).isLowSurrogate())
            ++n;
        out.push_back({n, widthOf(t.constData(), 0, n, t.size())});
        pos += n;
        count -= n;
    }
    return out;
}

double ReceivedBox::widthOf(const QChar *s, qsizetype from, qsizetype to, qsizetype n) const
{
    g_work.laidOut += to - from;
    double w = 0;
    for (qsizetype i = from; i < to; ++i)
        w += m_cache->advances.at(s, i, n);
    return w;
}


void ReceivedBox::scheduleLayout(bool grewInFront)
{
    m_layoutPending = true;
    m_onlyGrew = grewInFront && (!m_settlePosted || m_onlyGrew);
    if (std::exchange(m_settlePosted, true))
        return;
    QTimer::singleShot(0, this, [this] { settleLayout(); });
}

// Repaints what the changes since the last settling moved. A message put in
// front of the lines shown moves them down whole: their pixels are moved and
// only the new lines drawn, so that a board talking now and then does not
// lay out the whole screen again for each message. Lines kept in view by a
// scrolled box do not move at all.
void ReceivedBox::settleLayout()
{
    m_settlePosted = false;
    const bool grew = std::exchange(m_onlyGrew, false);
    if (m_layoutPending)
        layoutNow();
    const qsizetype lines = m_store.lineCount();
    const qsizetype added = lines - std::exchange(m_shownLines, lines);
    const qsizetype grown = m_store.size() - std::exchange(m_shownSize, m_store.size());
    // The lines shown before are whole when the new text ended in a line
    // break of its own, not merged with the line that was first.
    const bool whole = grew && !m_hex && grown > 0 && added >= 0 && added < lines && m_store.lineStart(added) == grown;
    if (!whole) {
        viewport()->update();
        return;
    }
    if (m_topDistance)
        return;
    const qsizetype dy = added * lineHeight();
    if (dy >= viewport()->height()) {
        viewport()->update();
    } else if (dy > 0) {
        // The top margin moved down with the lines: the new lines reach into it.
        viewport()->scroll(0, int(dy));
        viewport()->update(QRect(0, 0, viewport()->width(), int(dy) + kMargin));
    }
}

int ReceivedBox::lineHeight() const { return qMax(1, fontMetrics().height()); }

int ReceivedBox::visibleLines() const { return qMax(1, (viewport()->height() - kMargin) / lineHeight()); }

void ReceivedBox::layoutNow()
{
    m_layoutPending = false;
    const qsizetype lines = m_store.lineCount();
    QScrollBar *v = verticalScrollBar();
    QScrollBar *h = horizontalScrollBar();
    const int page = visibleLines();
    qsizetype top = 0;
    if (m_topDistance) {
        // Lines removed meanwhile: the first line.
        const CharsFromEnd kept = std::min(*m_topDistance, fromEnd(CharFromTop(0), m_store.size()));
        top = m_store.lineOf(fromTop(kept, m_store.size()).get());
    }
    ++m_settingScroll;
    setRangeQuietly(v, int(std::min<qsizetype>(std::max<qsizetype>(0, lines - page), INT_MAX)));
    v->setPageStep(page);
    v->setValue(int(std::min<qsizetype>(top, v->maximum())));
    if (v->value() != top)
        m_topDistance = topKept(m_store, v->value());

    // The widest line is taken to be the one with the most characters.
    const qsizetype longest = m_store.longestLine();
    const CharsFromEnd key = fromEnd(CharFromTop(m_store.lineStart(longest)), m_store.size());
    const qsizetype length = m_store.longestLineLength();
    if (key != m_cache->longestKey || length != m_cache->longestLength) {
        m_cache->longestKey = key;
        m_cache->longestLength = length;
        m_cache->longestWidth = lineWidth(longest);
        // In hex the widest line may be another one with fewer stamps:
        // room for the longest line's characters all as bytes.
        if (m_hex) {
            double widest = 0;
            const QString digits = QStringLiteral("0123456789ABCDEF");
            for (qsizetype i = 0; i < digits.size(); ++i)
                widest = std::max(widest, m_cache->advances.at(digits.constData(), i, digits.size()));
            m_cache->longestWidth = std::max<double>(m_cache->longestWidth, 3.0 * double(length) * widest);
        }
    }
    const int width = int(std::min<double>(std::ceil(m_cache->longestWidth) + 2 * kMargin + 1, INT_MAX / 2));
    setRangeQuietly(h, qMax(0, width - viewport()->width()));
    h->setPageStep(viewport()->width());
    --m_settingScroll;
}

void ReceivedBox::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    layoutNow();
}

void ReceivedBox::scrollContentsBy(int, int)
{
    // The layout's own moves of the bar keep the lines in place, or are
    // repainted by whoever laid out.
    if (m_settingScroll)
        return;
    m_topDistance = topKept(m_store, verticalScrollBar()->value());
    viewport()->update();
}

qsizetype ReceivedBox::firstVisibleLine() const { return verticalScrollBar()->value(); }

void ReceivedBox::scrollToLine(qsizetype line)
{
    verticalScrollBar()->setValue(int(std::clamp<qsizetype>(line, 0, verticalScrollBar()->maximum())));
}

const ReceivedBox::LineGeometry &ReceivedBox::geometry(qsizetype line) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = shownLength(line);
    return cachedForLine(m_cache->lines, fromEnd(CharFromTop(start), m_store.size()), length, kCachedLines, [&] {
        LineGeometry g;
        g.chunks = m_hex || sgrLine(line) ? measureShown(line, length) : measureChunks(start, length);
        for (const auto &c : g.chunks)
            g.width += c.width;
        return g;
    });
}

QString ReceivedBox::lineText(qsizetype line) const
{
    if (m_hex)
        return shownText(line, 0, shownLength(line));
    if (sgrLine(line))
        return displayForm(shownText(line, 0, shownLength(line)));
    return displayForm(m_store.text(m_store.lineStart(line), m_store.lineLength(line)));
}

qreal ReceivedBox::lineWidth(qsizetype line) const
{
    if (shownLength(line) > kWholeLine)
        return geometry(line).width;
    QTextLayout layout(lineText(line));
    layOut(layout, font());
    return layout.lineAt(0).naturalTextWidth();
}

qreal ReceivedBox::columnToX(qsizetype line, qsizetype column) const
{
    column = toShown(line, column);
    if (shownLength(line) <= kWholeLine) {
        QTextLayout layout(lineText(line));
        layOut(layout, font());
        return layout.lineAt(0).cursorToX(int(column));
    }
    const LineGeometry &g = geometry(line);
    double x = 0;
    qsizetype from = 0;
    qsizetype left = column;
    for (const auto &c : g.chunks) {
        if (left <= c.length) {
            const QString t = shownText(line, from, c.length);
            return x + widthOf(t.constData(), 0, left, t.size());
        }
        x += c.width;
        left -= c.length;
        from += c.length;
    }
    return x;
}

qsizetype ReceivedBox::xToColumn(qsizetype line, qreal x) const
{
    const qsizetype length = shownLength(line);
    if (x <= 0 || length == 0)
        return 0;
    if (length <= kWholeLine) {
        QTextLayout layout(lineText(line));
        layOut(layout, font());
        return fromShown(line, layout.lineAt(0).xToCursor(x));
    }
    const LineGeometry &g = geometry(line);
    double at = 0;
    qsizetype column = 0;
    for (const auto &c : g.chunks) {
        if (at + c.width <= x) {
            at += c.width;
            column += c.length;
            continue;
        }
        // The nearest character edge in this chunk.
        const QString t = shownText(line, column, c.length);
        g_work.laidOut += t.size();
        for (qsizetype i = 0; i < t.size(); ++i) {
            const double w = m_cache->advances.at(t.constData(), i, t.size());
            if (x < at + w / 2)
                return fromShown(line, column + i - (t.at(i).isLowSurrogate() && i > 0 && t.at(i - 1).isHighSurrogate() ? 1 : 0));
            at += w;
        }
        return fromShown(line, column + c.length);
    }
    return fromShown(line, length);
}

qsizetype ReceivedBox::positionAt(const QPoint &p) const
{
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + (p.y() - kMargin) / lineHeight()
                                                     - (p.y() < kMargin ? 1 : 0),
                                                 0, m_store.lineCount() - 1);
    return m_store.lineStart(line) + xToColumn(line, p.x() - kMargin + horizontalScrollBar()->value());
}

QRect ReceivedBox::caretRectAt(qsizetype pos) const
{
    const qsizetype line = m_store.lineOf(pos);
    const int x = int(kMargin + columnToX(line, pos - m_store.lineStart(line))) - horizontalScrollBar()->value();
    const int y = kMargin + int(line - firstVisibleLine()) * lineHeight();
    return QRect(x, y, 1, lineHeight());
}

void ReceivedBox::ensureCaretVisible()
{
    if (m_layoutPending)
        layoutNow();
    const qsizetype line = m_store.lineOf(cursorPosition());
    const qsizetype top = firstVisibleLine();
    if (line < top)
        scrollToLine(line);
    else if (line >= top + visibleLines())
        scrollToLine(line - visibleLines() + 1);
    const QRect r = caretRect();
    QScrollBar *h = horizontalScrollBar();
    const int w = viewport()->width();
    if (r.left() < kMargin)
        h->setValue(h->value() + r.left() - kMargin - w / 4);
    else if (r.right() >= w - kMargin)
        h->setValue(h->value() + r.right() - w + kMargin + w / 4);
}

} // namespace kestrum
