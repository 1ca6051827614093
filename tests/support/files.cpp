#include "support/files.h"
#include "core/settings/settings.h"
#include "core/base/codec.h"
#include "core/document/textfile.h"
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestrum::test {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool writeStoreFile(const QByteArray &bytes)
{
    return QDir().mkpath(QFileInfo(settingsFilePath()).path()) && writeBytes(settingsFilePath(), bytes);
}

QStringList documentLines(const QString &path)
{
    QByteArray opened;
    Progress progress;
    readDocumentBackward(path, progress, [&](const QByteArray &piece) { opened += piece; });
    QStringList lines = fromAnsi(opened).split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the last CR LF
    std::reverse(lines.begin(), lines.end());
    return lines;
}

} // namespace kestrum::test
