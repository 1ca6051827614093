#include "core/search/searcher.h"
#include "core/document/receivedstore.h"
#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

namespace kestrum {

struct Searcher::Request {
    quint64 id = 0;
    bool counting = false;
    // The worker compiles its own expression: nothing of the pattern is
    // shared between threads.
    QString text;
    bool matchCase = false;
    bool regex = false;
    qsizetype from = 0;
    SearchDirection direction = SearchDirection::Down;
    std::shared_ptr<const StoreSnapshot> snapshot;
    int rounds = 0;
    FindResult found;
    CountResult count;
};

Searcher::Searcher(const ReceivedStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_thread(nullptr), m_worker(nullptr),
      m_current(std::make_shared<std::atomic<quint64>>(0))
{
}

Searcher::~Searcher()
{
    cancel();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_worker;
    }
}

void Searcher::find(const SearchPattern &pattern, qsizetype from, SearchDirection direction)
{
    auto r = std::make_shared<Request>();
    r->text = pattern.text();
    r->matchCase = pattern.matchCase();
    r->regex = pattern.isRegex();
    r->from = from;
    r->direction = direction;
    start(r);
}

void Searcher::count(const SearchPattern &pattern, qsizetype mark)
{
    auto r = std::make_shared<Request>();
    r->counting = true;
    r->text = pattern.text();
    r->matchCase = pattern.matchCase();
    r->regex = pattern.isRegex();
    r->from = mark;
    start(r);
}

void Searcher::cancel()
{
    m_current->store(0);
    setBusy(false);
}

void Searcher::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void Searcher::start(std::shared_ptr<Request> r)
{
    if (!m_thread) {
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("Search"));
        m_worker = new QObject;
        m_worker->moveToThread(m_thread);
        m_thread->start(QThread::LowPriority);
    }
    r->id = ++m_last;
    m_current->store(r->id);
    // Taken here, on the owner's thread, at the moment of asking.
    r->snapshot = m_store.snapshot();
    setBusy(true);
    const std::shared_ptr<std::atomic<quint64>> current = m_current;
    QMetaObject::invokeMethod(m_worker, [this, r, current] {
        if (current->load() != r->id)
            return;
        const StopFlag stopped = [&] { return current->load() != r->id; };
        const SearchPattern pattern(r->text, r->matchCase, r->regex);
        if (r->counting) {
            QElapsedTimer since;
            since.start();
            int shown = -1;
            r->count = countMatches(*r->snapshot, pattern, r->from, stopped, [&](double done) {
                const int percent = int(done * 100);
                if (percent == shown || since.elapsed() < 100)
                    return;
                shown = percent;
                since.restart();
                QMetaObject::invokeMethod(this, [this, r, percent] {
                    if (m_current->load() == r->id)
                        emit progress(percent);
                }, Qt::QueuedConnection);
            });
        } else {
            r->found = findNext(*r->snapshot, pattern, r->from, r->direction, stopped);
        }
        if (stopped())
            return;
        // The owner waits for this thread before it goes: `this` is alive.
        QMetaObject::invokeMethod(this, [this, r] { finished(r); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void Searcher::finished(const std::shared_ptr<Request> &r)
{
    if (m_current->load() != r->id)
        return;
    if (r->counting) {
        setBusy(false);
        emit counted(r->count.total, r->count.upToMark);
        return;
    }
    const SearchHit hit = r->found.hit;
    if (!hit.found()) {
        setBusy(false);
        emit notFound();
        return;
    }
    // Messages put in front since move the match down by their length;
    // an edit made meanwhile may have moved or removed it.
    const qsizetype live = hit.pos + (m_store.size() - r->snapshot->size());
    if (live >= 0 && m_store.text(live, hit.length) == r->snapshot->text(hit.pos, hit.length)) {
        setBusy(false);
        emit found({live, hit.length}, r->found.wrapped);
        return;
    }
    if (++r->rounds > 3) {
        setBusy(false);
        emit notFound();
        return;
    }
    r->from = std::min(r->from, m_store.size());
    start(r);
}

} // namespace kestrum
