// The received document's store at size: putting messages in front, the
// memory it holds and the program's own memory (RssAnon) per MB, showing one
// more message at a thousand to tens of millions of lines, an edit near the
// bottom, reaching any line, reading it all through a snapshot, saving it
// as a document and opening that document again.
//
//   bench_store [millions-of-lines]    (default 20)
#include "core/document/receivedstore.h"
#include "core/document/textfile.h"
#include "support/process.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// A typical decorated line of 60 bytes.
QByteArray message(qint64 i)
{
    QByteArray m = "07.12.2026 14:05:" + QByteArray::number(i % 60).rightJustified(2, '0') + " T=23.5 #"
                   + QByteArray::number(i).rightJustified(9, '0');
    return m.leftJustified(58, ' ') + "\r\n";
}

// Median and worst of n runs of f, in microseconds.
template <class F>
std::pair<double, double> timeIt(int n, F f)
{
    std::vector<double> us;
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        t.start();
        f(i);
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us.back()};
}

// What the view asks for after a message: the line count, the first
// screen's lines and their text.
void showTop(const ReceivedStore &s)
{
    const qsizetype lines = s.lineCount();
    for (qsizetype l = 0; l < std::min<qsizetype>(lines, 40); ++l)
        (void)s.text(s.lineStart(l), s.lineLength(l));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 millions = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const qint64 total = millions * 1000 * 1000;

    // Made beforehand: the figures are the store's, not the formatting's.
    std::vector<QByteArray> messages;
    for (int i = 0; i < 4096; ++i)
        messages.push_back(message(i));
    ReceivedStore store;
    const qint64 anonBefore = rssAnonKiB();
    QElapsedTimer t;
    t.start();
    qint64 done = 0, bytes = 0;
    double fillSeconds = 0;
    std::printf("store: %s\n", "60-byte lines, one message each");
    for (const qint64 mark : {qint64(1000), qint64(1000000), total}) {
        t.start();
        for (; done < mark - 1; ++done) {
            const QByteArray &m = messages[size_t(done % 4096)];
            store.prependBytes(m);
            bytes += m.size();
        }
        fillSeconds += t.nsecsElapsed() / 1e9;
        const auto shown = timeIt(200, [&](int i) {
            store.prependBytes(message(done + i));
            showTop(store);
        });
        done += 200;
        bytes += 200 * 60;
        std::printf("lines %11lld: one message shown (prepend + first screen) median %.1f us, worst %.1f us\n",
                    static_cast<long long>(store.lineCount()), shown.first, shown.second);
    }
    const double mb = bytes / 1048576.0;
    const qint64 anonAfter = rssAnonKiB();
    std::printf("put in front: %.0f MB at %.0f MB/s; store memory %.1f MB (%.3f MB per MB); "
                "RssAnon growth %.1f MB (%.3f MB per MB); on disk: %s\n",
                mb, mb / fillSeconds, store.memoryUsed() / 1048576.0, store.memoryUsed() / 1048576.0 / mb,
                (anonAfter - anonBefore) / 1024.0, (anonAfter - anonBefore) / 1024.0 / mb,
                store.onDisk() ? "yes" : "no");

    QRandomGenerator r(1);
    const auto anyLine = timeIt(2000, [&](int) {
        const qsizetype l = qsizetype(r.bounded(quint64(store.lineCount())));
        (void)store.text(store.lineStart(l), store.lineLength(l));
    });
    std::printf("any line of %lld (start, length, text): median %.1f us, worst %.1f us\n",
                static_cast<long long>(store.lineCount()), anyLine.first, anyLine.second);

    // A keystroke near the bottom, then what the view asks for at the caret.
    const auto keystroke = timeIt(200, [&](int i) {
        const qsizetype pos = store.size() - 600 - i;
        store.replace(pos, 0, QStringLiteral("x"));
        const qsizetype line = store.lineOf(pos);
        (void)store.text(store.lineStart(line), store.lineLength(line));
        (void)store.longestLineLength();
    });
    std::printf("keystroke near the bottom (edit, caret line, longest line): median %.1f us, worst %.1f us\n",
                keystroke.first, keystroke.second);

    // All of it through a snapshot, as a save or a search reads it.
    const auto snap = store.snapshot();
    QByteArray chunk(1 << 20, '\0');
    t.start();
    for (qsizetype pos = 0; pos < snap->size(); pos += chunk.size())
        snap->readBytes(pos, chunk.size(), chunk.data());
    const double readSeconds = t.nsecsElapsed() / 1e9;
    std::printf("snapshot read of %.0f MB: %.2f s, %.0f MB/s\n", snap->size() / 1048576.0, readSeconds,
                snap->size() / 1048576.0 / readSeconds);

    // Save it as a document, then open that document into a store of its own
    // as Open does: pieces read from the end and made into blocks by another
    // store, then taken in (the window's share of the work).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("document.txt"));
    Progress saving;
    t.start();
    writeDocument(path, *snap, saving);
    const double saveSeconds = t.nsecsElapsed() / 1e9;
    std::printf("save of %.0f MB: %.2f s, %.0f MB/s\n", snap->size() / 1048576.0, saveSeconds,
                snap->size() / 1048576.0 / saveSeconds);
    store.clear();
    const qint64 anonBeforeOpen = rssAnonKiB();
    ReceivedStore opened;
    ReceivedStore pieces;
    Progress opening;
    double first = -1, takeIn = 0, longestTakeIn = 0;
    QElapsedTimer piece;
    t.start();
    readDocumentBackward(path, opening, [&](QByteArray bytes) {
        pieces.prependBytes(bytes);
        ReceivedStore::Batch batch = pieces.takeAll();
        piece.start();
        opened.insert(opened.size(), std::move(batch));
        showTop(opened);
        const double ms = piece.nsecsElapsed() / 1e6;
        takeIn += ms;
        longestTakeIn = std::max(longestTakeIn, ms);
        if (first < 0)
            first = t.nsecsElapsed() / 1e6;
    });
    const double openSeconds = t.nsecsElapsed() / 1e9;
    std::printf("open of %.0f MB: first screen after %.1f ms; whole file %.2f s, %.0f MB/s; taking the pieces in "
                "%.0f ms in all, longest %.2f ms; RssAnon growth %.1f MB; lines %lld\n",
                opened.size() / 1048576.0, first, openSeconds, opened.size() / 1048576.0 / openSeconds, takeIn,
                longestTakeIn, (rssAnonKiB() - anonBeforeOpen) / 1024.0, static_cast<long long>(opened.lineCount()));
    const auto scroll = timeIt(200, [&](int) {
        const qsizetype l = qsizetype(r.bounded(quint64(opened.lineCount())));
        for (qsizetype k = l; k < std::min(opened.lineCount(), l + 40); ++k)
            (void)opened.text(opened.lineStart(k), opened.lineLength(k));
    });
    std::printf("a screen at any line of the opened document: median %.1f us, worst %.1f us\n", scroll.first,
                scroll.second);
    return 0;
}
