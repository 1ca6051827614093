// Editing the received box: the user's edits, their undo and redo, and the clipboard (a big
// selection copied aside with progress and Cancel).
#include "ui/received/receivedboxparts.h"
#include "core/log/messageline.h"
#include "core/document/textfile.h"
#include "ui/common/longwork.h"
#include "platform/platform.h"
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>

namespace kestrum {

using namespace boxparts;

namespace boxparts {

// Document text as the clipboards get it: NUL shown, every line break LF.
QString clipboardPiece(const QString &documentText)
{
    QString t = ReceivedBox::displayForm(documentText);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

// Typed or pasted text as the document keeps it: every line break CR LF,
// the NUL symbol a NUL again.
QString documentForm(const QString &typed)
{
    QString out = withCrLf(typed);
    out.replace(kNulSymbol, QChar(0));
    return out;
}

} // namespace boxparts

namespace {

// A selection copied from the hex view piece by piece: each line converted
// as it is shown once its end is read.
struct HexCopy {
    HexLine first, last;
    qsizetype firstColumn;
    bool oneLine;
    // The bytes received with a parity error, as places in the selection.
    std::vector<qsizetype> errors{};
    QString line{}, out{};
    bool inFirst = true, afterCr = false;
    qsizetype at = 0, lineAt = 0;  // places in the selection: the next character, the line's start

