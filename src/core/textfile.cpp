#include "core/textfile.h"
#include "core/codec.h"
#include "core/error.h"
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kestrum {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

Error fileError(const QString &what, const QString &path, const QString &reason)
{
    return Error(QStringLiteral("%1 \"%2\": %3").arg(what, shownPath(QDir::toNativeSeparators(path)), reason));
}

// The bytes of a text for a file. The codec's own message speaks of sending;
// for a file the user needs to know which line holds the character the
// code page lacks.
QByteArray encodeForFile(const QString &text, const QString &what, const QString &path)
{
    try {
        return toAnsi(text);
    } catch (const Error &) {
    }
    if (const std::optional<Unmappable> bad = firstUnmappable(text))
        throw fileError(what, path,
                        QStringLiteral("the character \"%1\" (%2) in line %3 has no byte in the "
                                       "Windows-1251 code page; nothing was written.")
                            .arg(bad->character, bad->codePoint)
                            .arg(text.left(bad->index).count(QLatin1Char('\n')) + 1));
    throw fileError(what, path, QStringLiteral("the text cannot be converted to the Windows-1251 code page."));
}

void checkAutosaveName(const QString &path)
{
    if (path.isEmpty())
        throw Error(QStringLiteral("The autosave file has no name: choose one in Options."));
}

} // namespace

void appendRecord(const QString &path, const QString &line)
{
    checkAutosaveName(path);
    appendRecordBytes(path, QByteArrayView(encodeForFile(line, QStringLiteral("Cannot write the autosave file"), path)));
}

void appendRecordBytes(const QString &path, QByteArrayView line)
{
    checkAutosaveName(path);
    const QString what = QStringLiteral("Cannot write the autosave file");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        throw fileError(QStringLiteral("Cannot open the autosave file"), path, f.errorString());
    // The line end goes through the file's buffer; the line, however long,
    // is not copied to add it.
    if (f.write(line.data(), line.size()) != line.size() || f.write("\r\n", 2) != 2 || !f.flush()) {
        const QString reason = f.errorString();
        f.close();
        throw fileError(what, path, reason);
    }
    f.close();
    if (f.error() != QFileDevice::NoError)
        throw fileError(what, path, f.errorString());
}

void writeDocument(const QString &path, const QString &text)
{
    const QString what = QStringLiteral("Cannot save");
    if (path.isEmpty())
        throw Error(QStringLiteral("Cannot save: no file name was given."));
    // Encode first: a text the code page cannot hold must not cost the old
    // file anything.
    const QByteArray bytes = encodeForFile(text + kLineEnd, what, path);
    // The old file is replaced only once the new content is completely on
    // disk; a read-only file makes open() fail and leaves it as it was. In a
    // folder where no temporary file can be made beside it, a writable file
    // is written in place rather than not at all.
    QSaveFile f(path);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly))
        throw fileError(what, path, f.errorString());
    if (f.write(bytes) != bytes.size()) {
        const QString reason = f.errorString();
        f.cancelWriting();
        throw fileError(what, path, reason);
    }
    if (!f.commit())
        throw fileError(what, path, f.errorString());
}

QStringList readDocumentLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw fileError(QStringLiteral("Cannot open"), path, f.errorString());
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw fileError(QStringLiteral("Cannot read"), path, f.errorString());
    f.close();
    // Only CR LF ends a line; a lone CR or LF belongs to the line's text.
    QStringList lines = fromAnsi(bytes).split(kLineEnd);
    // Text that ends with CR LF has no further line after it; an empty file
    // has no line at all.
    if (lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace kestrum
