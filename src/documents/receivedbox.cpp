#include "documents/receivedbox.h"
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace kestrum {

namespace {
constexpr QChar kNulSymbol(0x2400);  // SYMBOL FOR NULL
}

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

bool ReceivedBox::isEmptyText() const
{
    if (d->followsView)
        return document()->isEmpty();
    return d->length == 0;
}

} // namespace kestrum
