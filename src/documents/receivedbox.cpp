#include "documents/receivedbox.h"
#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <vector>

namespace kestrum {

namespace {
constexpr QChar kNulSymbol(0x2400);  // SYMBOL FOR NULL

// A line longer than this is drawn only around the part in view.
constexpr int kLongLine = 1000;
// Characters drawn beyond each edge of the view, so that the edges of the
// drawn piece, where its shaping could differ, are never seen.
constexpr int kPieceMargin = 16;

// Text that is drawn glyph after glyph from left to right: no tabs (their
// width depends on where the line starts), nothing written right to left,
// no pairs of surrogates. Such a line drawn in part looks exactly as drawn
// whole.
bool drawsInPieces(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || (u >= 0x0590 && u < 0x2000) || u >= 0x2500)
            return false;
    }
    return true;
}
} // namespace

struct ReceivedBox::Impl {
    // The document, newest chunk last: putting a message in front is an
    // append here, whatever the size of the box.
    std::vector<QString> chunks;
    qsizetype length = 0;
    // The user has edited the box: the widget's text is the document now.
    bool followsView = false;
    // Nonzero while the box itself changes the widget.
    int changingView = 0;
};

ReceivedBox::ReceivedBox(QWidget *parent) : QPlainTextEdit(parent), d(new Impl)
{
    connect(document(), &QTextDocument::contentsChange, this, &ReceivedBox::onContentsChange);
}

ReceivedBox::~ReceivedBox() { delete d; }

QString ReceivedBox::displayForm(const QString &text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString shown = text;
    shown.replace(QChar(0), kNulSymbol);
    return shown;
}

void ReceivedBox::onContentsChange(int, int charsRemoved, int charsAdded)
{
    if (d->changingView || (charsRemoved == 0 && charsAdded == 0))
        return;
    d->followsView = true;
}

void ReceivedBox::takeTextFromView() const
{
    // The raw text keeps every character as shown (no-break spaces too);
    // paragraph and line separators are the line breaks the user sees.
    QString t = document()->toRawText();
    QString out;
    out.reserve(t.size() + t.size() / 16);
    for (const QChar c : std::as_const(t)) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            out += QLatin1String("\r\n");
        else if (c == kNulSymbol)
            out += QChar(0);
        else
            out += c;
    }
    d->chunks.clear();
    d->length = out.size();
    if (!out.isEmpty())
        d->chunks.push_back(std::move(out));
    d->followsView = false;
}

QString ReceivedBox::text() const
{
    if (d->followsView)
        takeTextFromView();
    if (d->chunks.size() == 1)
        return d->chunks.front();
    QString out;
    out.reserve(d->length);
    for (auto it = d->chunks.rbegin(); it != d->chunks.rend(); ++it)
        out += *it;
    return out;
}

qsizetype ReceivedBox::textLength() const
{
    if (d->followsView)
        takeTextFromView();
    return d->length;
}

void ReceivedBox::setText(const QString &text)
{
    d->chunks.clear();
    d->length = text.size();
    if (!text.isEmpty())
        d->chunks.push_back(text);
    d->followsView = false;
    ++d->changingView;
    setPlainText(displayForm(text));
    --d->changingView;
}

void ReceivedBox::prepend(const QString &text)
{
    if (d->followsView)
        takeTextFromView();
    if (text.isEmpty())
        return;
    d->chunks.push_back(text);
    d->length += text.size();

    QTextDocument *doc = document();
    ++d->changingView;
    // The insertion is no edit of the user's: it does not go on the undo
    // stack, and what was there is dropped, as its positions no longer hold.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor top(doc);
    // Inside an edit block the cursor does not lay out the new lines to
    // find its horizontal position; outside one every line would keep a
    // text layout of its own, several kilobytes each, for ever.
    top.beginEditBlock();
    top.insertText(displayForm(text));
    top.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    --d->changingView;
}

void ReceivedBox::clearText() { setText(QString()); }

