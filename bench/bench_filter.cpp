// The live filter over a large document: MB/s from setting the pattern to
// the last line found (the worker's scan and the window's thread taking the
// lines in), how late the window's thread answers a 10 ms timer meanwhile,
// the memory the lines take, what each message put in front costs while
// the filter is on, and the CPU time of a live 1 MB/s of messages with the
// filter on against the same with it off.
//
//   bench_filter [megabytes] [live-seconds]     (default 1024 and 10)
#include "core/stream/linefilter.h"
#include "core/document/receivedstore.h"
#include "core/search/search.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kestrum;

namespace {

// Log lines as a board prints them, in the code page, Latin and Cyrillic,
// 55 to 75 characters; one line in 1,000 holds "ERR 12 brown-out".
QByteArray block(qsizetype bytes, qint64 &line)
{
    static const char *const texts[] = {
        "07.12.2026   14:05:%02d    T=23.5 H=41 P=1013 #%lld sensor ok  Size, byte: 28\r\n",
        "07.12.2026   14:05:%02d    ADC ch3=1234 ch4=0871 \xD2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xE0 #%lld\r\n",
        "07.12.2026   14:05:%02d    status: idle, queue 0, retries 0, line %lld\r\n",
    };
    QByteArray out;
    out.reserve(bytes + 256);
    char buf[256];
    while (out.size() < bytes) {
        ++line;
        const int n = line % 1000 == 0
                          ? snprintf(buf, sizeof buf, "07.12.2026   14:05:%02d    ERR 12 brown-out #%lld\r\n",
                                     int(line % 60), static_cast<long long>(line))
                          : snprintf(buf, sizeof buf, texts[line % 3], int(line % 60), static_cast<long long>(line));
        out.append(buf, n);
    }
    return out;
}

struct Lateness {
    std::vector<double> ms;
    QElapsedTimer since;
    QTimer timer;
    Lateness()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ms.push_back(std::max(0.0, double(since.nsecsElapsed()) / 1e6 - 10));
            since.start();
        });
    }
    void start()
    {
        ms.clear();
        since.start();
        timer.start();
    }
    double p95()
    {
        timer.stop();
        if (ms.empty())
            return 0;
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() * 95 / 100];
    }
};

void timeFilter(const char *name, ReceivedStore &store, LineFilter &f, const SearchPattern &p, bool notMatching)
{
    // The search engine alone over the same document, just before: what the
    // machine gives now.
    QElapsedTimer t;
    t.start();
    countMatches(*store.snapshot(), p, -1);
    const double engine = double(store.size()) / (1 << 20) / (double(t.nsecsElapsed()) / 1e9);
    Lateness late;
    t.start();
    late.start();
    f.setPattern(p, notMatching);
    while (!f.isDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 ns = t.nsecsElapsed();
    const double p95 = late.p95();
    std::printf("%-40s %5.0f MB/s (Count %5.0f MB/s)  %.2f s, %lld lines in %.1f MB, ping p95 %.2f ms\n", name,
                double(store.size()) / (1 << 20) / (double(ns) / 1e9), engine, double(ns) / 1e9,
                static_cast<long long>(f.count()), double(f.memoryUsed()) / (1 << 20), p95);
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The peer harness's 1 MB/s: 60-byte lines ("%08d " and letters), here cut
// into messages of 2,000 bytes, one every 2 ms, each ending with the line
// break the session adds; with the pattern "0 ABC" one line in ten matches.
// The owner's thread puts each in front and tells the filter, as the
// session's documentGrew does. CPU seconds of the whole process (owner and
// worker) a minute, and how many lines the filter holds at the end.
double live(ReceivedStore &store, LineFilter &f, double seconds, qint64 &line)
{
    constexpr qsizetype kMessage = 2000;
    QByteArray feed;
    const QByteArray body = QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789").left(60 - 2 - 9);
    QElapsedTimer wall;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(2);
    qint64 sent = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        // Catches up when the timer is late, so the rate holds.
        while (sent < wall.nsecsElapsed() / 1000) {
            while (feed.size() < kMessage)
                feed += QByteArray::number(line++ % 100000000).rightJustified(8, '0') + ' ' + body + "\r\n";
            store.prependBytes(feed.left(kMessage) + "\r\n");
            feed.remove(0, kMessage);
            f.documentGrew();
            sent += kMessage;
        }
    });
    const double cpu = cpuSeconds();
    wall.start();
    tick.start();
    while (wall.elapsed() < qint64(seconds * 1000))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    tick.stop();
    while (!f.isDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return (cpuSeconds() - cpu) * 60 / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qsizetype megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 1024;
    const double liveSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    ReceivedStore store;
    qint64 line = 0;
    for (qsizetype done = 0; done < megabytes << 20;) {
        QByteArray b = block(64 * 1024, line);
        b.squeeze();
        done += b.size();
        store.prependBytes(b);
    }
    std::printf("document: %lld MB, %lld lines\n", static_cast<long long>(store.size() >> 20),
                static_cast<long long>(line));

    LineFilter f(store);
    timeFilter("plain, match case (\"brown-out\")", store, f, SearchPattern(QStringLiteral("brown-out"), true, false),
               false);
    timeFilter("plain, any case (\"BROWN-OUT\")", store, f, SearchPattern(QStringLiteral("BROWN-OUT"), false, false),
               false);
    timeFilter("expression ERR(OR)? [0-9]+", store, f, SearchPattern(QStringLiteral("ERR(OR)? [0-9]+"), true, true),
               false);
    timeFilter("plain, a third of the lines (\"sensor\")", store, f,
               SearchPattern(QStringLiteral("sensor"), true, false), false);
    timeFilter("not matching \"sensor\" (two thirds)", store, f, SearchPattern(QStringLiteral("sensor"), true, false),
               true);

    // Messages of a kilobyte put in front with the filter on: the window's
    // thread's share (the messages' text handed over) and the whole until
    // the worker has filtered them.
    f.setPattern(SearchPattern(QStringLiteral("brown-out"), true, false));
    while (!f.isDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qsizetype before = f.count();
    std::vector<double> share;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < 2000; ++i) {
        store.prependBytes(block(1000, line));
        QElapsedTimer t;
        t.start();
        f.documentGrew();
        share.push_back(double(t.nsecsElapsed()) / 1e3);
        QCoreApplication::processEvents();
    }
    while (!f.isDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::sort(share.begin(), share.end());
    std::printf("2,000 messages of 1 KB: window's thread per message median %.1f us, p95 %.1f us; all filtered in "
                "%.0f ms (%lld lines more)\n",
                share[share.size() / 2], share[share.size() * 95 / 100], double(all.nsecsElapsed()) / 1e6,
                static_cast<long long>(f.count() - before));

    // Off and on in turn, twice.
    const SearchPattern live0(QStringLiteral("0 ABC"), true, false);
    for (int run = 0; run < 2; ++run) {
        f.setPattern(SearchPattern());
        const double off = live(store, f, liveSeconds, line);
        f.setPattern(live0);
        while (!f.isDone())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qsizetype before = f.count();
        const double on = live(store, f, liveSeconds, line);
        std::printf("1 MB/s of 2 KB messages for %.0f s: filter off %.2f CPU-s a minute, on (\"0 ABC\") %.2f: "
                    "%.2fx; %lld lines found meanwhile\n",
                    liveSeconds, off, on, on / off, static_cast<long long>(f.count() - before));
    }
    return 0;
}
