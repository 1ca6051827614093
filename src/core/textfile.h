#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace kestrum {

// The one text file format of the program: Windows-1251, one byte per
// character, CR LF line ends, no byte-order mark. Every function throws Error
// with the file's name and the system's reason on failure.

// Appends one record (the line, then CR LF) to the autosave file, creating
// it when missing. Opened, written and closed within the call.
void appendRecord(const QString &path, const QString &line);
// The same for a line given as its bytes in the code page, written as they
// are.
void appendRecordBytes(const QString &path, QByteArrayView line);

// Writes a document: the text followed by one CR LF. The old file is
// replaced only once the new content is completely written.
void writeDocument(const QString &path, const QString &text);

// The lines of a file, each without its CR LF; a last line without one
// counts too.
QStringList readDocumentLines(const QString &path);

} // namespace kestrum