void ReceivedBox::paintEvent(QPaintEvent *e)
{
    // The widget shapes and draws every glyph of each line in view at each
    // paint, also the glyphs far outside the view. A fast line sends
    // messages of tens of kilobytes, each a single line; a box full of them
    // would take a quarter of a second for every paint and the window would
    // stop answering. Such lines are drawn in part; the rest is the widget's.
    const int viewHeight = viewport()->height();
    QPointF offset = contentOffset();
    bool longLine = false;
    for (QTextBlock b = firstVisibleBlock(); b.isValid() && offset.y() <= viewHeight; b = b.next()) {
        if (b.isVisible() && b.length() > kLongLine) {
            longLine = true;
            break;
        }
        offset.ry() += blockBoundingRect(b).height();
    }
    if (longLine)
        paintWithLongLines(e);
    else
        QPlainTextEdit::paintEvent(e);
}

namespace {

// Where every kIndexStep-th character of a long line stands, from the line's
// start; kept with the line's block until the line changes. The layout the
// widget keeps for a line drops its glyphs; asking it where a character
// stands would shape the whole line again at every paint.
constexpr int kIndexStep = 256;

struct LineIndex : QTextBlockUserData {
    int revision = -1;
    int length = -1;
    QFont font;
    std::vector<qreal> x;
};

const LineIndex &lineIndex(const QTextBlock &block, const QString &text, const QFont &font,
                           const QTextOption &option)
{
    auto *index = static_cast<LineIndex *>(block.userData());
    if (index && index->revision == block.revision() && index->length == text.size() && index->font == font)
        return *index;
    if (!index) {
        index = new LineIndex;
        QTextBlock(block).setUserData(index);
    }
    QTextLayout whole(text, font);
    whole.setTextOption(option);
    whole.setCacheEnabled(true);
    whole.beginLayout();
    QTextLine line = whole.createLine();
    whole.endLayout();
    index->x.clear();
    for (int i = 0; i < text.size(); i += kIndexStep)
        index->x.push_back(line.cursorToX(i) - line.x());
    index->revision = block.revision();
    index->length = text.size();
    index->font = font;
    return *index;
}

} // namespace

// Draws the part of a long one-line block that the rectangle er shows, and
// a margin of characters either side.
void ReceivedBox::drawLongLine(QPainter *painter, const QTextBlock &block, const QString &text, const QPointF &offset,
                               const QList<QTextLayout::FormatRange> &selections, const QRect &er)
{
    const QTextLine line = block.layout()->lineAt(0);
    const QFont font = document()->defaultFont();
    const qreal left = er.left() - offset.x() - line.x();
    const qreal right = er.right() + 1 - offset.x() - line.x();
    QTextOption option = block.layout()->textOption();
    option.setWrapMode(QTextOption::NoWrap);
    int from = 0;
    qreal fromX = 0;
    if (left > 0) {
        const LineIndex &index = lineIndex(block, text, font, option);
        // The last mark left of the view, and one more step back.
        const auto after = std::upper_bound(index.x.begin(), index.x.end(), left);
        const int k = qMax(0, int(after - index.x.begin()) - 2);
        from = k * kIndexStep;
        fromX = index.x[size_t(k)];
    }
    // Enough characters to reach past the right edge by a margin.
    const qreal reach = right - fromX + kPieceMargin * QFontMetricsF(font).maxWidth();
    int count = 2 * kIndexStep;
    for (;;) {
        count = qMin<qsizetype>(count, text.size() - from);
        QTextLayout piece(text.mid(from, count), font);
        piece.setTextOption(option);
        piece.beginLayout();
        QTextLine pieceLine = piece.createLine();
        pieceLine.setLeadingIncluded(true);
        pieceLine.setPosition(QPointF(line.x() + fromX, line.y()));
        piece.endLayout();
        if (pieceLine.naturalTextWidth() < reach && from + count < text.size()) {
            count *= 2;
            continue;
        }
        const int to = from + count;
        const int lineEnd = text.size();
        QList<QTextLayout::FormatRange> pieceSelections;
        for (QTextLayout::FormatRange o : selections) {
            const int start = qMax(o.start, from);
            // A selection that goes on past the line keeps its reach past
            // the piece's end.
            const int end = o.start + o.length > lineEnd && to == lineEnd ? o.start + o.length
                                                                          : qMin(o.start + o.length, to);
            if (end <= start)
                continue;
            o.start = start - from;
            o.length = end - start;
            pieceSelections.append(o);
        }
        piece.draw(painter, offset, pieceSelections, er);
        return;
    }
}

