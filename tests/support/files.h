#pragma once
#include <QByteArray>
#include <QString>

namespace kestrum::test {

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray readBytes(const QString &path);
// Replaces a file's content; false when it cannot be written.
bool writeBytes(const QString &path, const QByteArray &bytes);
// Replaces the settings file's content, as an editor would.
bool writeStoreFile(const QByteArray &bytes);

} // namespace kestrum::test
