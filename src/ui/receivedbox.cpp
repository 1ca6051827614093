#include "ui/receivedbox.h"
#include "core/messageline.h"
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleHints>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <unordered_map>

namespace kestrum {

namespace {

constexpr QChar kNulSymbol(0x2400);  // SYMBOL FOR NULL
// Space around the text, as in the other text boxes.
constexpr int kMargin = 4;
// A line is measured in segments of this many characters; only the segments
// in view are laid out and drawn.
constexpr qsizetype kSegment = 256;
// Line geometries kept for long lines.
constexpr size_t kCachedLines = 256;

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// A layout of one line of text, for measuring and drawing.
void layOut(QTextLayout &layout, const QFont &font)
{
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

// Typed or pasted text as the document keeps it: every line break CR LF,
// the NUL symbol a NUL again.
QString documentForm(const QString &typed)
{
    QString out = withCrLf(typed);
    out.replace(kNulSymbol, QChar(0));
    return out;
}

// A scroll bar that repaints only when what it shows changes. The range of
// the box's bars grows with every message while the slider, at its shortest,
// stays where it is; a repaint of a tall bar is not cheap (the style's
// gradients are filled by worker threads that each repaint wakes).
class QuietScrollBar : public QScrollBar {
public:
    QuietScrollBar(Qt::Orientation o, QWidget *parent) : QScrollBar(o, parent) {}

protected:
    void sliderChange(SliderChange change) override
    {
        if (change != SliderStepsChange && shows() == m_shown)
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *e) override
    {
        m_shown = shows();
        QScrollBar::paintEvent(e);
    }

private:
    // What the bar shows: where the slider is, and which arrows can move it.
    std::pair<QRect, int> shows() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        return {slider, (value() > minimum() ? 1 : 0) | (value() < maximum() ? 2 : 0)};
    }

    std::pair<QRect, int> m_shown;
};

// The area shows or hides a bar on its range signal, and repaints the whole
// of itself doing so: the signal goes out only when the bar becomes needed
// or not needed.
void setRangeQuietly(QScrollBar *bar, int maximum)
{
    const QSignalBlocker blocker((bar->maximum() > 0) == (maximum > 0) ? bar : nullptr);
    bar->setRange(0, maximum);
}

} // namespace

// Where each segment of a line starts, from the line's start.
struct ReceivedBox::LineGeometry {
    std::vector<qreal> x;  // one more than segments: the last is the width
};

struct ReceivedBox::Edit {
    qsizetype tail;  // characters after the edit, to the end of the document
    QString removed;
    QString inserted;
    bool typing;
};

struct ReceivedBox::Cache {
    // Long lines by the distance of their start from the end and their length.
    std::unordered_map<quint64, std::pair<qsizetype, LineGeometry>> lines;
    LineGeometry shortLine;
    qsizetype longestKey = -1, longestLength = -1;
    qreal longestWidth = 0;
    // The longest line was measured whole while drawing: the range follows.
    bool widthChanged = false;
};

ReceivedBox::ReceivedBox(QWidget *parent) : ReceivedBox(*new ReceivedStore, parent)
{
    m_ownStore.reset(&m_store);
}

ReceivedBox::ReceivedBox(ReceivedStore &store, QWidget *parent)
    : QAbstractScrollArea(parent), m_store(store), m_cache(new Cache)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new QuietScrollBar(Qt::Horizontal, this));
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
}

ReceivedBox::~ReceivedBox() = default;

QString ReceivedBox::displayForm(const QString &text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString shown = text;
    shown.replace(QChar(0), kNulSymbol);
    return shown;
}

QString ReceivedBox::text() const { return m_store.text(); }
qsizetype ReceivedBox::textLength() const { return m_store.size(); }
bool ReceivedBox::isEmptyText() const { return m_store.isEmpty(); }

void ReceivedBox::setText(const QString &text)
{
    m_store.setText(text);
    m_caret = m_anchor = m_store.size();
    m_topDistance = -1;
    m_undo.clear();
    m_redo.clear();
    documentChanged(true);
    layoutNow();
    viewport()->update();
}

void ReceivedBox::clearText() { setText(QString()); }

void ReceivedBox::prepend(const QString &text)
{
    if (text.isEmpty())
        return;
    m_store.prepend(text);
    storeGrew();
}

void ReceivedBox::storeGrew()
{
    // Nothing below the new text moves: lines, caret and undo steps are
    // counted from the end.
    scheduleLayout();
}

