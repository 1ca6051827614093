#include "core/stream/linefilter.h"
#include "core/document/receivedstore.h"
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kestrum {

namespace {

// The messages put in front are handed to the worker at most this often.
constexpr int kHandOverMs = 16;

// The first line break in b[i, n), or n.
qsizetype findBreak(const uchar *b, qsizetype i, qsizetype n)
{
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const unsigned m = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        if (m)
            return i + __builtin_ctz(m);
    }
#endif
    for (; i < n; ++i)
        if (b[i] == '\r' || b[i] == '\n')
            return i;
    return n;
}

// Where a piece ends: the line under way, where it starts and whether a
// match was seen in it so far. Filtering matching lines, lineStart is where
// the first line not yet found can start.
struct Walk {
    qsizetype lineStart = 0;
    bool matched = false;
};

// Not matching: every line of the piece is walked. The starts of the lines
// whose break lies in [from, to) and that hold no match go to `starts`.
// False when stopped.
bool walkPiece(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, qsizetype to, Walk &w,
               std::vector<uchar> &buf, std::vector<qsizetype> &starts, const StopFlag &stopped)
{
    const qsizetype n = to - from;
    // One more byte: a CR at the end may be the first half of CR LF.
    const qsizetype read = n + (to < s.size() ? 1 : 0);
    buf.resize(size_t(read));
    s.readBytes(from, read, reinterpret_cast<char *>(buf.data()));
    const uchar *b = buf.data();
    qsizetype lineEnd = findBreak(b, std::clamp<qsizetype>(w.lineStart - from, 0, n), n);
    auto finishLine = [&] {
        if (!w.matched)
            starts.push_back(w.lineStart);
        const qsizetype next = lineEnd + (b[lineEnd] == '\r' && lineEnd + 1 < read && b[lineEnd + 1] == '\n' ? 2 : 1);
        w = {from + next, false};
        lineEnd = findBreak(b, std::min(next, n), n);
    };
    const bool done = forEachMatch(
        s, p, from, to,
        [&](qsizetype pos, qsizetype) {
            while (lineEnd < n && pos - from >= lineEnd)
                finishLine();
            w.matched = true;
            return true;
        },
        stopped);
    if (!done)
        return false;
    while (lineEnd < n)
        finishLine();
    return true;
}

// The bytes around a match: from the piece when it was read whole, or read
// a little at a time, more as a line proves long.
class Around {
public:
    Around(const StoreSnapshot &s, std::vector<uchar> &piece) : m_s(s), m_piece(piece) {}

    bool holdsPiece() const { return m_to > m_from; }
    void readPiece(qsizetype from, qsizetype to)
    {
        m_from = from;
        m_to = std::min(m_s.size(), to + 1);
        m_piece.resize(size_t(m_to - m_from));
        m_s.readBytes(m_from, m_to - m_from, reinterpret_cast<char *>(m_piece.data()));
    }

    // The last line break in [lo, pos), or -1.
    qsizetype breakBefore(qsizetype lo, qsizetype pos)
    {
        qsizetype window = 512;
        for (qsizetype hi = pos; hi > lo;) {
            const qsizetype from = hi - 1 >= m_from && hi - 1 < m_to ? std::max(lo, m_from)
                                                                      : std::max({lo, hi - window, m_to <= hi ? m_to : lo});
            const uchar *b = bytes(from, hi);
            for (qsizetype i = hi - from - 1; i >= 0; --i)
                if (b[i] == '\r' || b[i] == '\n')
                    return from + i;
            hi = from;
            window = std::min<qsizetype>(window * 4, 1 << 20);
        }
        return -1;
    }

    // The first line break in [pos, end), or end.
    qsizetype breakFrom(qsizetype pos, qsizetype end)
    {
        qsizetype window = 512;
        for (qsizetype lo = pos; lo < end;) {
            const qsizetype to = lo >= m_from && lo < m_to ? std::min(end, m_to)
                                                           : std::min({end, lo + window, m_from > lo ? m_from : end});
            const qsizetype at = findBreak(bytes(lo, to), 0, to - lo);
            if (at < to - lo)
                return lo + at;
            lo = to;
            window = std::min<qsizetype>(window * 4, 1 << 20);
        }
        return end;
    }

    uchar at(qsizetype pos) { return *bytes(pos, pos + 1); }

private:
    const uchar *bytes(qsizetype from, qsizetype to)
    {
        if (from >= m_from && to <= m_to)
            return m_piece.data() + (from - m_from);
        m_scratch.resize(size_t(to - from));
        m_s.readBytes(from, to - from, reinterpret_cast<char *>(m_scratch.data()));
        return m_scratch.data();
    }

    const StoreSnapshot &m_s;
    std::vector<uchar> &m_piece;
    std::vector<uchar> m_scratch;
    qsizetype m_from = 0, m_to = 0;
};

// Matching: the lines are found around the matches; the text between them
// is left to the search engine, and the piece is read whole only when its
// matches are many (more than one in 4 KB: a few small reads each cost
// about as much as reading 4 KB). The starts of the lines holding a match that starts in
// [from, to) go to `starts`. False when stopped.
bool matchingPiece(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, qsizetype to, Walk &w,
                   std::vector<uchar> &buf, std::vector<qsizetype> &starts, const StopFlag &stopped)
{
    const size_t few = size_t((to - from) / 4096);
    const qsizetype end = s.size();
    Around around(s, buf);
    std::vector<qsizetype> held;
    auto line = [&](qsizetype m) {
        if (m < w.lineStart)
            return;
        const qsizetype before = around.breakBefore(w.lineStart, m);
        starts.push_back(before < 0 ? w.lineStart : before + 1);
        const qsizetype e = around.breakFrom(m, end);
        w.lineStart = e >= end ? end : e + (around.at(e) == '\r' && e + 1 < end && around.at(e + 1) == '\n' ? 2 : 1);
    };
    const bool done = forEachMatch(
        s, p, from, to,
        [&](qsizetype m, qsizetype) {
            if (m < w.lineStart)
                return true;
            if (!around.holdsPiece()) {
                if (held.size() < few) {
                    held.push_back(m);
                    return true;
                }
                around.readPiece(from, to);
                for (qsizetype h : held)
                    line(h);
                held.clear();
            }
            line(m);
            // The rest of the piece is the line just found.
            return w.lineStart < to;
        },
        stopped);
    if (!done)
        return false;
    for (qsizetype h : held)
        line(h);
    return true;
}

// A snapshot of text alone, for the search engine: a store of its own that
// keeps it in memory in one block.
std::shared_ptr<const StoreSnapshot> snapshotOf(const QByteArray &bytes)
{
    ReceivedStore::Config c;
    c.blockSize = bytes.size() + 16;
    ReceivedStore text(c);
    text.prependBytes(bytes);
    return text.snapshot();
}

} // namespace

