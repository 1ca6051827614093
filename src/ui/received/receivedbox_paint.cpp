// Painting the received box: only the lines in view, and of a long line only the part in
// view, with their colours and highlights, the selection and the marks of the last search.
#include "ui/received/receivedboxparts.h"
#include "core/search/search.h"
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace kestrum {

using namespace boxparts;

void ReceivedBox::paintEvent(QPaintEvent *e)
{
    const QRect clip = e->rect();
    // Laid out here, before the settling: what moved may be outside this
    // paint, and moving pixels already drawn in the new places would misplace
    // them.
    if (m_layoutPending) {
        layoutNow();
        m_onlyGrew = false;
        if (!clip.contains(viewport()->rect()))
            viewport()->update();
    }
    QPainter painter(viewport());
    const int h = lineHeight();
    const qsizetype top = firstVisibleLine();
    const qsizetype lines = m_store.lineCount();
    const int first = qMax(0, (clip.top() - kMargin) / h);
    for (qsizetype i = top + first; i < lines; ++i) {
        const int y = kMargin + int(i - top) * h;
        if (y > clip.bottom())
            break;
        drawLine(painter, i, y, clip);
    }
    if (m_caretShown && hasFocus()) {
        const QRect r = caretRect();
        if (r.intersects(clip))
            painter.fillRect(r, palette().text());
    }
}

// The matches to mark among the columns [from, to) of the line as shown
// (without the colour sequences it hides), in those columns. A long line is matched from a little before what
// is drawn, so a match that begins left of the view, or reaches over the
// edge of a piece drawn, is marked whole.
void ReceivedBox::findMarks(qsizetype line, qsizetype length, qsizetype from, qsizetype to,
                            std::vector<SearchHit> &out) const
{
    out.clear();
    if (!m_marks)
        return;
    const qsizetype reach = std::max<qsizetype>(kChunk, m_marks->text().size());
    const qsizetype first = std::max<qsizetype>(0, from - reach);
    const qsizetype last = std::min(length, to + reach);
    // One character before the view is context, so that the cut does not
    // read as the line's start.
    m_marks->matchesInLine(shownText(line, first, last - first), out, first > 0 ? 1 : 0);
    for (SearchHit &h : out)
        h.pos += first;
}

// Draws the characters from..to of the line (from start in the document),
// laid out from x, with the marks (in columns of the line) and the part of
// the selection among them.
void ReceivedBox::drawPiece(QPainter &painter, const QString &text, std::pair<qsizetype, qsizetype> selected, qsizetype from, bool lineEnd,
                            QPointF at, const QRect &clip, const std::vector<SearchHit> &marks,
                            const QList<QTextLayout::FormatRange> &looks) const
{
    QTextLayout layout(displayForm(text));
    layOut(layout, font());
    QList<QTextLayout::FormatRange> selections;
    const qsizetype to = from + text.size();
    // Colours and highlights first: the marks and the selection go over them.
    for (const QTextLayout::FormatRange &l : looks) {
        const qsizetype a = std::max<qsizetype>(l.start, from), b = std::min<qsizetype>(l.start + l.length, to);
        if (b <= a)
            continue;
        QTextLayout::FormatRange r = l;
        r.start = int(a - from);
        r.length = int(b - a);
        selections.append(r);
    }
    for (const SearchHit &h : marks) {
        if (h.end() <= from || h.pos >= to)
            continue;
        // Amber under black text: it reads on the box's black and stands
        // apart from the selection, which is drawn over it.
        QTextLayout::FormatRange r;
        r.start = int(std::max(h.pos, from) - from);
        r.length = int(std::min(h.end(), to) - from - r.start);
        r.format.setBackground(QColor(255, 191, 0));
        r.format.setForeground(QColor(Qt::black));
        selections.append(r);
    }
    {
        const qsizetype end = std::min(selected.second, lineEnd ? to + 1 : to);
        const qsizetype begin = std::max(selected.first, from);
        if (end > begin) {
            QTextLayout::FormatRange r;
            r.start = int(begin - from);
            r.length = int(end - begin);
            r.format.setBackground(palette().highlight());
            r.format.setForeground(palette().highlightedText());
            selections.append(r);
        }
    }
    painter.setPen(palette().text().color());
    layout.draw(&painter, at, selections, clip);
}

// A line laid out whole, or of a long line the characters in view: found by
// the chunks' widths, laid out in runs between tabs and between stretches of
// zero-width characters, each run from where the sum of the widths before it
// puts it.
void ReceivedBox::drawLine(QPainter &painter, qsizetype line, int y, const QRect &clip) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = shownLength(line);
    const qreal origin = kMargin - horizontalScrollBar()->value();
    // The selection in columns of what is shown; one past the end when it
    // takes in the line break.
    std::pair<qsizetype, qsizetype> selected{0, 0};
    if (hasSelection()) {
        const qsizetype anchor = fromTop(m_anchor, m_store.size()).get();
        const qsizetype a = std::min(cursorPosition(), anchor) - start;
        const qsizetype b = std::max(cursorPosition(), anchor) - start;
        const qsizetype columns = m_store.lineLength(line);
        if (b > 0 && a <= columns)
            selected = {toShown(line, std::max<qsizetype>(a, 0)),
                        b > columns ? length + 1 : toShown(line, b)};
    }
    // Marks are of the document's text, which the hex view does not show.
    const SearchPattern *marking = m_hex ? nullptr : m_marks.get();
    std::vector<SearchHit> marks;
    // Colours and highlights, of a line short enough to be looked at whole.
    QList<QTextLayout::FormatRange> looks;
    const bool looked = !m_hex && (m_look.colours || (m_look.highlighter && !m_look.highlighter->isEmpty()));
    if (looked && length <= LineLook::kLongestParsed)
        looks = m_look.formats(sgrLine(line).get(), shownText(line, 0, length));
    if (length <= kWholeLine) {
        const QString text = shownText(line, 0, length);
        if (marking)
            marking->matchesInLine(text, marks);
        drawPiece(painter, text, selected, 0, true, QPointF(origin, y), clip, marks, looks);
        return;
    }
    // The marks of the columns from marked to markedTo.
    qsizetype marked = 0, markedTo = 0;
    // A glyph may reach a little outside its width (italics, accents).
    const qreal slack = 2 * QFontMetricsF(font()).maxWidth();
    const double left = clip.left() - origin - slack, right = clip.right() + 1 - origin + slack;
    const LineGeometry &g = geometry(line);
    double x = 0;
    qsizetype column = 0, drawn = 0;
    for (const auto &c : g.chunks) {
        if (x > right || drawn > kMostDrawn)
            break;
        if (x + c.width < left || c.width == 0) {
            x += c.width;
            column += c.length;
            continue;
        }
        const QString t = shownText(line, column, c.length);
        g_work.laidOut += t.size();
        if (marking && (column < marked || column + c.length > markedTo)) {
            marked = column;
            markedTo = std::min(length, column + kMostDrawn + 2 * kChunk);
            findMarks(line, length, marked, markedTo, marks);
        }
        qsizetype runStart = -1, zeros = 0, i = 0;
        double runX = 0;
        auto flush = [&](qsizetype end) {
            if (runStart >= 0 && end > runStart) {
                drawPiece(painter, t.mid(runStart, end - runStart), selected, column + runStart,
                          column + end == length, QPointF(origin + runX, y), clip, marks, looks);
                drawn += end - runStart;
            }
            runStart = -1;
        };
        for (; i < t.size() && x <= right; ++i) {
            const double w = m_cache->advances.at(t.constData(), i, t.size());
            const bool tab = t.at(i) == QLatin1Char('\t');
            zeros = w == 0 ? zeros + 1 : 0;
            if (tab || x + w < left || zeros > kZeroWidthRun) {
                flush(i - (zeros > kZeroWidthRun ? zeros - 1 : 0));
            } else if (runStart < 0) {
                runStart = i;
                runX = x;
            }
            x += w;
        }
        flush(i);
        column += c.length;
    }
}

void ReceivedBox::setMarks(const SearchPattern &pattern)
{
    m_marks = pattern.isValid() ? std::make_shared<const SearchPattern>(pattern) : nullptr;
    viewport()->update();
}

} // namespace kestrum
