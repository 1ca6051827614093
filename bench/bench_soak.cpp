// A long session: a million short messages through the receive path of the
// running program, every decoration on and autosave on. Shows whether memory
// grows beyond the text itself and its view, whether the counter stays right
// and whether the time per message stays flat.
//
//   bench_soak [messages]      (default 1000000; QT_QPA_PLATFORM=offscreen)
//
// What is real: the program as main starts it (startProgram(), the window
// shown on the offscreen platform and painted by the event loop), the serial
// port object opened on COM1, which the store maps to the slave of a
// pseudo-terminal; every message is written by this benchmark on the master
// side and read from the line by the port's reader thread; the count
// (counter, Text3), the decorated line with the real clock, the prepend to
// the received box and the autosave record, each as the program does them.
//
// What is driven: the end of each message. A message ends two receive
// timeouts after its first byte, at least 2 ms; over half an hour for a
// million. So the receive timeout is an hour, and once the reader holds the
// whole message (MSComm::gathered()) the benchmark gives the timer's two
// ticks by hand (Timer2_Timer), which count the message and end it at once.
// One message is on the line at a time, so each message is one record.
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "core/session.h"
#include "ui/main/windows.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "platform/platform.h"
#include "core/mscomm.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// A short reading as a sensor would send it; no line break, so each message
// is one line of the box and of the file.
QByteArray messageData(qint64 i)
{
    return QByteArray("T=") + QByteArray::number(20 + i % 10) + ".5 H=41 #" + QByteArray::number(i);
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double mean(const std::vector<double> &v)
{
    double s = 0;
    for (double x : v)
        s += x;
    return v.empty() ? 0 : s / double(v.size());
}

} // namespace

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const qint64 total = argc > 1 ? std::max<qint64>(100, atoll(argv[1])) : 1000000;
    const qint64 interval = std::min<qint64>(50000, std::max<qint64>(1000, total / 20));
    const qint64 window = std::min<qint64>(10000, total / 10);

    FakeMessageBox *messages = installFakes().messageBox;
    // The real clock: date and time are formatted afresh for every line.
    setClock(nullptr);
    Pty pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    mapPort(1, pty.slavePath());
    Form1 *f = startProgram();
    f->session().setReceiveTimeout(3600 * 1000);
    f->ports().selectListItem(list(f, "Combo2"), QStringLiteral("115200"));
    Form2 *o = f->windows().optionsWindow();
    o->Check5->setChecked(true);
    o->Check6->setChecked(true);
    o->Check7->setChecked(true);
    const QString autosave = scratchDir() + QStringLiteral("/soak.txt");
    o->setAutosaveFile(autosave);
    o->Check8->setChecked(true);
    if (!f->session().port()->PortOpen()) {
        std::fprintf(stderr, "set-up failed: the port is closed\n");
        return 1;
    }
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();

    const long rss0 = vmRssKiB(), anon0 = rssAnonKiB();
    std::printf("soak: %lld messages, date, time, size and autosave on, VmRSS at start %ld KiB, RssAnon %ld KiB\n",
                static_cast<long long>(total), rss0, anon0);
    std::printf("%10s %10s %12s %12s %11s %11s %10s %9s %11s\n", "messages", "Text3", "box chars", "file bytes",
                "VmRSS KiB", "RssAnon KiB", "growth", "per char", "ms/message");
    std::printf("%10s %10s %12s %12s %11s %11s %10s %9s %11s\n", "", "", "", "", "", "", "anon KiB", "(bytes)",
                "(interval)");
    std::fflush(stdout);

    std::vector<double> firstMs, lastMs;
    firstMs.reserve(size_t(window));
    lastMs.reserve(size_t(window));
    bool stuck = false;
    QElapsedTimer all, one, part;
    all.start();
    part.start();
    for (qint64 i = 0; i < total && !stuck; ++i) {
        one.start();
        const QByteArray data = messageData(i);
        const qint32 countBefore = f->session().messageCount();
        if (!pty.write(data)) {
            std::fprintf(stderr, "writing to the line failed at message %lld\n", static_cast<long long>(i));
            return 1;
        }
        // Until the reader holds the whole message; it tells nobody before
        // the message's end, so this looks.
        while (f->session().port()->gathered() < data.size()) {
            if (one.elapsed() > 5000) {
                std::fprintf(stderr, "message %lld did not arrive\n", static_cast<long long>(i));
                stuck = true;
                break;
            }
            std::this_thread::yield();
        }
        // The timer's two ticks: counted, then shown; then the window paints.
        f->Timer2_Timer();
        f->Timer2_Timer();
        if (f->session().messageCount() != countBefore + 1) {
            std::fprintf(stderr, "message %lld was not counted once\n", static_cast<long long>(i));
            stuck = true;
        }
        QCoreApplication::processEvents();
        const double ms = one.nsecsElapsed() / 1e6;
        if (i < window)
            firstMs.push_back(ms);
        else if (i >= total - window)
            lastMs.push_back(ms);

        if ((i + 1) % interval == 0 || i + 1 == total) {
            const qint64 chars = receivedBox(f)->textLength();
            const long rss = vmRssKiB(), anon = rssAnonKiB();
            const qint64 fileBytes = QFileInfo(autosave).size();
            std::printf("%10lld %10s %12lld %12lld %11ld %11ld %10ld %9.3f %11.3f\n", static_cast<long long>(i + 1),
                        qPrintable(messageCounter(f)->text()), static_cast<long long>(chars),
                        static_cast<long long>(fileBytes), rss, anon, anon - anon0,
                        double(anon - anon0) * 1024.0 / double(chars),
                        part.nsecsElapsed() / 1e6 / double((i % interval) + 1));
            std::fflush(stdout);
            part.start();
        }
    }
    const double wallS = all.elapsed() / 1000.0;
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    // Measured before the checks below make copies of the text.
    const long rss = vmRssKiB(), anon = rssAnonKiB();
    const qint64 boxChars = receivedBox(f)->textLength();

    // The whole session, checked line by line: newest first in the box,
    // oldest first in the file, each line the decorated message.
    const QString box = receivedBox(f)->text();
    QFile file(autosave);
    file.open(QIODevice::ReadOnly);
    const QByteArray inFile = file.readAll();
    file.close();
    QList<QStringView> lines = QStringView(box).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    qint64 wrong = 0;
    const qint64 delivered = stuck ? -1 : total;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const qint64 i = total - 1 - k;
        const QString data = QString::fromLatin1(messageData(i));
        const QString tail = data + QStringLiteral("  Size, byte: ") + QString::number(data.size());
        // "date   time    data  Size, byte: n"
        if (!lines.at(k).endsWith(tail) || lines.at(k).count(QStringLiteral("   ")) < 2)
            ++wrong;
    }
    QByteArray boxReversed;
    boxReversed.reserve(inFile.size());
    for (auto it = lines.crbegin(); it != lines.crend(); ++it)
        boxReversed += it->toLatin1() + "\r\n";

    std::printf("\nmessages sent: %lld in %.1f s (%.3f ms a message overall)\n", static_cast<long long>(total), wallS,
                1000.0 * wallS / double(total));
    std::printf("counter: Text3 shows %s, expected %lld (%s)\n", qPrintable(messageCounter(f)->text()),
                static_cast<long long>(total), messageCounter(f)->text() == QString::number(total) ? "right" : "WRONG");
    std::printf("box: %lld lines, %lld wrong or missing; %lld characters (%lld bytes as UTF-16)\n",
                static_cast<long long>(lines.size()), static_cast<long long>(wrong + (total - lines.size())),
                static_cast<long long>(box.size()), static_cast<long long>(2 * box.size()));
    std::printf("autosave file: %lld bytes, %s the box's lines in the order received\n",
                static_cast<long long>(inFile.size()), inFile == boxReversed ? "identical to" : "DIFFERENT from");
    std::printf("memory: VmRSS %ld KiB at start, %ld KiB at the end; RssAnon %ld KiB at start, %ld KiB at the end: "
                "growth %.3f MB per MB of text (one byte a character)\n",
                rss0, rss, anon0, anon, double(anon - anon0) * 1024.0 / double(boxChars));
    std::printf("time per message, first %lld: median %.3f ms, mean %.3f ms; last %lld: median %.3f ms, mean %.3f ms "
                "(last/first median %.2f)\n",
                static_cast<long long>(window), median(firstMs), mean(firstMs), static_cast<long long>(window),
                median(lastMs), mean(lastMs), median(firstMs) > 0 ? median(lastMs) / median(firstMs) : 0.0);
    std::printf("message boxes shown: %lld%s%s\n",
                static_cast<long long>(messages->messages.size()), messages->messages.isEmpty() ? "" : ", first: ",
                messages->messages.isEmpty() ? "" : qPrintable(messages->messages.first()));
    const bool ok = delivered == total && wrong == 0 && lines.size() == total
                    && messageCounter(f)->text() == QString::number(total) && inFile == boxReversed
                    && messages->messages.isEmpty();
    delete f;
    return ok ? 0 : 2;
}