void ReceivedBox::documentChanged(bool linesChanged)
{
    if (linesChanged)
        m_cache->lines.clear();
    m_cache->longestKey = -1;
    scheduleLayout();
}

// ---- Layout ----

void ReceivedBox::scheduleLayout()
{
    if (m_layoutPending)
        return;
    m_layoutPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_layoutPending)
            return;
        layoutNow();
        viewport()->update();
    });
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
    if (m_topDistance >= 0)
        top = m_store.lineOf(m_store.size() - std::min(m_topDistance, m_store.size()));
    ++m_settingScroll;
    setRangeQuietly(v, int(std::min<qsizetype>(std::max<qsizetype>(0, lines - page), INT_MAX)));
    v->setPageStep(page);
    v->setValue(int(std::min<qsizetype>(top, v->maximum())));
    if (v->value() != top)
        m_topDistance = v->value() == 0 ? -1 : m_store.size() - m_store.lineStart(v->value());

    // The widest line is taken to be the one with the most characters.
    const qsizetype longest = m_store.longestLine();
    const qsizetype key = m_store.size() - m_store.lineStart(longest);
    const qsizetype length = m_store.longestLineLength();
    if (key != m_cache->longestKey || length != m_cache->longestLength) {
        m_cache->longestKey = key;
        m_cache->longestLength = length;
        // A long line is measured whole only when it is drawn away from its
        // start; until then its width is taken from its first segments.
        const auto known = m_cache->lines.find(quint64(key));
        if (length <= 4 * kSegment || (known != m_cache->lines.end() && known->second.first == length)) {
            m_cache->longestWidth = geometry(longest).x.back();
        } else {
            const QString head = displayForm(m_store.text(m_store.lineStart(longest), 4 * kSegment));
            m_cache->longestWidth = QFontMetricsF(font()).horizontalAdvance(head) * qreal(length) / head.size();
        }
    }
    const int width = int(std::ceil(m_cache->longestWidth)) + 2 * kMargin + 1;
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
    if (!m_settingScroll) {
        const int top = verticalScrollBar()->value();
        m_topDistance = top == 0 ? -1 : m_store.size() - m_store.lineStart(top);
    }
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
    const qsizetype length = m_store.lineLength(line);
    const QFont f = font();
    if (length <= kSegment) {
        QTextLayout layout(displayForm(m_store.text(start, length)));
        layOut(layout, f);
        m_cache->shortLine.x = {0, layout.lineAt(0).naturalTextWidth()};
        return m_cache->shortLine;
    }
    auto &lines = m_cache->lines;
    const quint64 key = quint64(m_store.size() - start);
    const auto found = lines.find(key);
    if (found != lines.end() && found->second.first == length)
        return found->second.second;
    if (lines.size() >= kCachedLines)
        lines.clear();
    // Where the segments start in the whole line as laid out once, so that
    // a piece drawn from there looks as the whole line would.
    LineGeometry g;
    QTextLayout whole(displayForm(m_store.text(start, length)));
    layOut(whole, f);
    const QTextLine l = whole.lineAt(0);
    g.x.reserve(size_t(length / kSegment + 2));
    for (qsizetype s = 0; s < length; s += kSegment)
        g.x.push_back(l.cursorToX(int(s)));
    g.x.push_back(l.naturalTextWidth());
    if (qsizetype(key) == m_cache->longestKey && length == m_cache->longestLength
        && !qFuzzyCompare(g.x.back(), m_cache->longestWidth)) {
        m_cache->longestWidth = g.x.back();
        m_cache->widthChanged = true;
    }
    auto &slot = lines[key];
    slot = {length, std::move(g)};
    return slot.second;
}

qreal ReceivedBox::columnToX(qsizetype line, qsizetype column) const
{
    const LineGeometry &g = geometry(line);
    const qsizetype segments = qsizetype(g.x.size()) - 1;
    const qsizetype s = std::clamp<qsizetype>(column / kSegment, 0, qMax<qsizetype>(0, segments - 1));
    const qsizetype from = m_store.lineStart(line) + s * kSegment;
    QTextLayout layout(displayForm(m_store.text(from, qMin(kSegment, m_store.lineLength(line) - s * kSegment))));
    layOut(layout, font());
    return g.x[size_t(s)] + layout.lineAt(0).cursorToX(int(column - s * kSegment));
}

