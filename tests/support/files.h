#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kestrum::test {

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray readBytes(const QString &path);
// Replaces a file's content; false when it cannot be written.
bool writeBytes(const QString &path, const QByteArray &bytes);
// The lines of a document file as Open reads them (only CR LF ends a line),
// the top line first, each without its CR LF; a last line without one
// counts too. Throws Error as Open does.
QStringList documentLines(const QString &path);
// Replaces the settings file's content, as an editor would.
bool writeStoreFile(const QByteArray &bytes);

} // namespace kestrum::test
