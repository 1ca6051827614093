// Continuous data at the pace of a baud rate through a pseudo-terminal into
// the real program: bytes lost, processor time used, and how long an event
// posted to the main window waits while the stream runs.
//
//   bench_stream [seconds] [baud]   (default 60 s, 115200 baud; QT_QPA_PLATFORM=offscreen)
//
// The writer paces the stream at baud / 10 bytes a second (8 data bits,
// start and stop bit). A pseudo-terminal has no baud rate of its own: when
// the program does not drain the line in time, the writer's writes are
// refused and it falls behind its schedule instead of losing bytes, so the
// lag behind the schedule is reported too (a real line would lose them).
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "core/session.h"
#include "ui/main/windows.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/stream.h"
#include "support/testenv.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;
using Steady = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const int duration = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int baud = argc > 2 ? std::max(300, atoi(argv[2])) : 115200;
    const int bytesPerSecond = baud / 10;  // 8 data bits, start and stop bit

    installFakes();
    Pty pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    mapPort(1, pty.slavePath());
    Form1 *f = startProgram();
    // The list offers up to 115200; faster adapters are set on the port
    // object, which takes up to 4000000.
    const QString baudText = QString::number(baud);
    if (list(f, "Combo2")->findText(baudText) >= 0) {
        f->ports().selectListItem(list(f, "Combo2"), baudText);
    } else {
        try {
            f->session().port()->setSettings(baudText + QStringLiteral(",n,8,2"));
        } catch (const Error &e) {
            std::printf("the port refused %d baud (%s); the writer still paces at %d bytes/s\n", baud,
                        qPrintable(e.description()), bytesPerSecond);
        }
    }
    Form2 *o = f->windows().optionsWindow();
    o->Check5->setChecked(false);
    o->Check6->setChecked(false);
    o->Check7->setChecked(false);
    const QString autosave = scratchDir() + QStringLiteral("/stream.txt");
    o->setAutosaveFile(autosave);
    o->Check8->setChecked(true);

    std::mutex delaysLock;
    std::vector<double> delays;
    std::vector<std::pair<double, double>> worstProbes;  // (delay, seconds into the stream)

    const double cpu0 = cpuSeconds();
    const auto start = Steady::now();
    auto nextProbe = start;
    PacedWriter writer;
    // Every 20 ms the writer also posts an event to the window and notes how
    // long it waited.
    writer.start(pty.masterFd(), bytesPerSecond, duration, [&] {
        if (Steady::now() < nextProbe)
            return;
        const auto posted = Steady::now();
        QMetaObject::invokeMethod(
            f,
            [&delays, &worstProbes, &delaysLock, posted, start] {
                const double ms = std::chrono::duration<double, std::milli>(Steady::now() - posted).count();
                std::lock_guard<std::mutex> g(delaysLock);
                delays.push_back(ms);
                worstProbes.emplace_back(ms, std::chrono::duration<double>(posted - start).count());
                std::sort(worstProbes.rbegin(), worstProbes.rend());
                if (worstProbes.size() > 3)
                    worstProbes.pop_back();
            },
            Qt::QueuedConnection);
        nextProbe += std::chrono::milliseconds(20);
    });

    // Run until the stream has ended and its last message is shown.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!writer.done())
            return;
        const bool idle = f->session().receiving() == 0 && f->session().framing() == Session::Framing::Idle;
        const double after = std::chrono::duration<double>(Steady::now() - start).count() - duration;
        if ((idle && receivedBox(f)->textLength() >= writer.sent()) || after > 5)
            app.quit();
    });
    poll.start(50);
    app.exec();
    writer.wait();
    const qint64 sent = writer.sent();
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double cpu = cpuSeconds() - cpu0 - writer.threadCpu();

    const QByteArray expected = streamBytes(sent);
    const QByteArray inBox = joinRecords(receivedBox(f)->text().toLatin1(), true);
    QFile file(autosave);
    file.open(QIODevice::ReadOnly);
    const QByteArray inFile = joinRecords(file.readAll(), false);

    std::vector<double> d;
    {
        std::lock_guard<std::mutex> g(delaysLock);
        d = delays;
    }
    std::sort(d.begin(), d.end());
    std::printf("duration: %d s of data at %d bytes/s (%d baud, 10 bits a byte), %.1f s wall\n", duration,
                bytesPerSecond, baud, wall);
    std::printf("port settings: %s\n", qPrintable(f->session().port()->Settings()));
    std::printf("bytes sent: %lld (schedule %lld; most the writer was ever behind: %lld bytes, %.1f ms of the "
                "line)\n",
                static_cast<long long>(sent), static_cast<long long>(qint64(duration) * bytesPerSecond),
                static_cast<long long>(writer.worstLag()), 1000.0 * double(writer.worstLag()) / bytesPerSecond);
    std::printf("bytes in the box: %lld (%s), lost %lld\n", static_cast<long long>(inBox.size()),
                inBox == expected ? "identical to the stream" : "DIFFERENT from the stream",
                static_cast<long long>(sent - inBox.size()));
    std::printf("bytes in the autosave file: %lld (%s), lost %lld\n", static_cast<long long>(inFile.size()),
                inFile == expected ? "identical to the stream" : "DIFFERENT from the stream",
                static_cast<long long>(sent - inFile.size()));
    std::printf("messages: %d (Text3 shows %s)\n", int(receivedBox(f)->text().count(QStringLiteral("\r\n"))),
                qPrintable(messageCounter(f)->text()));
    std::printf("processor time of the program (writer thread excluded): %.2f s, %.1f %% of one core\n", cpu,
                100.0 * cpu / wall);
    if (!d.empty())
        std::printf("event posted to the main window: %zu probes, median delay %.2f ms, worst %.2f ms\n", d.size(),
                    d[d.size() / 2], d.back());
    for (const auto &w : worstProbes)
        std::printf("  %.2f ms, posted %.2f s into the stream\n", w.first, w.second);
    delete f;
    return inBox == expected && inFile == expected ? 0 : 2;
}
