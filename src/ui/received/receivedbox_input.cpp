// The caret of the received box, and what keys and the mouse do.
#include "ui/received/receivedboxparts.h"
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace kestrum {

using namespace boxparts;

namespace boxparts {

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

} // namespace boxparts

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

qsizetype ReceivedBox::cursorPosition() const { return fromTop(m_caret, m_store.size()).get(); }

void ReceivedBox::setCursorPosition(qsizetype pos, bool keepAnchor) { moveCaret(pos, keepAnchor); }

void ReceivedBox::moveCaret(qsizetype pos, bool keepAnchor, bool keepColumn)
{
    pos = std::clamp<qsizetype>(pos, 0, m_store.size());
    // Never between the CR and the LF of one line break.
    if (pos > 0 && pos < m_store.size() && m_store.at(pos) == QLatin1Char('\n') && m_store.at(pos - 1) == QLatin1Char('\r'))
        --pos;
    const bool hadSelection = hasSelection();
    if (hadSelection && !keepAnchor)
        pinPrimary();
    m_caret = fromEnd(CharFromTop(pos), m_store.size());
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
    tellCaret();
}

void ReceivedBox::tellCaret()
{
    if (!QAccessible::isActive())
        return;
    const int caret = int(std::min<qsizetype>(cursorPosition(), INT_MAX));
    if (hasSelection()) {
        const qsizetype size = m_store.size();
        QAccessibleTextSelectionEvent selection(
            this, int(std::min<qsizetype>(fromTop(std::max(m_caret, m_anchor), size).get(), INT_MAX)),
            int(std::min<qsizetype>(fromTop(std::min(m_caret, m_anchor), size).get(), INT_MAX)));
        selection.setCursorPosition(caret);
        QAccessible::updateAccessibility(&selection);
    } else {
        QAccessibleTextCursorEvent moved(this, caret);
        QAccessible::updateAccessibility(&moved);
    }
}

void ReceivedBox::selectAll()
{
    m_anchor = fromEnd(CharFromTop(0), m_store.size());
    m_caret = fromEnd(CharFromTop(m_store.size()), m_store.size());
    selectionToX11();
    viewport()->update();
    tellCaret();
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
    const bool editable = !m_hex;
    if (m_hex) {
        menu.addAction(tr("Только чтение: шестнадцатеричный вид"))->setEnabled(false);
        menu.addSeparator();
    }
    add("&Undo", QKeySequence::Undo, editable && !m_undo.empty(), &ReceivedBox::undo);
    add("&Redo", QKeySequence::Redo, editable && !m_redo.empty(), &ReceivedBox::redo);
    menu.addSeparator();
    add("Cu&t", QKeySequence::Cut, editable && hasSelection(), &ReceivedBox::cut);
    add("&Copy", QKeySequence::Copy, hasSelection(), &ReceivedBox::copy);
    add("&Paste", QKeySequence::Paste, editable && !QGuiApplication::clipboard()->text().isEmpty(),
        &ReceivedBox::paste);
    add("Delete", QKeySequence::UnknownKey, editable && hasSelection(), &ReceivedBox::removeSelection);
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
