// File > Open of a large document in the window, then what reads it whole:
// when the top of the box shows, how fast the whole file is read, how late a
// 10 ms timer of the window runs meanwhile, the program's own memory
// (RssAnon) after; a screen at any line (the scroll bar moved, Ctrl+End);
// Copy of everything and Print of everything (aside, with progress).
//
//   bench_open [megabytes] [0|1 copy|2 copy and print] [crlf|lf]   (default 1024 MB of 60-byte
//   lines ending in CR LF, 0; QT_QPA_PLATFORM=offscreen)
#include "ui/main/form1.h"
#include "ui/received/receivedbox.h"
#include "ui/main/windows.h"
#include "core/session.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/testenv.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// How late each 10 ms tick of the window's timer came while something ran.
struct Ticks {
    QElapsedTimer clock;
    qint64 last = -1;
    std::vector<double> late;
    QTimer timer;
    Ticks()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0)
                late.push_back(std::max(0.0, (now - last) / 1e6 - 10.0));
            last = now;
        });
    }
    void start()
    {
        late.clear();
        last = -1;
        clock.start();
        timer.start();
    }
    void report(const char *what)
    {
        timer.stop();
        std::sort(late.begin(), late.end());
        if (late.empty())
            return;
        const double onTime = double(std::upper_bound(late.begin(), late.end(), 50.0) - late.begin()) / late.size();
        std::printf("%s: %zu ticks, on time within 50 ms %.1f %%, p95 late %.1f ms, longest stall %.1f ms\n", what,
                    late.size(), onTime * 100, late[size_t(late.size() * 0.95)], late.back() + 10.0);
    }
};

} // namespace

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 1024;
    const int copyPrint = argc > 2 ? atoi(argv[2]) : 0;
    // Logs written by other tools often end their lines in LF alone.
    const QByteArray lineEnd = argc > 3 && QByteArray(argv[3]) == "lf" ? "\n" : "\r\n";
    Fakes fakes = installFakes();
    Form1 *f = startProgram();
    f->resize(900, 700);
    f->show();
    ReceivedBox *box = receivedBox(f);

    const QString path = scratchDir() + QStringLiteral("/bench-open.txt");
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 1;
        QByteArray chunk;
        for (int i = 0; chunk.size() < (4 << 20); ++i)
            chunk += QByteArray("2026-12-08 02:50:00.123 line ") + QByteArray::number(i).rightJustified(8, '0')
                     + QByteArray(20, 'x') + lineEnd;
        for (qint64 done = 0; done < megabytes << 20; done += chunk.size())
            out.write(chunk);
    }
    const double fileMB = QFile(path).size() / 1048576.0;
    const long anonBefore = rssAnonKiB();

    Ticks ticks;
    QElapsedTimer t;
    double firstScreen = -1;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (firstScreen < 0 && box->textLength() > 0) {
            box->viewport()->repaint();
            firstScreen = t.nsecsElapsed() / 1e6;
        }
    });
    fakes.fileDialog->answers.enqueue(path);
    ticks.start();
    watch.start();
    t.start();
    action(f, "mnuOpen")->trigger();
    const double whole = t.nsecsElapsed() / 1e9;
    watch.stop();
    ticks.report("open");
    std::printf("open of %.0f MB (%s): first screen after %.1f ms; whole file %.2f s (%.0f MB/s); RssAnon %ld -> %ld MB "
                "(+%ld MB); messages %lld\n",
                fileMB, lineEnd == "\n" ? "LF" : "CR LF", firstScreen, whole, fileMB / whole, anonBefore / 1024, rssAnonKiB() / 1024,
                (rssAnonKiB() - anonBefore) / 1024, qlonglong(fakes.messageBox->messages.size()));

    // A screen at any line: the scroll bar dragged there, then painted.
    QScrollBar *bar = box->verticalScrollBar();
    std::mt19937 random(7);
    std::vector<double> scroll;
    for (int i = 0; i < 40; ++i) {
        t.start();
        bar->setValue(int(random() % uint(std::max(1, bar->maximum()))));
        box->viewport()->repaint();
        scroll.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(scroll.begin(), scroll.end());
    box->setFocus();
    t.start();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(box, &end);
    box->viewport()->repaint();
    const double ctrlEnd = t.nsecsElapsed() / 1e6;
    t.start();
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(box, &home);
    box->viewport()->repaint();
    std::printf("scroll bar to any of %d positions and paint: median %.2f ms, worst %.2f ms; Ctrl+End %.2f ms, "
                "Ctrl+Home %.2f ms\n",
                bar->maximum(), scroll[scroll.size() / 2], scroll.back(), ctrlEnd, t.nsecsElapsed() / 1e6);

    if (copyPrint > 0) {
        box->selectAll();
        ticks.start();
        t.start();
        box->copy();
        std::printf("copy of everything: %.2f s\n", t.nsecsElapsed() / 1e9);
        ticks.report("copy");
        QApplication::clipboard()->clear();
    }
    if (copyPrint > 1) {
        fakes.printer->pdfPath = scratchDir() + QStringLiteral("/bench-open.pdf");
        ticks.start();
        t.start();
        action(f, "mnuPrint")->trigger();
        std::printf("print of everything to PDF: %.2f s\n", t.nsecsElapsed() / 1e9);
        ticks.report("print");
    }
    QFile::remove(path);
    return 0;
}