qsizetype ReceivedBox::xToColumn(qsizetype line, qreal x) const
{
    const LineGeometry &g = geometry(line);
    const qsizetype length = m_store.lineLength(line);
    if (x <= 0 || length == 0)
        return 0;
    const auto after = std::upper_bound(g.x.begin(), g.x.end() - 1, x);
    const qsizetype s = qMax<qsizetype>(0, qsizetype(after - g.x.begin()) - 1);
    if (s * kSegment >= length)
        return length;
    QTextLayout layout(displayForm(m_store.text(m_store.lineStart(line) + s * kSegment, qMin(kSegment, length - s * kSegment))));
    layOut(layout, font());
    return s * kSegment + layout.lineAt(0).xToCursor(x - g.x[size_t(s)]);
}

qsizetype ReceivedBox::positionAt(const QPoint &p) const
{
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + (p.y() - kMargin) / lineHeight()
                                                     - (p.y() < kMargin ? 1 : 0),
                                                 0, m_store.lineCount() - 1);
    return m_store.lineStart(line) + xToColumn(line, p.x() - kMargin + horizontalScrollBar()->value());
}

QRect ReceivedBox::caretRect() const
{
    const qsizetype pos = cursorPosition();
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

// ---- Painting ----

void ReceivedBox::paintEvent(QPaintEvent *e)
{
    if (m_layoutPending)
        layoutNow();
    QPainter painter(viewport());
    const QRect clip = e->rect();
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
    if (m_cache->widthChanged) {
        m_cache->widthChanged = false;
        QTimer::singleShot(0, this, [this] {
            QScrollBar *h = horizontalScrollBar();
            setRangeQuietly(h, qMax(0, int(std::ceil(m_cache->longestWidth)) + 2 * kMargin + 1 - viewport()->width()));
        });
    }
}

// Draws the segments of the line that the clip rectangle shows, and one more
// either side, laid out together from where the first of them starts.
void ReceivedBox::drawLine(QPainter &painter, qsizetype line, int y, const QRect &clip) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = m_store.lineLength(line);
    const qreal origin = kMargin - horizontalScrollBar()->value();
    qsizetype from = 0, to = length;
    qreal fromX = 0;
    if (length > kSegment && clip.left() - origin <= 0) {
        // From the line's start: lay out enough to reach past the right edge.
        const qreal reach = clip.right() + 1 - origin + 16 * QFontMetricsF(font()).maxWidth();
        to = 2 * kSegment;
        for (;;) {
            to = qMin(to, length);
            QTextLayout piece(displayForm(m_store.text(start, to)));
            layOut(piece, font());
            if (to == length || piece.lineAt(0).naturalTextWidth() >= reach)
                break;
            to *= 2;
        }
    } else if (length > kSegment) {
        const LineGeometry &g = geometry(line);
        const auto left = std::upper_bound(g.x.begin(), g.x.end() - 1, clip.left() - origin);
        const auto right = std::upper_bound(g.x.begin(), g.x.end() - 1, clip.right() + 1 - origin);
        const qsizetype s0 = qMax<qsizetype>(0, qsizetype(left - g.x.begin()) - 2);
        const qsizetype s1 = qsizetype(right - g.x.begin()) + 1;
        from = s0 * kSegment;
        to = qMin(length, s1 * kSegment);
        fromX = g.x[size_t(s0)];
        if (from >= to)
            return;
    }
    QTextLayout layout(displayForm(m_store.text(start + from, to - from)));
    layOut(layout, font());
    QList<QTextLayout::FormatRange> selections;
    if (hasSelection()) {
        const qsizetype a = std::min(cursorPosition(), m_store.size() - m_anchor);
        const qsizetype b = std::max(cursorPosition(), m_store.size() - m_anchor);
        // A selection that goes on past the line shows its line break.
        const qsizetype end = b > start + length && to == length ? start + to + 1 : std::min(b, start + to);
        const qsizetype begin = std::max(a, start + from);
        if (end > begin) {
            QTextLayout::FormatRange r;
            r.start = int(begin - start - from);
            r.length = int(end - begin);
            r.format.setBackground(palette().highlight());
            r.format.setForeground(palette().highlightedText());
            selections.append(r);
        }
    }
    painter.setPen(palette().text().color());
    layout.draw(&painter, QPointF(origin + fromX, y), selections, clip);
}

// ---- Caret and selection ----

qsizetype ReceivedBox::cursorPosition() const { return m_store.size() - m_caret; }

