#pragma once
#include "core/receivedstore.h"
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kestrum {

struct Progress;

// Open's reading of a document file into the received document. The file is
// read from its end on a thread of its own, so that the lines that go on top
// show first; that thread also makes the store's blocks (indexed, written to
// a file of their own), and the document's thread only takes them in, each
// piece below the one before and above the text the document held (which,
// counted from the end, stays put). A failed or cancelled open takes out
// again everything it put in.
class DocumentOpening {
public:
    DocumentOpening(ReceivedStore &document, QString path);
    DocumentOpening(const DocumentOpening &) = delete;
    DocumentOpening &operator=(const DocumentOpening &) = delete;

    // On the reading thread: reads the whole file, waiting while more than
    // 64 MB of it wait to be taken in (unless cancelled meanwhile). Throws
    // Error as readDocumentBackward does.
    void read(Progress &progress);
    // Where the document changed: count characters went in (or came out)
    // at `at`, counted from the top, as a view of it is told.
    struct Change {
        qsizetype at = 0;
        qsizetype count = 0;
        explicit operator bool() const { return count > 0; }
    };

    // On the document's thread, any number of times while read runs and once
    // after: puts in what was read so far.
    Change takeIn();
    // On the document's thread, after read ended: takes out everything put
    // in.
    Change takeOut();

    // Characters put in so far.
    qsizetype added() const { return m_added; }

private:
    ReceivedStore &m_document;
    const QString m_path;
    // Characters the document held below the text read, at the start.
    const qsizetype m_below;
    qsizetype m_added = 0;

    std::mutex m_lock;
    std::condition_variable m_room;
    std::deque<ReceivedStore::Batch> m_ready;
    qsizetype m_waiting = 0;
};

} // namespace kestrum
