// Send file through a pseudo-terminal into a reader that checks every byte:
// the rate reached against the line's, and how long an event posted to the
// main window waits meanwhile (the progress window shows throughout).
//
//   bench_sendfile [megabytes] [baud]   (default 10 MB, 3000000 baud; QT_QPA_PLATFORM=offscreen)
#include "ui/main/form1.h"
#include "ui/actions/transmitactions.h"
#include "ui/main/windows.h"
#include "core/sending/filesend.h"
#include "core/port/mscomm.h"
#include "core/session/session.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;
using Steady = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const qint64 size = qint64(argc > 1 ? std::max(1, atoi(argv[1])) : 10) * 1024 * 1024;
    const int baud = argc > 2 ? std::max(300, atoi(argv[2])) : 3000000;

    Fakes fakes = installFakes();
    Pty pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    mapPort(1, pty.slavePath());
    Form1 *f = startProgram();
    f->session().port()->setSettings(QStringLiteral("%1,n,8,1").arg(baud));
    const double lineRate = f->session().port()->lineBytesPerSecond();

    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 251) & 0xff);
    const QString path = scratchDir() + QStringLiteral("/bench-send.bin");
    writeBytes(path, data);

    // The device: reads as fast as the line gives and checks the order.
    std::atomic<qint64> received{0};
    std::atomic<bool> inOrder{true}, stop{false};
    std::thread reader([&] {
        char buf[65536];
        while (!stop) {
            struct pollfd p{pty.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(pty.masterFd(), buf, sizeof buf);
            if (n <= 0)
                continue;
            const qint64 at = received;
            if (at + n > size || memcmp(buf, data.constData() + at, size_t(n)) != 0)
                inOrder = false;
            received += n;
        }
    });

    // Every 20 ms an event posted to the main window notes how long it waited.
    std::mutex lock;
    std::vector<double> delays;
    std::thread prober([&] {
        while (!stop) {
            const auto posted = Steady::now();
            QMetaObject::invokeMethod(f, [&, posted] {
                const double ms = std::chrono::duration<double, std::milli>(Steady::now() - posted).count();
                std::lock_guard<std::mutex> g(lock);
                delays.push_back(ms);
            }, Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    const double cpu0 = cpuSeconds();
    const auto start = Steady::now();
    double sentAt = 0;
    fakes.fileDialog->answers.enqueue(path);
    QObject::connect(f->session().fileSender(), &FileSender::finished, &app, [&] {
        sentAt = std::chrono::duration<double>(Steady::now() - start).count();
    });
    f->transmit().mnuSendFile_Click();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        const double t = std::chrono::duration<double>(Steady::now() - start).count();
        if ((sentAt > 0 && received >= size) || t > 3.0 * double(size) / lineRate + 30)
            app.quit();
    });
    poll.start(20);
    app.exec();
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double cpu = cpuSeconds() - cpu0;
    stop = true;
    reader.join();
    prober.join();

    std::vector<double> d;
    {
        std::lock_guard<std::mutex> g(lock);
        d = delays;
    }
    std::sort(d.begin(), d.end());
    const double rate = sentAt > 0 ? double(size) / sentAt : 0;
    std::printf("file: %lld bytes at %d baud (%s), line rate %.0f bytes/s\n", static_cast<long long>(size), baud,
                qPrintable(f->session().port()->Settings()), lineRate);
    std::printf("received: %lld bytes, %s\n", static_cast<long long>(received.load()),
                inOrder && received == size ? "every byte in order" : "NOT the file");
    std::printf("sent in %.2f s: %.0f bytes/s, %.1f %% of the line rate\n", sentAt, rate, 100.0 * rate / lineRate);
    std::printf("processor time (reader and prober threads included): %.2f s, %.1f %% of one core over %.1f s\n", cpu,
                100.0 * cpu / wall, wall);
    if (!d.empty())
        std::printf("event posted to the main window: %zu probes, median %.2f ms, p95 %.2f ms, worst %.2f ms\n",
                    d.size(), d[d.size() / 2], d[d.size() * 95 / 100], d.back());
    delete f;
    return inOrder && received == size ? 0 : 2;
}
