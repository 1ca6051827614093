// What a screen reader sees of the received box: an editable text with the
// document's characters (NUL as the box shows it), the caret and the
// selection.
#include "ui/received/receivedbox.h"
#include <QAccessibleWidget>
#include <QScrollBar>
#include <climits>

namespace kestrum {

namespace {

int toInt(qsizetype v) { return int(std::clamp<qsizetype>(v, INT_MIN, INT_MAX)); }

// Characters around an offset, for the base interface's search for word,
// sentence and line boundaries, which would otherwise take the whole
// document for every question.
class TextAround : public QAccessibleTextInterface {
public:
    explicit TextAround(QString text) : m_text(std::move(text)) {}
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return m_text.mid(start, end - start); }
    int characterCount() const override { return int(m_text.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override
    {
        *start = *end = 0;
        return {};
    }

private:
    QString m_text;
};

} // namespace

class ReceivedBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReceivedBoxAccessible(ReceivedBox *box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    ReceivedBox *box() const { return static_cast<ReceivedBox *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        // The top of a long document: a reader asks for the rest by offsets.
        if (t == QAccessible::Value)
            return text(0, characterCount());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index != 0 || !box()->hasSelection())
            return;
        const qsizetype size = box()->m_store.size();
        *start = toInt(fromTop(std::max(box()->m_caret, box()->m_anchor), size).get());
        *end = toInt(fromTop(std::min(box()->m_caret, box()->m_anchor), size).get());
    }
    int selectionCount() const override { return box()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            box()->setCursorPosition(box()->cursorPosition());
    }
    void setSelection(int index, int start, int end) override
    {
        if (index != 0)
            return;
        box()->setCursorPosition(start);
        box()->setCursorPosition(end, true);
    }
    int cursorPosition() const override { return toInt(box()->cursorPosition()); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }

    // At most kReaderPiece characters from start, however many are asked.
    QString text(int start, int end) const override
    {
        const qsizetype count = std::min<qsizetype>(qsizetype(end) - start, ReceivedBox::kReaderPiece);
        return ReceivedBox::displayForm(box()->m_store.text(start, count));
    }
    int characterCount() const override { return toInt(box()->textLength()); }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return around(offset, start, end, [&](TextAround &t, int at, int *s, int *e) {
            return t.textBeforeOffset(at, type, s, e);
        });
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return around(offset, start, end, [&](TextAround &t, int at, int *s, int *e) {
            return t.textAfterOffset(at, type, s, e);
        });
    }
    // With no boundary, the characters around the offset.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return around(offset, start, end, [&](TextAround &t, int at, int *s, int *e) {
            return t.textAtOffset(at, type, s, e);
        });
    }

    QRect characterRect(int offset) const override
    {
        const ReceivedBox *b = box();
        const ReceivedStore &store = b->m_store;
        if (offset < 0 || offset >= store.size())
            return {};
        const qsizetype line = store.lineOf(offset);
        const qsizetype column = offset - store.lineStart(line);
        const qreal x = b->columnToX(line, column);
        const qreal w = b->columnToX(line, column + 1) - x;
        const QRect caret = b->caretRectAt(offset);
        const QRect r(caret.left(), caret.top(), qMax(1, int(w)), caret.height());
        return QRect(b->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint p = box()->viewport()->mapFromGlobal(point);
        if (!box()->viewport()->rect().contains(p))
            return -1;
        return toInt(box()->positionAt(p));
    }
    void scrollToSubstring(int start, int) override { box()->setCursorPosition(start); }
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    // Asks the base interface about the characters within kAround of the
    // offset, and moves its answer to the document's offsets.
    template <typename Ask>
    QString around(int offset, int *start, int *end, Ask ask) const
    {
        constexpr int kAround = 4096;
        const int from = std::max(0, offset - kAround);
        TextAround t(text(from, toInt(std::min<qsizetype>(qsizetype(offset) + kAround, box()->textLength()))));
        const QString found = ask(t, offset - from, start, end);
        if (*start >= 0) {
            *start += from;
            *end += from;
        }
        return found;
    }
};

QAccessibleInterface *receivedBoxAccessible(const QString &, QObject *object)
{
    if (auto *box = qobject_cast<ReceivedBox *>(object))
        return new ReceivedBoxAccessible(box);
    return nullptr;
}

} // namespace kestrum
