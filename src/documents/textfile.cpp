#include "documents/textfile.h"
#include "platform/codec.h"
#include "platform/error.h"
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kestrum {

namespace {

Error fileError(const QString &what, const QString &path, const QString &reason)
{
    return Error(QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), reason));
}

} // namespace

void appendRecord(const QString &path, const QString &line)
{
    if (path.isEmpty())
        throw Error(QStringLiteral("The autosave file has no name: choose one in Options."));
    const QByteArray bytes = toAnsi(line) + "\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        throw fileError(QStringLiteral("Cannot open the autosave file"), path, f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const QString reason = f.errorString();
        f.close();
        throw fileError(QStringLiteral("Cannot write the autosave file"), path, reason);
    }
    f.close();
    if (f.error() != QFileDevice::NoError)
        throw fileError(QStringLiteral("Cannot write the autosave file"), path, f.errorString());
}

void writeDocument(const QString &path, const QString &text)
{
    const QByteArray bytes = toAnsi(text) + "\r\n";
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw fileError(QStringLiteral("Cannot save"), path, f.errorString());
    if (f.write(bytes) != bytes.size()) {
        const QString reason = f.errorString();
        f.cancelWriting();
        throw fileError(QStringLiteral("Cannot save"), path, reason);
    }
    if (!f.commit())
        throw fileError(QStringLiteral("Cannot save"), path, f.errorString());
}

QStringList readDocumentLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw fileError(QStringLiteral("Cannot open"), path, f.errorString());
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw fileError(QStringLiteral("Cannot read"), path, f.errorString());
    const QString text = fromAnsi(bytes);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    // Text that ends with CR LF has no further line after it.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace kestrum