// One piece of work for the worker: the whole document, filtered a piece at
// a time, or the text of messages put in front.
struct LineFilter::Job {
    quint64 generation = 0;
    // The worker compiles its own pattern: nothing of it is shared between
    // threads.
    QString text;
    bool matchCase = false, regex = false, notMatching = false;
    std::shared_ptr<const StoreSnapshot> snapshot;  // the whole document
    QByteArray message;         // or the messages' bytes and the one after them
    qsizetype length = 0;       // of the text to filter
    qsizetype size = 0;         // of the live document when it was taken
    qsizetype piece = 0;
    qsizetype done = 0;
    Walk walk;
};

// What lives on the worker's thread. Jobs go to it and answers come back
// through queues under one mutex; the owner is only woken to look, through
// an event descriptor its thread watches, once for however many answers
// wait, so that nothing of a job or an answer crosses threads outside the
// lock and no Qt event is made on the worker.
struct LineFilter::Worker {
    struct Answer {
        quint64 generation = 0;
        bool restart = false;  // the text put in front did not end a line
        bool newer = false, last = false;
        int percent = -1;
        std::vector<qint64> values;
    };

    std::shared_ptr<std::atomic<quint64>> current;
    int answered = -1;  // the owner's event descriptor
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> jobs;
    std::deque<Answer> answers;
    bool told = false;  // the owner has been woken to look and has not yet
    bool quit = false;
    std::thread thread;
    // The worker's own, touched by its thread alone.
    quint64 patternFor = 0;
    std::unique_ptr<SearchPattern> pattern;
    std::vector<uchar> buffer;