void ReceivedBox::setCursorPosition(qsizetype pos, bool keepAnchor) { moveCaret(pos, keepAnchor); }

QString ReceivedBox::selectedText() const
{
    const qsizetype a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    QString t = displayForm(m_store.text(m_store.size() - b, b - a));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void ReceivedBox::moveCaret(qsizetype pos, bool keepAnchor, bool keepColumn)
{
    pos = std::clamp<qsizetype>(pos, 0, m_store.size());
    // Never between the CR and the LF of one line break.
    if (pos > 0 && pos < m_store.size() && m_store.at(pos) == QLatin1Char('\n') && m_store.at(pos - 1) == QLatin1Char('\r'))
        --pos;
    const bool hadSelection = hasSelection();
    m_caret = m_store.size() - pos;
    if (!keepAnchor)
        m_anchor = m_caret;
    if (!keepColumn)
        m_wantedX = -1;
    if (hasSelection())
        selectionToX11();
    restartBlink();
    ensureCaretVisible();
    if (hadSelection || hasSelection())
        viewport()->update();
}

void ReceivedBox::selectAll()
{
    m_anchor = m_store.size();
    m_caret = 0;
    selectionToX11();
    viewport()->update();
}

void ReceivedBox::selectionToX11()
{
    QClipboard *c = QGuiApplication::clipboard();
    if (c->supportsSelection() && hasSelection())
        c->setText(selectedText(), QClipboard::Selection);
}

qsizetype ReceivedBox::stepRight(qsizetype pos) const
{
    if (pos >= m_store.size())
        return pos;
    if (m_store.at(pos) == QLatin1Char('\r') && pos + 1 < m_store.size() && m_store.at(pos + 1) == QLatin1Char('\n'))
        return pos + 2;
    return pos + 1;
}

qsizetype ReceivedBox::stepLeft(qsizetype pos) const
{
    if (pos <= 0)
        return 0;
    if (pos >= 2 && m_store.at(pos - 1) == QLatin1Char('\n') && m_store.at(pos - 2) == QLatin1Char('\r'))
        return pos - 2;
    return pos - 1;
}

qsizetype ReceivedBox::wordEnd(qsizetype pos) const
{
    const qsizetype n = m_store.size();
    while (pos < n && !isWordCharacter(m_store.at(pos)))
        ++pos;
    while (pos < n && isWordCharacter(m_store.at(pos)))
        ++pos;
    return pos;
}

qsizetype ReceivedBox::wordStart(qsizetype pos) const
{
    while (pos > 0 && !isWordCharacter(m_store.at(pos - 1)))
        --pos;
    while (pos > 0 && isWordCharacter(m_store.at(pos - 1)))
        --pos;
    return pos;
}

void ReceivedBox::restartBlink()
{
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void ReceivedBox::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
}

void ReceivedBox::focusInEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
}

void ReceivedBox::focusOutEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    m_caretShown = false;
    viewport()->update();
}

void ReceivedBox::changeEvent(QEvent *e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        documentChanged(true);
        layoutNow();
    }
}

// ---- Editing ----

