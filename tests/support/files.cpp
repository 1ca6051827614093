#include "support/files.h"
#include "core/settings.h"
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

} // namespace kestrum::test
