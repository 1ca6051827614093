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
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString one = pair ? text.mid(i, 2) : text.mid(i, 1);
        try {
            toAnsi(one);
        } catch (const Error &) {
            const char32_t code = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                       : char32_t(text.at(i).unicode());
            const QString hex = QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            throw fileError(what, path,
                            QStringLiteral("the character \"%1\" (U+%2) in line %3 has no byte in the "
                                           "Windows-1251 code page; nothing was written.")
                                .arg(one, hex)
                                .arg(line));
        }
        if (text.at(i) == QLatin1Char('\n'))
            ++line;
        if (pair)
            ++i;
    }
    throw fileError(what, path, QStringLiteral("the text cannot be converted to the Windows-1251 code page."));
}

} // namespace

void appendRecord(const QString &path, const QString &line)
{
    if (path.isEmpty())
        throw Error(QStringLiteral("The autosave file has no name: choose one in Options."));
    const QString what = QStringLiteral("Cannot write the autosave file");
    const QByteArray bytes = encodeForFile(line + kLineEnd, what, path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        throw fileError(QStringLiteral("Cannot open the autosave file"), path, f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush()) {
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
