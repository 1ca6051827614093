// The lamps' cost and delay: a session whose port has a fake control line
// (its reads cost a lock, not a system call) with the lamps hidden, then
// shown with the driver waiting in the kernel, then reading 20 times a
// second; for each, the process's processor time over the run as CPU
// seconds a minute, and the delay from a change of CTS to the new state
// reaching the window's thread. For comparison, a bare thread that does
// nothing but wake 20 times a second.
//
//   bench_lamps [seconds-each]   (default 20)
#include "core/port/mscomm.h"
#include "core/board/portlines.h"
#include "core/session/session.h"
#include "support/fakeline.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;

namespace {

double cpuSeconds()
{
    // The scheduler's own sum, not the tick-sampled figure of getrusage.
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the event loop for ms.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(const char *name, bool shown, bool kernelWaits, int seconds)
{
    Pty pty;
    mapPort(1, pty.slavePath());
    auto fake = std::make_shared<FakeLines>();
    fake->kernelWaits = kernelWaits;
    fake->install();
    Session session;
    session.openPort();
    PortLines *lines = session.lines();
    lines->setWatching(shown);
    runFor(200);

    // Idle: nothing changes at the far end.
    const double before = cpuSeconds();
    const int readsBefore = fake->locked([&] { return fake->reads; });
    runFor(seconds * 1000);
    const double perMinute = (cpuSeconds() - before) * 60.0 / seconds;
    const double readsPerSecond = double(fake->locked([&] { return fake->reads; }) - readsBefore) / seconds;

    // Delay: CTS turned over every 200 ms, 25 times.
    std::vector<double> delays;
    if (shown) {
        QElapsedTimer since;
        bool want = false;
        QObject::connect(lines, &PortLines::linesChanged, lines, [&](const ModemLines &l) {
            if (l.cts == want && since.isValid()) {
                delays.push_back(double(since.nsecsElapsed()) / 1e6);
                since.invalidate();
            }
        });
        for (int i = 0; i < 25; ++i) {
            want = !want;
            ModemLines far;
            far.cts = want;
            since.start();
            fake->play(far);
            runFor(200);
        }
        std::sort(delays.begin(), delays.end());
    }
    std::printf("%-28s %8.4f CPU-s/min  %6.1f reads/s", name, perMinute, readsPerSecond);
    if (!delays.empty())
        std::printf("  delay ms: median %.2f  max %.2f  (%zu of 25 seen)", delays[delays.size() / 2], delays.back(),
                    delays.size());
    std::printf("\n");
    std::fflush(stdout);
    lines->setWatching(false);
}

void bareWakes(int seconds)
{
    std::mutex lock;
    std::condition_variable wake;
    bool stop = false;
    const double before = cpuSeconds();
    std::thread t([&] {
        auto next = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> l(lock);
        while (!stop) {
            next += std::chrono::milliseconds(50);
            wake.wait_until(l, next, [&] { return stop; });
        }
    });
    runFor(seconds * 1000);
    {
        std::lock_guard<std::mutex> l(lock);
        stop = true;
    }
    wake.notify_all();
    t.join();
    std::printf("%-28s %8.4f CPU-s/min\n", "bare thread, 20 wakes/s", (cpuSeconds() - before) * 60.0 / seconds);
}

} // namespace

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    measure("lamps hidden", false, true, seconds);
    measure("shown, waiting in kernel", true, true, seconds);
    measure("shown, reading 20/s", true, false, seconds);
    bareWakes(seconds);
    return 0;
}