void ReceivedBox::edit(qsizetype pos, qsizetype count, const QString &text, bool typing)
{
    if (count == 0 && text.isEmpty())
        return;
    const qsizetype tail = m_store.size() - pos - count;
    const QString removed = m_store.text(pos, count);
    Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
    // Characters typed one after another are undone together.
    if (typing && last && last->typing && count == 0 && last->tail == tail)
        last->inserted += text;
    else
        m_undo.push_back({tail, removed, text, typing});
    m_redo.clear();
    m_store.replace(pos, count, text);
    m_caret = m_anchor = tail;
    documentChanged(true);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::removeSelection()
{
    const qsizetype a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(m_store.size() - b, b - a, QString());
}

void ReceivedBox::insertTyped(const QString &text)
{
    const qsizetype a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(m_store.size() - b, b - a, documentForm(text), a == b);
}

void ReceivedBox::applyEdit(const Edit &e, bool forward)
{
    const QString &out = forward ? e.removed : e.inserted;
    const QString &in = forward ? e.inserted : e.removed;
    const qsizetype pos = m_store.size() - e.tail - out.size();
    m_store.replace(pos, out.size(), in);
    m_caret = e.tail;
    m_anchor = e.tail + in.size();
    documentChanged(true);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::undo()
{
    if (m_undo.empty())
        return;
    m_redo.push_back(m_undo.back());
    m_undo.pop_back();
    m_redo.back().typing = false;
    applyEdit(m_redo.back(), false);
}

void ReceivedBox::redo()
{
    if (m_redo.empty())
        return;
    m_undo.push_back(m_redo.back());
    m_redo.pop_back();
    applyEdit(m_undo.back(), true);
}

void ReceivedBox::copy()
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ReceivedBox::cut()
{
    if (!hasSelection())
        return;
    copy();
    removeSelection();
}

void ReceivedBox::paste()
{
    const QString t = QGuiApplication::clipboard()->text();
    if (!t.isEmpty())
        insertTyped(t);
}

// ---- Keyboard and mouse ----

namespace {

enum class Move { None, Right, Left, Down, Up, LineStart, LineEnd, Start, End, PageDown, PageUp, WordRight, WordLeft };

struct KeyMove {
    QKeySequence::StandardKey key;
    Move move;
    bool select;
};

const KeyMove kMoves[] = {
    {QKeySequence::MoveToNextChar, Move::Right, false},       {QKeySequence::SelectNextChar, Move::Right, true},
    {QKeySequence::MoveToPreviousChar, Move::Left, false},    {QKeySequence::SelectPreviousChar, Move::Left, true},
    {QKeySequence::MoveToNextLine, Move::Down, false},        {QKeySequence::SelectNextLine, Move::Down, true},
    {QKeySequence::MoveToPreviousLine, Move::Up, false},      {QKeySequence::SelectPreviousLine, Move::Up, true},
    {QKeySequence::MoveToStartOfLine, Move::LineStart, false}, {QKeySequence::SelectStartOfLine, Move::LineStart, true},
    {QKeySequence::MoveToEndOfLine, Move::LineEnd, false},    {QKeySequence::SelectEndOfLine, Move::LineEnd, true},
    {QKeySequence::MoveToStartOfDocument, Move::Start, false}, {QKeySequence::SelectStartOfDocument, Move::Start, true},
    {QKeySequence::MoveToEndOfDocument, Move::End, false},    {QKeySequence::SelectEndOfDocument, Move::End, true},
    {QKeySequence::MoveToNextPage, Move::PageDown, false},    {QKeySequence::SelectNextPage, Move::PageDown, true},
    {QKeySequence::MoveToPreviousPage, Move::PageUp, false},  {QKeySequence::SelectPreviousPage, Move::PageUp, true},
    {QKeySequence::MoveToNextWord, Move::WordRight, false},   {QKeySequence::SelectNextWord, Move::WordRight, true},
    {QKeySequence::MoveToPreviousWord, Move::WordLeft, false}, {QKeySequence::SelectPreviousWord, Move::WordLeft, true},
};

const QKeySequence::StandardKey kEditKeys[] = {QKeySequence::Copy,  QKeySequence::Cut,       QKeySequence::Paste,
                                               QKeySequence::Undo,  QKeySequence::Redo,      QKeySequence::SelectAll,
                                               QKeySequence::Delete, QKeySequence::Backspace};

} // namespace

bool ReceivedBox::event(QEvent *e)
{
    // The box's own keys win over the window's shortcuts, as in any text box.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *k = static_cast<QKeyEvent *>(e);
        bool mine = !k->text().isEmpty() && k->text().at(0).isPrint()
                    && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        for (const auto key : kEditKeys)
            mine = mine || k->matches(key);
        for (const KeyMove &m : kMoves)
            mine = mine || k->matches(m.key);
        if (mine) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool ReceivedBox::focusNextPrevChild(bool) { return false; }

void ReceivedBox::keyPressEvent(QKeyEvent *e)
{
    for (const KeyMove &m : kMoves) {
        if (!e->matches(m.key))
            continue;
        const qsizetype pos = cursorPosition();
        const qsizetype line = m_store.lineOf(pos);
        const qsizetype lineStart = m_store.lineStart(line);
        qsizetype to = pos;
        bool keepColumn = false;
        auto toLine = [&](qsizetype target) {
            if (m_wantedX < 0)
                m_wantedX = columnToX(line, pos - lineStart);
            target = std::clamp<qsizetype>(target, 0, m_store.lineCount() - 1);
            keepColumn = true;
            return m_store.lineStart(target) + xToColumn(target, m_wantedX);
        };
        switch (m.move) {
        case Move::Right: to = stepRight(pos); break;
        case Move::Left: to = stepLeft(pos); break;
        case Move::Down: to = toLine(line + 1); break;
        case Move::Up: to = toLine(line - 1); break;
        case Move::LineStart: to = lineStart; break;
        case Move::LineEnd: to = lineStart + m_store.lineLength(line); break;
        case Move::Start: to = 0; break;
        case Move::End: to = m_store.size(); break;
        case Move::PageDown:
            scrollToLine(firstVisibleLine() + visibleLines());
            to = toLine(line + visibleLines());
            break;
        case Move::PageUp:
            scrollToLine(firstVisibleLine() - visibleLines());
            to = toLine(line - visibleLines());
            break;
        case Move::WordRight: to = wordEnd(pos); break;
        case Move::WordLeft: to = wordStart(pos); break;
        case Move::None: break;
        }
        moveCaret(to, m.select, keepColumn);
        return;
    }
    if (e->matches(QKeySequence::SelectAll))
        selectAll();
    else if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::Cut))
        cut();
    else if (e->matches(QKeySequence::Paste))
        paste();
    else if (e->matches(QKeySequence::Undo))
        undo();
    else if (e->matches(QKeySequence::Redo))
        redo();
    else if (e->matches(QKeySequence::Delete) || e->key() == Qt::Key_Delete) {
        if (hasSelection())
            removeSelection();
        else
            edit(cursorPosition(), stepRight(cursorPosition()) - cursorPosition(), QString());
    } else if (e->matches(QKeySequence::Backspace) || e->key() == Qt::Key_Backspace) {
        if (hasSelection()) {
            removeSelection();
        } else {
            const qsizetype to = stepLeft(cursorPosition());
            edit(to, cursorPosition() - to, QString());
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        insertTyped(QStringLiteral("\n"));
    } else if (!e->text().isEmpty() && (e->text().at(0).isPrint() || e->text().at(0) == QLatin1Char('\t'))
               && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        insertTyped(e->text());
    } else {
        e->ignore();
    }
}

void ReceivedBox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        m_dragging = true;
        moveCaret(positionAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
    } else if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        const QString t = QGuiApplication::clipboard()->text(QClipboard::Selection);
        moveCaret(positionAt(e->position().toPoint()), false);
        if (!t.isEmpty())
            insertTyped(t);
    }
}

