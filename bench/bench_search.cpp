// Find in the received document: MB/s over a large document for plain text
// (match case on and off), an expression and Count, and how late the
// window's thread answers a 10 ms timer while a search runs on the worker.
//
//   bench_search [megabytes]     (default 1024)
#include "core/document/receivedstore.h"
#include "core/search/search.h"
#include "core/search/searcher.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kestrum;

namespace {

// Log lines as a board prints them, in the code page, Latin and Cyrillic;
// every `every`-th line carries "ERR 12" and the word "brown-out".
QByteArray block(qsizetype bytes, int every, qint64 &line)
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
        int n;
        if (every > 0 && line % every == 0)
            n = snprintf(buf, sizeof buf, "07.12.2026   14:05:%02d    ERR 12 brown-out #%lld\r\n", int(line % 60),
                         static_cast<long long>(line));
        else
            n = snprintf(buf, sizeof buf, texts[line % 3], int(line % 60), static_cast<long long>(line));
        out.append(buf, n);
    }
    return out;
}

// A document of about `megabytes`, put in as messages of 64 KB (as a burst
// or an opened file arrives).
void fill(ReceivedStore &store, qsizetype megabytes, int every)
{
    qint64 line = 0;
    for (qsizetype done = 0; done < megabytes << 20;) {
        QByteArray b = block(64 * 1024, every, line);
        b.squeeze();
        done += b.size();
        store.prependBytes(b);
    }
}

double mbPerSecond(qsizetype bytes, qint64 ns) { return double(bytes) / (1 << 20) / (double(ns) / 1e9); }

void timeFind(const char *name, const StoreSnapshot &s, const SearchPattern &p)
{
    QElapsedTimer t;
    t.start();
    const FindResult r = findNext(s, p, 0, SearchDirection::Down);
    const qint64 ns = t.nsecsElapsed();
    std::printf("%-46s %8.0f MB/s  (%.2f s, %s)\n", name, mbPerSecond(s.size(), ns), ns / 1e9,
                r.hit.found() ? "found" : "not found");
}

void timeCount(const char *name, const StoreSnapshot &s, const SearchPattern &p)
{
    QElapsedTimer t;
    t.start();
    const CountResult r = countMatches(s, p, -1);
    const qint64 ns = t.nsecsElapsed();
    std::printf("%-46s %8.0f MB/s  (%.2f s, %lld matches)\n", name, mbPerSecond(s.size(), ns), ns / 1e9,
                static_cast<long long>(r.total));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qsizetype megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 1024;

    {
        ReceivedStore store;
        // One line in 100,000 has a match: the expression's lines are few.
        fill(store, megabytes, 100'000);
        QElapsedTimer t;
        t.start();
        const auto snap = store.snapshot();
        std::printf("document: %lld MB; snapshot taken in %.3f ms\n", static_cast<long long>(snap->size() >> 20),
                    t.nsecsElapsed() / 1e6);
        timeFind("plain, match case, not found (\"brown-outs\")", *snap,
                 SearchPattern(QStringLiteral("brown-outs"), true, false));
        timeFind("plain, match case, not found (\"sensor fail\")", *snap,
                 SearchPattern(QStringLiteral("sensor fail"), true, false));
        timeFind("plain, any case, not found (\"SENSOR FAIL\")", *snap,
                 SearchPattern(QStringLiteral("SENSOR FAIL"), false, false));
        timeFind("plain, any case, not found (Cyrillic)", *snap,
                 SearchPattern(QStringLiteral("ТЕМПЕРАТУРА ВЫСОКАЯ"), false, false));
        timeCount("expression ERR(OR)? [0-9]+, Count", *snap,
                  SearchPattern(QStringLiteral("ERR(OR)? [0-9]+"), true, true));
        timeCount("expression, no literal: [A-Z]{3} \\d+ [a-z]+-", *snap,
                  SearchPattern(QStringLiteral("[A-Z]{3} \\d+ [a-z]+-"), true, true));

        // The window's thread while Count runs on the worker: how late a
        // 10 ms timer fires.
        Searcher searcher(store);
        std::vector<double> late;
        QElapsedTimer since;
        QTimer ping;
        ping.setInterval(10);
        QObject::connect(&ping, &QTimer::timeout, [&] {
            late.push_back(std::max(0.0, since.nsecsElapsed() / 1e6 - 10));
            since.start();
        });
        bool done = false;
        QObject::connect(&searcher, &Searcher::counted, [&] { done = true; });
        t.start();
        searcher.count(SearchPattern(QStringLiteral("sensor fail"), false, false), -1);
        since.start();
        ping.start();
        while (!done)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = t.nsecsElapsed() / 1e9;
        std::sort(late.begin(), late.end());
        std::printf("ping while counting (%.2f s, %zu pings): lateness p50 %.2f ms, p95 %.2f ms, worst %.2f ms\n",
                    seconds, late.size(), late[late.size() / 2], late[late.size() * 95 / 100], late.back());
    }
    {
        // Count of about a million matches.
        ReceivedStore store;
        const int every = int(std::max<qsizetype>(1, (megabytes << 20) / 62 / 1'000'000));
        fill(store, megabytes, every);
        const auto snap = store.snapshot();
        timeCount("Count, plain, match case (\"brown-out\")", *snap,
                  SearchPattern(QStringLiteral("brown-out"), true, false));
        timeCount("Count, plain, any case (\"BROWN-OUT\")", *snap,
                  SearchPattern(QStringLiteral("BROWN-OUT"), false, false));
        timeCount("Count, expression ERR(OR)? [0-9]+", *snap,
                  SearchPattern(QStringLiteral("ERR(OR)? [0-9]+"), true, true));
    }
    return 0;
}