    void loop();
    // One piece of the job; true when more of it is left.
    bool run(Job &job);
    void answer(Answer a);
};

void LineFilter::Worker::loop()
{
    pthread_setname_np(pthread_self(), "Filter");
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock l(lock);
            wake.wait(l, [this] { return quit || !jobs.empty(); });
            if (quit)
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        // A whole document goes a piece at a time behind whatever came
        // meanwhile, so that a message's lines are not kept waiting.
        if (run(*job)) {
            const std::lock_guard l(lock);
            jobs.push_back(std::move(job));
        }
    }
}

void LineFilter::Worker::answer(Answer a)
{
    {
        const std::lock_guard l(lock);
        answers.push_back(std::move(a));
        if (told)
            return;
        told = true;
    }
    // The owner closes the descriptor only after this thread has ended.
    const quint64 one = 1;
    while (::write(answered, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool LineFilter::Worker::run(Job &job)
{
    const quint64 id = job.generation;
    const StopFlag stopped = [this, id] { return current->load() != id; };
    if (stopped())
        return false;
    if (patternFor != id) {
        pattern = std::make_unique<SearchPattern>(job.text, job.matchCase, job.regex);
        patternFor = id;
    }
    const auto piece = job.notMatching ? walkPiece : matchingPiece;
    std::vector<qsizetype> starts;
    Answer a;
    a.generation = id;

    if (!job.snapshot) {
        // Messages put in front: they must end with a line break, or the
        // line below them changed too (then everything again).
        QByteArray bytes = std::move(job.message);
        const qsizetype n = job.length;
        const char last = bytes[n - 1];
        if (last != '\n' && (last != '\r' || (bytes.size() > n && bytes[n] == '\n'))) {
            a.restart = true;
            answer(std::move(a));
            return false;
        }
        bytes.truncate(n);
        const std::shared_ptr<const StoreSnapshot> text = snapshotOf(bytes);
        Walk w;
        for (qsizetype from = 0; from < n; from += job.piece)
            if (!piece(*text, *pattern, from, std::min(n, from + job.piece), w, buffer, starts, stopped))
                return false;
        for (auto it = starts.rbegin(); it != starts.rend(); ++it)
            a.values.push_back(job.size - *it);
        a.newer = a.last = true;
        answer(std::move(a));
        return false;
    }

    const qsizetype end = job.snapshot->size();
    const qsizetype to = std::min(end, job.done + job.piece);
    if (!piece(*job.snapshot, *pattern, job.done, to, job.walk, buffer, starts, stopped))
        return false;
    job.done = to;
    const bool last = to >= end;
    // The last line, when the document does not end with a line break.
    if (last && job.notMatching && job.walk.lineStart < end && !job.walk.matched)
        starts.push_back(job.walk.lineStart);
    for (qsizetype p : starts)
        a.values.push_back(p - end);
    a.last = last;
    a.percent = end > 0 ? int(to * 100 / end) : 100;
    answer(std::move(a));
    return !last;
}

LineFilter::LineFilter(const ReceivedStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_current(std::make_shared<std::atomic<quint64>>(0))
{
    m_handOver.setSingleShot(true);
    connect(&m_handOver, &QTimer::timeout, this, &LineFilter::handOver);
}

LineFilter::~LineFilter()
{
    m_current->store(0);
    if (m_worker) {
        {
            const std::lock_guard l(m_worker->lock);
            m_worker->quit = true;
        }
        m_worker->wake.notify_one();
        m_worker->thread.join();
        delete m_answeredNotifier;
        ::close(m_answered);
    }
}

void LineFilter::setPattern(const SearchPattern &pattern, bool notMatching)
{
    m_pattern = pattern;
    m_notMatching = notMatching;
    restart();
}

void LineFilter::documentChanged()
{
    if (m_pattern.isValid() || count() > 0)
        restart();
}

void LineFilter::restart()
{
    static std::atomic<quint64> generations{0};
    m_generation = ++generations;
    m_current->store(m_generation);
    m_newer.clear();
    m_older.clear();
    m_pending = 0;
    m_known = 0;
    m_due = false;
    m_handOver.stop();
    emit linesChanged();
    if (!m_pattern.isValid()) {
        setBusy(false);
        return;
    }
    auto job = std::make_shared<Job>();
    // Taken here, on the owner's thread, at the moment of asking.
    job->snapshot = m_store.snapshot();
    m_known = job->snapshot->size();
    setBusy(true);
    post(job);
}

void LineFilter::documentGrew()
{
    if (!m_pattern.isValid() || m_due)
        return;
    m_due = true;
    const qint64 wait = m_sinceHandOver.isValid() ? kHandOverMs - m_sinceHandOver.elapsed() : 0;
    if (wait <= 0)
        handOver();
    else
        m_handOver.start(int(wait));
}

// Every message put in front since the last hand-over, as one job.
void LineFilter::handOver()
{
    m_due = false;
    m_handOver.stop();
    m_sinceHandOver.start();
    const qsizetype size = m_store.size();
    if (size < m_known) {
        restart();
        return;
    }
    if (size == m_known)
        return;
    auto job = std::make_shared<Job>();
    job->length = size - m_known;
    job->size = size;
    job->message.resize(std::min(size, job->length + 1));
    m_store.readBytes(0, job->message.size(), job->message.data());
    m_known = size;
    post(job);
}

void LineFilter::post(std::shared_ptr<Job> job)
{
    if (!m_worker) {
        m_answered = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        m_answeredNotifier = new QSocketNotifier(m_answered, QSocketNotifier::Read, this);
        connect(m_answeredNotifier, &QSocketNotifier::activated, this, &LineFilter::takeAnswers);
        m_worker = std::make_unique<Worker>();
        m_worker->current = m_current;
        m_worker->answered = m_answered;
        m_worker->thread = std::thread([w = m_worker.get()] { w->loop(); });
    }
    job->generation = m_generation;
    job->text = m_pattern.text();
    job->matchCase = m_pattern.matchCase();
    job->regex = m_pattern.isRegex();
    job->notMatching = m_notMatching;
    job->piece = std::max<qsizetype>(1, m_piece);
    ++m_pending;
    {
        const std::lock_guard l(m_worker->lock);
        m_worker->jobs.push_back(std::move(job));
    }
    m_worker->wake.notify_one();
}

void LineFilter::takeAnswers()
{
    // Emptied before the answers are taken: a wake the worker posts after
    // this, for an answer taken here or not, is never lost, at worst spare.
    quint64 count;
    while (::read(m_answered, &count, sizeof count) < 0 && errno == EINTR) {
    }
    std::deque<Worker::Answer> answers;
    {
        const std::lock_guard l(m_worker->lock);
        answers.swap(m_worker->answers);
        m_worker->told = false;
    }
    // The window hears once however many answers came together.
    bool added = false, finished = false;
    int percent = -1;
    for (Worker::Answer &a : answers) {
        if (a.generation != m_generation)
            continue;
        if (a.restart) {
            // What came before belongs to the run that ends here.
            restart();
            added = finished = false;
            percent = -1;
            continue;
        }
        PositionList &to = a.newer ? m_newer : m_older;
        for (qint64 v : a.values)
            to.append(v);
        added = added || !a.values.empty();
        if (a.last)
            --m_pending;
        if (a.percent >= 0)
            percent = a.percent;
        if (a.last && !a.newer)
            finished = true;
    }
    if (added)
        emit linesChanged();
    if (percent >= 0)
        emit progress(percent);
    if (finished)
        setBusy(false);
}

void LineFilter::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

qsizetype LineFilter::lineStart(qsizetype i) const
{
    const qsizetype n = m_newer.size();
    const qint64 distance = i < n ? m_newer.at(n - 1 - i) : -m_older.at(i - n);
    return m_store.size() - distance;
}

qsizetype LineFilter::countAbove(qsizetype pos) const
{
    const qint64 distance = m_store.size() - pos;
    const qsizetype n = m_newer.size();
    const qsizetype above = n - m_newer.countBelow(distance + 1);
    return above < n ? above : n + m_older.countBelow(-distance);
}

} // namespace kestrum