void ReceivedBox::mouseMoveEvent(QMouseEvent *e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        moveCaret(positionAt(e->position().toPoint()), true);
}

void ReceivedBox::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_dragging = false;
}

void ReceivedBox::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const qsizetype pos = positionAt(e->position().toPoint());
    qsizetype from = pos, to = pos;
    while (from > 0 && isWordCharacter(m_store.at(from - 1)))
        --from;
    while (to < m_store.size() && isWordCharacter(m_store.at(to)))
        ++to;
    if (from == to && to < m_store.size())
        to = stepRight(to);
    moveCaret(from, false);
    moveCaret(to, true);
}

void ReceivedBox::contextMenuEvent(QContextMenuEvent *e)
{
    QMenu menu(this);
    auto add = [&](const char *caption, QKeySequence::StandardKey key, bool enabled, void (ReceivedBox::*slot)()) {
        QString text = QCoreApplication::translate("QWidgetTextControl", caption);
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        if (!shortcut.isEmpty())
            text += QLatin1Char('\t') + shortcut;
        QAction *a = menu.addAction(text, this, slot);
        a->setEnabled(enabled);
    };
    add("&Undo", QKeySequence::Undo, !m_undo.empty(), &ReceivedBox::undo);
    add("&Redo", QKeySequence::Redo, !m_redo.empty(), &ReceivedBox::redo);
    menu.addSeparator();
    add("Cu&t", QKeySequence::Cut, hasSelection(), &ReceivedBox::cut);
    add("&Copy", QKeySequence::Copy, hasSelection(), &ReceivedBox::copy);
    add("&Paste", QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(), &ReceivedBox::paste);
    add("Delete", QKeySequence::UnknownKey, hasSelection(), &ReceivedBox::removeSelection);
    menu.addSeparator();
    add("Select All", QKeySequence::SelectAll, !m_store.isEmpty(), &ReceivedBox::selectAll);
    menu.exec(e->globalPos());
}

void ReceivedBox::inputMethodEvent(QInputMethodEvent *e)
{
    if (!e->commitString().isEmpty())
        insertTyped(e->commitString());
    e->accept();
}

QVariant ReceivedBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return caretRect();
    case Qt::ImFont: return font();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace kestrum
