// Cost of showing one received message in the received box, by the number of
// lines already in it, in text and in hex view, and of switching between the
// two; memory held per received byte, and the cost of working in a line of
// 1.6 million characters.
//
//   bench_receivedbox [messages-for-memory] [steps-in-the-long-line]
//   (QT_QPA_PLATFORM=offscreen)
#include "ui/received/receivedbox.h"
#include "support/process.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTest>
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

// Times of each step, as "median / 95th percentile / worst".
QByteArray spread(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t p95 = std::min(ms.size() - 1, size_t(double(ms.size()) * 0.95));
    return QStringLiteral("%1 / %2 / %3 ms").arg(ms[ms.size() / 2], 0, 'f', 2).arg(ms[p95], 0, 'f', 2)
        .arg(ms.back(), 0, 'f', 2).toLatin1();
}

template <typename Step>
std::vector<double> timeSteps(int count, Step step)
{
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        step(i);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return ms;
}

// One line of 1.6 million characters under a few short ones, in view: a
// repaint after scrolling along it, a caret step in its middle, a click, a
// keystroke there, and a message arriving while it is shown; every step ends
// with the lines in view painted.
void longLine(const char *name, QChar (*character)(int), int steps)
{
    constexpr int kLength = 1600000;
    QString text;
    text.reserve(kLength + 400);
    for (int i = 0; i < 10; ++i)
        text += QStringLiteral("short line %1\r\n").arg(i);
    const qsizetype start = text.size();
    for (int i = 0; i < kLength; ++i)
        text += character(i);
    text += QStringLiteral("\r\nthe last line\r\n");
    ReceivedBox box;
    box.resize(800, 300);
    box.show();
    box.activateWindow();
    box.setFocus();
    QElapsedTimer t;
    t.start();
    box.setText(text);
    box.viewport()->repaint();
    QCoreApplication::processEvents();
    const double loadMs = t.nsecsElapsed() / 1e6;
    QScrollBar *h = box.horizontalScrollBar();
    const auto scroll = timeSteps(steps, [&](int i) {
        h->setValue(int(qint64(h->maximum()) * ((i * 37) % 100 + 1) / 101));
        box.viewport()->repaint();
    });
    box.setCursorPosition(start + kLength / 2);
    box.viewport()->repaint();
    const auto caret = timeSteps(steps, [&](int i) {
        QTest::keyClick(&box, i % 2 ? Qt::Key_Left : Qt::Key_Right);
        box.viewport()->repaint();
    });
    const auto click = timeSteps(steps, [&](int i) {
        const QPoint p(100 + (i * 53) % 500, static_cast<QWidget &>(box).inputMethodQuery(Qt::ImCursorRectangle).toRect().center().y());
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, p);
        box.viewport()->repaint();
    });
    const auto key = timeSteps(steps, [&](int) {
        QTest::keyClick(&box, Qt::Key_X);
        QCoreApplication::processEvents();
        box.viewport()->repaint();
    });
    box.verticalScrollBar()->setValue(0);
    const auto message = timeSteps(steps, [&](int i) {
        box.prepend(QStringLiteral("arrived %1\r\n").arg(i));
        QCoreApplication::processEvents();
        box.viewport()->repaint();
    });
    std::printf("line of %d %s (median / 95th percentile / worst of %d steps; loading took %.0f ms):\n"
                "  repaint after a scroll %s\n  caret step %s\n  click %s\n  keystroke %s\n"
                "  message arriving %s\n",
                kLength, name, steps, loadMs, spread(scroll).constData(), spread(caret).constData(),
                spread(click).constData(), spread(key).constData(), spread(message).constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int memoryMessages = argc > 1 ? std::max(1000, atoi(argv[1])) : 200000;
    const int longLineSteps = argc > 2 ? std::max(1, atoi(argv[2])) : 40;

    // KESTRUM_BENCH_LONG_LINE=only: that part alone; =ordinary or =0xAD:
    // one kind of line alone.
    const QByteArray only = qgetenv("KESTRUM_BENCH_LONG_LINE");
    const auto longLines = [&] {
        if (only != "0xAD")
            longLine("ordinary characters", [](int i) { return QChar(33 + i % 94); }, longLineSteps);
        if (only != "ordinary")
            longLine("soft hyphens (byte 0xAD)", [](int) { return QChar(0xAD); }, longLineSteps);
    };
    if (!only.isEmpty()) {
        longLines();
        return 0;
    }

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
        // Switching to hex and back, each ending with the box painted.
        std::vector<double> toHex, toText;
        QElapsedTimer t;
        for (int i = 0; i < 10; ++i) {
            t.start();
            box.setHexView(true);
            box.repaint();
            toHex.push_back(t.nsecsElapsed() / 1e6);
            t.start();
            box.setHexView(false);
            box.repaint();
            toText.push_back(t.nsecsElapsed() / 1e6);
        }
        box.setHexView(true);
        const Figures hex = measure(box, 200, true);
        std::printf("  hex view: switch to hex %s, back to text %s (median / 95th / worst of 10); "
                    "prepend+repaint in hex median %.3f ms worst %.3f ms\n",
                    spread(toHex).constData(), spread(toText).constData(), hex.median, hex.worst);
        std::fflush(stdout);
    }
    longLines();
    return 0;
}
