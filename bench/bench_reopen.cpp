// A device unplugged and plugged back, again and again, through a
// pseudo-terminal: a link re-pointed to a new pseudo-terminal stands for
// the device node appearing. Per return: the time from the node appearing to
// the port being open, and whether the bytes the device sends 50 ms after
// it appeared (a board's first boot line) are received. Also the processor
// time the program spends while it waits for the device.
//
//   bench_reopen [returns]   (default 50; QT_QPA_PLATFORM=offscreen)
//
// The benchmark keeps the pseudo-terminal's own side open, so a byte sent
// before the port is open still waits in the line; on a real adapter it
// would be gone. Hence "open before the bytes were sent" is counted apart.
#include "ui/main/form1.h"
#include "core/session.h"
#include "ui/main/windows.h"
#include "core/devicewatch.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/mscomm.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/stream.h"
#include "support/testenv.h"
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;
using Steady = std::chrono::steady_clock;

namespace {

double ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

} // namespace

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const int returns = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    Fakes fakes = installFakes();

    const QString link = scratchDir() + QStringLiteral("/ttyBENCH");
    auto pty = std::make_unique<Pty>();
    if (!pty->isValid() || !QFile::link(pty->slavePath(), link)) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    mapPort(1, link);
    Form1 *f = startProgram();
    Form2 *o = f->windows().optionsWindow();
    o->Check5->setChecked(false);
    o->Check6->setChecked(false);
    o->Check7->setChecked(false);
    o->Check8->setChecked(false);

    std::atomic<bool> open{f->session().port()->PortOpen()};
    Steady::time_point openedAt;
    QObject::connect(f->session().port(), &MSComm::opened, [&] {
        openedAt = Steady::now();
        open = true;
    });
    QObject::connect(f->session().port(), &MSComm::closed, [&] { open = false; });

    std::vector<double> latencies;
    int received = 0, openFirst = 0, failed = 0;
    double waitingCpu = 0;
    for (int i = 0; i < returns; ++i) {
        pty->closeMaster();
        if (!runUntil([&] { return deviceWatch(f)->isWatching(); }, 5000)) {
            std::fprintf(stderr, "return %d: the loss was not noticed\n", i);
            return 2;
        }
        // A while unplugged: what the program spends meanwhile.
        const double cpu0 = cpuSeconds();
        QEventLoop unplugged;
        QTimer::singleShot(i == 0 ? 2000 : 50, &unplugged, &QEventLoop::quit);
        unplugged.exec();
        if (i == 0)
            waitingCpu = cpuSeconds() - cpu0;

        auto next = std::make_unique<Pty>();
        QFile::remove(link);
        if (!QFile::link(next->slavePath(), link)) {
            std::fprintf(stderr, "cannot link\n");
            return 1;
        }
        const auto appeared = Steady::now();
        const QByteArray boot = "boot " + QByteArray::number(i);
        bool openWhenSent = false;
        std::thread device([&] {
            std::this_thread::sleep_until(appeared + std::chrono::milliseconds(50));
            openWhenSent = open;
            (void)::write(next->masterFd(), boot.constData(), size_t(boot.size()));
        });
        const bool shown =
            runUntil([&] { return receivedBox(f)->text().startsWith(QString::fromLatin1(boot) + "\r\n"); }, 3000);
        device.join();
        if (f->session().port()->PortOpen())
            latencies.push_back(ms(openedAt - appeared));
        else
            ++failed;
        received += shown;
        openFirst += openWhenSent;
        pty = std::move(next);
    }

    std::sort(latencies.begin(), latencies.end());
    std::printf("returns: %d, port open again after %zu of them (%d not)\n", returns, latencies.size(), failed);
    if (!latencies.empty())
        std::printf("node appearing to port open: median %.2f ms, 90th percentile %.2f ms, worst %.2f ms\n",
                    latencies[latencies.size() / 2], latencies[latencies.size() * 9 / 10], latencies.back());
    std::printf("bytes sent 50 ms after the node appeared: received %d of %d; port already open when they were "
                "sent: %d of %d\n",
                received, returns, openFirst, returns);
    std::printf("messages shown: %d (one per loss: %d)\n", int(fakes.messageBox->messages.size()), returns);
    std::printf("processor time while waiting 2 s for the device: %.1f ms\n", waitingCpu * 1000);
    delete f;
    return received == returns && openFirst == returns ? 0 : 3;
}
