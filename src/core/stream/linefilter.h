#pragma once
#include "core/document/positionlist.h"
#include "core/search/search.h"
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>

class QSocketNotifier;

namespace kestrum {

class ReceivedStore;

// The lines of the received document that hold a match of a pattern (or,
// "not matching", that hold none), found by the search engine on a worker:
// first over a snapshot of the whole document, then over the text of the
// messages put in front, that text alone, gathered for at most a frame so
// that a flood of short messages wakes the worker a few dozen times a second,
// not once a message; any other change of the document (Open, Clear, an
// edit) starts it over. The lines are kept by the
// distance of their start from the document's end, which messages put in
// front do not change, a byte or two each, so that a million of them cost
// a few megabytes and the i-th is found in a few steps.
//
// A line is what the box shows as one: it ends at CR LF, a lone CR or a lone
// LF; the empty line after the document's last line break is none.
class LineFilter : public QObject {
    Q_OBJECT
public:
    explicit LineFilter(const ReceivedStore &store, QObject *parent = nullptr);
    ~LineFilter() override;

    // Filters with this pattern from now on, the whole document again. A
    // pattern that is not valid (empty, an expression that does not
    // compile) leaves no line and nothing to do.
    void setPattern(const SearchPattern &pattern, bool notMatching = false);
    const SearchPattern &pattern() const { return m_pattern; }
    bool notMatching() const { return m_notMatching; }
    // Messages were put in front of the document (the session's
    // documentGrew): only their text is filtered, that of every message
    // since the last hand-over to the worker at once.
    void documentGrew();
    // The document changed otherwise (Open, Clear, an edit).
    void documentChanged();

    // The lines found so far, in the box's order (newest first).
    qsizetype count() const { return m_newer.size() + m_older.size(); }
    // Where the i-th of them starts in the live document.
    qsizetype lineStart(qsizetype i) const;
    // How many of them start above pos: the index of the first at or below.
    qsizetype countAbove(qsizetype pos) const;
    // The whole document is being filtered.
    bool isBusy() const { return m_busy; }
    // Every line of the document as it is now has been looked at.
    bool isDone() const { return m_pending == 0 && !m_due; }
    qsizetype memoryUsed() const { return m_newer.memoryUsed() + m_older.memoryUsed(); }

    // For tests: how much of the document is read at a time.
    void setPieceSize(qsizetype bytes) { m_piece = bytes; }

signals:
    // Lines were added, or all of them dropped to start over.
    void linesChanged();
    // Percent of the whole document filtered, now and then.
    void progress(int percent);
    void busyChanged(bool busy);

private:
    struct Job;
    struct Worker;
    void restart();
    void handOver();
    void post(std::shared_ptr<Job> job);
    void takeAnswers();
    void setBusy(bool busy);

    const ReceivedStore &m_store;
    SearchPattern m_pattern;
    bool m_notMatching = false;
    bool m_busy = false;
    int m_pending = 0;               // jobs handed to the worker and not answered
    qsizetype m_known = 0;           // the document's size the jobs handed over cover
    bool m_due = false;              // the document grew beyond m_known
    QTimer m_handOver;
    QElapsedTimer m_sinceHandOver;
    qsizetype m_piece = 4 << 20;
    // Distances from the end: the messages' lines since the whole document
    // was taken, ascending (the newest last), and that document's lines,
    // negated so that they ascend too (its top line first).
    PositionList m_newer, m_older;
    std::unique_ptr<Worker> m_worker;
    // Readable while the worker has answers for this thread.
    int m_answered = -1;
    QSocketNotifier *m_answeredNotifier = nullptr;
    std::shared_ptr<std::atomic<quint64>> m_current;
    quint64 m_generation = 0;
};

} // namespace kestrum
