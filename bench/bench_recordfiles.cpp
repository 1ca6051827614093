// A new file at 1 MB during a 20 MB stream of 100-byte messages, through the
// recorder's session: the port on a pseudo-terminal, no document kept, the
// autosave files by size. Checks that no record holds part of a message and
// that the files in order together are the stream.
//
//   bench_recordfiles [megabytes] [file-MB]     (default 20 and 1)
//
// What is real: the session as the recorder runs it (setKeepsDocument(false),
// LogChoices at a size), its port reading the line, the message lines and
// AutosaveFiles writing each record. What is driven: the receive timer's
// ticks, as bench_soak does (a real 1 ms timer costs over 2 ms a message):
// once the port holds the whole message the benchmark ticks until it is
// written, so each message is one record.
#include "core/log/autosavefiles.h"
#include "core/port/mscomm.h"
#include "core/session/session.h"
#include "support/files.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QCoreApplication>
#include <QDir>
#include <thread>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>

using namespace kestrum;
using namespace kestrum::test;

int main(int argc, char **argv)
{
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const double fileMB = argc > 2 ? std::max(0.01, atof(argv[2])) : 1.0;
    const qint64 count = megabytes * 1048576 / 100;
    Pty pty;
    if (!pty.isValid())
        return 1;
    mapPort(1, pty.slavePath());
    const QString dir = scratchDir() + QStringLiteral("/recordfiles");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);

    Session session;
    session.setKeepsDocument(false);
    Options o = Options::stored();
    o.autosave = true;
    o.autosaveFile = dir + QStringLiteral("/rec.txt");
    session.options().set(o);
    LogChoices c;
    c.files = FilePolicy::AtSize;
    c.fileSizeMB = fileMB;
    session.setLogChoices(c, false);
    // The benchmark ends each message itself, with the two ticks.
    session.setReceiveTimeout(3600 * 1000);
    session.openPort();
    qint64 changes = 0;
    QObject::connect(&session, &Session::autosaveFileChanged, [&changes] { ++changes; });

    QByteArray stream;
    stream.reserve(count * 100);
    const long rss0 = rssAnonKiB();
    const double cpu0 = cpuSeconds();
    QElapsedTimer all;
    all.start();
    for (qint64 i = 0; i < count; ++i) {
        QByteArray msg = QByteArray::number(i).rightJustified(8, '0') + ':';
        msg += QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(4).left(100 - msg.size());
        if (!pty.write(msg))
            return 1;
        stream += msg;
        while (session.port()->gathered() < msg.size())
            std::this_thread::yield();
        while (session.framing() != Session::Framing::Idle) {
            session.tick();
            QCoreApplication::processEvents();
        }
    }
    session.finishRecords();
    const double seconds = all.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    const long rss1 = rssAnonKiB();

    QStringList names = QDir(dir).entryList(QDir::Files);
    const QRegularExpression number(QStringLiteral("\\((\\d+)\\)"));
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const auto n = [&](const QString &s) { const auto m = number.match(s); return m.hasMatch() ? m.captured(1).toInt() : 1; };
        return n(a) < n(b);
    });
    QByteArray joined;
    qint64 records = 0, split = 0, at = 0, small = 0;
    for (qsizetype k = 0; k < names.size(); ++k) {
        const QByteArray content = readBytes(dir + QLatin1Char('/') + names[k]);
        if (k + 1 < names.size() && content.size() < qint64(fileMB * 1048576))
            ++small;
        for (const QByteArray &rec : content.split('\n')) {
            if (rec.isEmpty())
                continue;
            ++records;
            const QByteArray data = rec.chopped(1);  // the CR
            if (data.size() != 100 || !data.startsWith(QByteArray::number(at).rightJustified(8, '0') + ':'))
                ++split;
            ++at;
            joined += data;
        }
    }
    std::printf("recordfiles: %lld messages of 100 bytes (%lld MB), a new file at %.2f MB\n",
                static_cast<long long>(count), static_cast<long long>(megabytes), fileMB);
    std::printf("files %lld (first \"%s\", last \"%s\"), file changes told %lld, files below the size but the last %lld\n",
                static_cast<long long>(names.size()), qPrintable(names.value(0)), qPrintable(names.value(names.size() - 1)),
                static_cast<long long>(changes), static_cast<long long>(small));
    std::printf("records %lld, records not one whole message %lld, files together equal the stream: %s\n",
                static_cast<long long>(records), static_cast<long long>(split), joined == stream ? "yes" : "NO");
    std::printf("wall %.1f s (%.1f us a message), cpu %.1f s, RssAnon %ld -> %ld KiB (the stream kept for the check: %lld KiB)\n",
                seconds, seconds * 1e6 / double(count), cpu, rss0, rss1, static_cast<long long>(stream.size() / 1024));
    return joined == stream && split == 0 && small == 0 ? 0 : 2;
}
