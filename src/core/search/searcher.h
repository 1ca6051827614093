#pragma once
#include "core/search/search.h"
#include <QObject>
#include <atomic>
#include <memory>

class QThread;

namespace kestrum {

class ReceivedStore;
class StoreSnapshot;

// Finds and counts in the received document on a worker thread, over a
// snapshot taken when asked, so the window answers while a long log is
// searched and messages that arrive meanwhile do not disturb the search.
// One request at a time: a new one, or cancel(), drops the one under way.
// Results come back as queued signals, in positions of the live document:
// a match is reported only while the live text still holds it there (an
// edit made meanwhile sends the search round again).
class Searcher : public QObject {
    Q_OBJECT
public:
    explicit Searcher(const ReceivedStore &store, QObject *parent = nullptr);
    ~Searcher() override;

    // The next match from a live position, as findNext() says.
    void find(const SearchPattern &pattern, qsizetype from, SearchDirection direction);
    // Every match, and how many of them start at or before `mark`.
    void count(const SearchPattern &pattern, qsizetype mark);
    void cancel();
    bool isBusy() const { return m_busy; }

signals:
    void found(kestrum::SearchHit hit, bool wrapped);
    void notFound();
    void counted(qsizetype total, qsizetype upToMark);
    // Percent of the document searched so far, now and then on long work.
    void progress(int percent);
    // Busy when a request starts, idle when its answer came or it was dropped.
    void busyChanged(bool busy);

private:
    struct Request;
    void start(std::shared_ptr<Request> r);
    void finished(const std::shared_ptr<Request> &r);
    void setBusy(bool busy);

    const ReceivedStore &m_store;
    QThread *m_thread;
    QObject *m_worker;
    // The request whose answer is wanted; the worker drops older ones.
    std::shared_ptr<std::atomic<quint64>> m_current;
    quint64 m_last = 0;
    bool m_busy = false;
};

} // namespace kestrum
