// Cost of showing one received message in the received box, by the number of
// lines already in it, and memory held per received byte.
//
//   bench_receivedbox [messages-for-memory]    (QT_QPA_PLATFORM=offscreen)
#include "ui/receivedbox.h"
#include "support/process.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;

namespace {

QString message(int i)
{
    // A typical decorated line: date, time, data, size.
    return QStringLiteral("07.12.2026   14:05:%1    T=23.5 H=41 P=1013 #%2  Size, byte: 28\r\n")
        .arg(i % 60, 2, 10, QLatin1Char('0'))
        .arg(i);
}

struct Figures {
    double median, worst;
};

Figures measure(ReceivedBox &box, int count, bool repaint)
{
    std::vector<double> ms;
    ms.reserve(count);
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        box.prepend(message(i));
        if (repaint)
            box.repaint();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int memoryMessages = argc > 1 ? std::max(1000, atoi(argv[1])) : 200000;

    // Memory first, while the process holds nothing else.
    {
        ReceivedBox box;
        box.resize(800, 300);
        box.show();
        QCoreApplication::processEvents();
        const long before = vmRssKiB();
        qint64 bytes = 0;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < memoryMessages; ++i) {
            const QString m = message(i);
            bytes += m.size();
            box.prepend(m);
            if (i % 1000 == 0) {
                box.repaint();
                QCoreApplication::processEvents();
            }
        }
        QCoreApplication::processEvents();
        const long after = vmRssKiB();
        std::printf("memory: %d messages, %lld received bytes, VmRSS %ld KiB -> %ld KiB: %.1f bytes of memory per "
                    "received byte (%.1f s)\n",
                    memoryMessages, static_cast<long long>(bytes), before, after,
                    double(after - before) * 1024.0 / double(bytes), t.elapsed() / 1000.0);
        // The whole document is still exact.
        const qsizetype length = box.text().size();
        std::printf("document length check: %s\n", length == bytes ? "exact" : "WRONG");
    }
    std::printf("Showing one message (prepend, then repaint of the shown box), 200 messages per size\n");
    for (const int lines : {1000, 100000, 1000000}) {
        ReceivedBox box;
        box.resize(800, 300);
        box.show();
        QString text;
        text.reserve(qsizetype(lines) * 70);
        for (int i = 0; i < lines; ++i)
            text += message(i);
        QElapsedTimer load;
        load.start();
        box.setText(text);
        box.repaint();
        QCoreApplication::processEvents();
        const double loadMs = load.elapsed();
        const Figures bare = measure(box, 200, false);
        const Figures shown = measure(box, 200, true);
        std::printf("lines %8d: prepend median %.3f ms worst %.3f ms; prepend+repaint median %.3f ms worst %.3f ms"
                    " (loading the box took %.0f ms)\n",
                    lines, bare.median, bare.worst, shown.median, shown.worst, loadMs);
        std::fflush(stdout);
    }

    return 0;
}