// The widget's own painting, except that a long line of plain left-to-right
// text is drawn only from a little before the view's left edge to a little
// after its right edge: the piece is laid out afresh at the x where that
// character stands in the whole line, so it looks the same.
void ReceivedBox::paintWithLongLines(QPaintEvent *e)
{
    QPainter painter(viewport());
    QPointF offset(contentOffset());
    QRect er = e->rect();
    const QRect viewportRect = viewport()->rect();
    const bool editable = !isReadOnly();
    QTextDocument *doc = document();
    const qreal maximumWidth = doc->documentLayout()->documentSize().width();

    painter.setBrushOrigin(offset);
    // The right margin stays clear of a full-width selection.
    const int maxX = int(offset.x() + qMax(qreal(viewportRect.width()), maximumWidth) - doc->documentMargin())
                     + cursorWidth();
    er.setRight(qMin(er.right(), maxX));
    painter.setClipRect(er);

    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());

    QTextBlock block = firstVisibleBlock();
    while (block.isValid()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        QTextLayout *layout = block.layout();
        if (!block.isVisible()) {
            offset.ry() += r.height();
            block = block.next();
            continue;
        }
        if (r.bottom() >= er.top() && r.top() <= er.bottom()) {
            const QBrush bg = block.blockFormat().background();
            if (bg != Qt::NoBrush) {
                QRectF contents = r;
                contents.setWidth(qMax(r.width(), maximumWidth));
                painter.fillRect(contents, bg);
            }
            QList<QTextLayout::FormatRange> selections;
            const int blpos = block.position();
            const int bllen = block.length();
            for (const QAbstractTextDocumentLayout::Selection &range : context.selections) {
                const int selStart = range.cursor.selectionStart() - blpos;
                const int selEnd = range.cursor.selectionEnd() - blpos;
                if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
                    QTextLayout::FormatRange o;
                    o.start = selStart;
                    o.length = selEnd - selStart;
                    o.format = range.format;
                    selections.append(o);
                } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection)
                           && block.contains(range.cursor.position())) {
                    const QTextLine l = layout->lineForTextPosition(range.cursor.position() - blpos);
                    QTextLayout::FormatRange o;
                    o.start = l.textStart();
                    o.length = l.textLength();
                    if (o.start + o.length == bllen - 1)
                        ++o.length;  // the line break too
                    o.format = range.format;
                    selections.append(o);
                }
            }
            const bool drawCursor = (editable || (textInteractionFlags() & Qt::TextSelectableByKeyboard))
                                    && context.cursorPosition >= blpos && context.cursorPosition < blpos + bllen;
            bool drawCursorAsBlock = drawCursor && overwriteMode();
            if (drawCursorAsBlock) {
                if (context.cursorPosition == blpos + bllen - 1) {
                    drawCursorAsBlock = false;
                } else {
                    QTextLayout::FormatRange o;
                    o.start = context.cursorPosition - blpos;
                    o.length = 1;
                    o.format.setForeground(palette().base());
                    o.format.setBackground(palette().text());
                    selections.append(o);
                }
            }

            const QString text = block.length() > kLongLine ? block.text() : QString();
            if (text.isEmpty() || layout->lineCount() != 1 || !layout->preeditAreaText().isEmpty()
                || !drawsInPieces(text))
                layout->draw(&painter, offset, selections, er);
            else
                drawLongLine(&painter, block, text, offset, selections, er);

            if (drawCursor && !drawCursorAsBlock)
                layout->drawCursor(&painter, offset, context.cursorPosition - blpos, cursorWidth());
            else if (editable && context.cursorPosition < -1 && !layout->preeditAreaText().isEmpty())
                layout->drawCursor(&painter, offset, layout->preeditAreaPosition() - (context.cursorPosition + 2),
                                   cursorWidth());
        }
        offset.ry() += r.height();
        if (offset.y() > viewportRect.height())
            break;
        block = block.next();
    }

    if (backgroundVisible() && !block.isValid() && offset.y() <= er.bottom()
        && (centerOnScroll() || verticalScrollBar()->maximum() == verticalScrollBar()->value()))
        painter.fillRect(QRect(QPoint(int(er.left()), int(offset.y())), er.bottomRight()), palette().window());
}

bool ReceivedBox::isEmptyText() const
{
    if (d->followsView)
        return document()->isEmpty();
    return d->length == 0;
}

} // namespace kestrum
