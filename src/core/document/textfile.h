#pragma once
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace kestrum {

// The one text file format of the program: Windows-1251, one byte per
// character, CR LF line ends, no byte-order mark. Every function throws Error
// with the file's name and the system's reason on failure.

// Appends one record (the line, given as its bytes in the code page and
// written as they are, then CR LF) to the autosave file, creating it when
// missing. Opened, written and closed within the call.
void appendRecordBytes(const QString &path, QByteArrayView line);

// Writes a document: the text followed by one CR LF. The old file is
// replaced only once the new content is completely written.
void writeDocument(const QString &path, const QString &text);

// Replaces the whole content of a file so that a failed or abandoned write
// leaves the file as it was. The new content goes to a temporary file
// beside the target, which takes the target's place on commit(). Where the
// folder allows no such file but the file itself is writable, the file is
// written in place, and only after its old content has been kept aside (in
// a temporary file elsewhere, or else in memory); a failure puts the old
// content back. Every failure throws Error: the "what" given, the file's
// name, the system's reason, and what became of the file.
class FileReplacement {
public:
    FileReplacement(QString path, QString what);
    // A replacement neither committed nor cancelled is cancelled.
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Nothing of the file changes yet.
    void open();
    // Any number of pieces, in order.
    void write(QByteArrayView bytes);
    // The new content is complete: it becomes the file's.
    void commit();
    // The file is left with its old content.
    void cancel();

    // True while the file itself is being written (no temporary file could
    // be made beside it).
    bool inPlace() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

class StoreSnapshot;

// How far a long piece of work on another thread has come, and the user's
// wish to stop it.
struct Progress {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancelled{false};
    // Bytes read or searched, for the tests that check a file is read in
    // linear time whatever its lines.
    std::atomic<qint64> examined{0};
};

// writeDocument for a document of any size, from a snapshot of the received
// document, a piece at a time (for another thread). False when cancelled
// meanwhile: the file is left as it was.
bool writeDocument(const QString &path, const StoreSnapshot &text, Progress &progress);

// A document file for Open, read from its end: hand() gets the lines in the
// order Open puts them in front of the box, the file's last line first,
// each followed by CR LF, a piece at a time, each piece the text that goes
// below the one before. Stops early when cancelled. The file is read as it
// was when opened: one that grows meanwhile is read to its old end, one that
// shrinks is a failure (Error), so that no mix of old and new is handed on.
void readDocumentBackward(const QString &path, Progress &progress, const std::function<void(QByteArray)> &hand);

} // namespace kestrum