    void feed(QStringView piece)
    {
        for (const QChar c : piece) {
            ++at;
            if (c == QLatin1Char('\n') && afterCr) {
                afterCr = false;
                lineAt = at;
                continue;
            }
            afterCr = c == QLatin1Char('\r');
            if (afterCr || c == QLatin1Char('\n')) {
                flush(false);
                lineAt = at;
                out += QLatin1Char('\n');
            } else {
                line += c;
            }
        }
    }
    QString finish()
    {
        flush(true);
        return std::move(out);
    }
    void flush(bool end)
    {
        const HexLine h = inFirst && !(end && !oneLine) ? first
                          : end ? last
                                : HexLine::of(QStringView(line).left(HexLine::kStampReach),
                                              QStringView(line).right(HexLine::kStampReach), line.size());
        const qsizetype column = inFirst ? firstColumn : 0;
        std::vector<qsizetype> marked;
        for (auto e = std::lower_bound(errors.begin(), errors.end(), lineAt);
             e != errors.end() && *e < lineAt + line.size(); ++e)
            marked.push_back(column + *e - lineAt);
        out += hexText(h, column, line, marked);
        line.clear();
        inFirst = false;
    }
};

} // namespace

QString ReceivedBox::selectedText() const
{
    return clipboardText(std::min(m_caret, m_anchor), std::max(m_caret, m_anchor));
}

// Characters between two distances from the end, as the clipboards get them.
QString ReceivedBox::clipboardText(CharsFromEnd near, CharsFromEnd far) const
{
    const qsizetype from = fromTop(far, m_store.size()).get(), to = fromTop(near, m_store.size()).get();
    if (!m_hex) {
        const QString text = m_store.text(from, to - from);
        if (!m_look.colours || !text.contains(QChar(0x1B)))
            return clipboardForm(text);
    }
    // As shown: line by line, each line's part as hex, or as its text
    // without the escape sequences.
    QString out;
    for (qsizetype line = m_store.lineOf(from); line < m_store.lineCount(); ++line) {
        const qsizetype start = m_store.lineStart(line), length = m_store.lineLength(line);
        const qsizetype a = std::max(from, start) - start, b = std::min(to, start + length) - start;
        if (b > a) {
            g_work.converted += b - a;
            if (m_hex)
                out += hexText(hexLine(line), a, m_store.text(start + a, b - a), m_store.errorColumns(start, a, b - a));
            else
                out += displayForm(shownText(line, toShown(line, a), toShown(line, b) - toShown(line, a)));
        }
        if (to <= start + length)
            break;
        out += QLatin1Char('\n');
    }
    return out;
}

QString ReceivedBox::clipboardForm(const QString &documentText)
{
    g_work.converted += documentText.size();
    return clipboardPiece(documentText);
}

void ReceivedBox::edit(qsizetype pos, qsizetype count, const QString &text, bool typing)
{
    if ((count == 0 && text.isEmpty()) || m_hex)
        return;
    const CharsFromEnd tail = fromEnd(CharFromTop(pos + count), m_store.size());
    const QString removed = m_store.text(pos, count);
    Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
    // Characters typed one after another are undone together.
    if (typing && last && last->typing && count == 0 && last->tail == tail)
        last->inserted += text;
    else
        m_undo.push_back({tail, removed, text, typing});
    m_redo.clear();
    keepPrimary(pos, count, removed);
    m_store.replace(pos, count, text);
    m_caret = m_anchor = tail;
    textReplaced(pos, removed, text);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::removeSelection()
{
    const CharsFromEnd a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(fromTop(b, m_store.size()).get(), b - a, QString());
}

void ReceivedBox::insertTyped(const QString &text)
{
    const CharsFromEnd a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(fromTop(b, m_store.size()).get(), b - a, documentForm(text), a == b);
}

void ReceivedBox::applyEdit(const Edit &e, bool forward)
{
    const QString &out = forward ? e.removed : e.inserted;
    const QString &in = forward ? e.inserted : e.removed;
    const qsizetype pos = fromTop(e.tail, m_store.size()).get() - out.size();
    keepPrimary(pos, out.size(), out);
    m_store.replace(pos, out.size(), in);
    m_caret = e.tail;
    m_anchor = e.tail + in.size();
    textReplaced(pos, out, in);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::undo()
{
    if (m_undo.empty() || m_hex)
        return;
    m_redo.push_back(m_undo.back());
    m_undo.pop_back();
    m_redo.back().typing = false;
    applyEdit(m_redo.back(), false);
}

void ReceivedBox::redo()
{
    if (m_redo.empty() || m_hex)
        return;
    m_undo.push_back(m_redo.back());
    m_redo.pop_back();
    applyEdit(m_undo.back(), true);
}

void ReceivedBox::copy() { copySelection(); }

// False when nothing was copied (no selection, or the user cancelled).
bool ReceivedBox::copySelection()
{
    if (!hasSelection())
        return false;
    const CharsFromEnd near = std::min(m_caret, m_anchor);
    const qsizetype count = std::max(m_caret, m_anchor) - near;
    if (count <= kCopyAtOnce) {
        QGuiApplication::clipboard()->setText(selectedText());
        return true;
    }
    if (m_longWork.running())
        return false;
    // A big selection is read from a snapshot on another thread, so that the
    // window goes on answering and messages go on arriving meanwhile.
    const std::shared_ptr<const StoreSnapshot> text = m_store.snapshot();
    const qsizetype from = fromTop(near, text->size()).get() - count;
    QString out;
    Progress progress;
    progress.total = count;
    // In hex view the lines at either end are taken from their starts, for
    // their stamps; the lines between are whole.
    const qsizetype firstLine = m_store.lineOf(from), lastLine = m_store.lineOf(from + count);
    HexCopy hex{hexLine(firstLine), hexLine(lastLine), from - m_store.lineStart(firstLine), firstLine == lastLine};
    if (m_hex)
        hex.errors = m_store.errorColumns(from, 0, count);
    try {
        m_longWork.run(tr("Копирование выделенного текста..."), progress, [&] {
            if (m_hex) {
                for (qsizetype done = 0; done < count && !progress.cancelled; progress.done = done) {
                    const qsizetype n = std::min(kCopyAtOnce, count - done);
                    hex.feed(text->text(from + done, n));
                    done += n;
                }
                out = hex.finish();
                return;
            }
            out.reserve(count);
            bool afterCr = false;  // a CR ended the piece before: its LF is no second break
            for (qsizetype done = 0; done < count && !progress.cancelled; progress.done = done) {
                const qsizetype n = std::min(kCopyAtOnce, count - done);
                QString piece = text->text(from + done, n);
                const bool endsWithCr = piece.endsWith(QLatin1Char('\r'));
                if (afterCr && piece.startsWith(QLatin1Char('\n')))
                    piece.remove(0, 1);
                out += clipboardPiece(piece);
                afterCr = endsWithCr;
                done += n;
            }
        });
    } catch (const std::bad_alloc &) {
        showMessage(QCoreApplication::translate("Clipboard", "Nothing was copied: the selection of %1 characters "
                                                             "does not fit in memory.")
                        .arg(count));
        return false;
    }
    if (progress.cancelled)
        return false;
    g_work.converted += count;
    QGuiApplication::clipboard()->setText(out);
    return true;
}

void ReceivedBox::cut()
{
    if (m_hex)
        return;
    if (copySelection())
        removeSelection();
}

void ReceivedBox::paste()
{
    const QString t = QGuiApplication::clipboard()->text();
    if (!t.isEmpty())
        insertTyped(t);
}

} // namespace kestrum
