// The received document's store against a plain string doing the same.
#include "core/document/receivedstore.h"
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/document/textfile.h"
#include <QFile>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace kestrum;

namespace {

// Lines of a text the plain way, with where each starts: split at CR LF,
// lone CR, lone LF.
QStringList linesOf(const QString &t, QList<qsizetype> &starts)
{
    QStringList lines{QString()};
    starts = {0};
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char('\r') || t[i] == QLatin1Char('\n')) {
            if (t[i] == QLatin1Char('\r') && i + 1 < t.size() && t[i + 1] == QLatin1Char('\n'))
                ++i;
            lines.append(QString());
            starts.append(i + 1);
        } else {
            lines.last() += t[i];
        }
    }
    return lines;
}

// Short pieces rich in what is easy to get wrong: line breaks split between
// pieces, NUL, U+0098, Cyrillic, and a character the code page lacks.
QString piece(QRandomGenerator &r)
{
    static const QString alphabet = QStringLiteral("ab\r\n\r\nЖ") + QChar(0) + QChar(0x98) + QChar(0xFF);
    QString s;
    const int n = int(r.bounded(6));
    for (int i = 0; i < n; ++i)
        s += alphabet[int(r.bounded(int(alphabet.size())))];
    if (r.bounded(10) == 0)
        s += QChar(0x2713);  // no byte in the code page: kept wide
    return s;
}

void check(const ReceivedStore &store, const QString &expected)
{
    QCOMPARE(store.size(), expected.size());
    QCOMPARE(store.text(), expected);
    // The bytes from within a block on, as the live filter reads them.
    const qsizetype from = expected.size() / 3;
    QByteArray bytes(expected.size() - from, Qt::Uninitialized), ansi(bytes.size(), Qt::Uninitialized);
    QCOMPARE(store.readBytes(from, bytes.size() + 1, bytes.data()), bytes.size());
    std::transform(expected.utf16() + from, expected.utf16() + expected.size(), ansi.data(), ansiByteOf);
    QCOMPARE(bytes, ansi);
    QList<qsizetype> starts;
    const QStringList lines = linesOf(expected, starts);
    QCOMPARE(store.lineCount(), lines.size());
    qsizetype longest = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QCOMPARE(store.lineStart(i), starts[i]);
        QCOMPARE(store.lineLength(i), lines[i].size());
        QCOMPARE(store.lineOf(starts[i] + lines[i].size()), i);
        longest = std::max(longest, lines[i].size());
    }
    QCOMPARE(store.longestLineLength(), longest);
    QCOMPARE(store.lineLength(store.longestLine()), longest);
}

} // namespace

class TestReceivedStore : public QObject {
    Q_OBJECT
private slots:
    void prependsAndEditsKeepTextAndLines_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("edits");  // one edit in every so many steps
        QTest::addColumn<int>("block");  // characters a block; tiny ones go to the file and out of the cache
        for (quint32 seed = 1; seed <= 9; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed)))
                << seed << int(seed % 3 + 2) << (seed <= 3 ? 64 * 1024 : int(seed * 3));
    }

    void prependsAndEditsKeepTextAndLines()
    {
        QFETCH(quint32, seed);
        QFETCH(int, edits);
        QFETCH(int, block);
        QRandomGenerator r(seed);
        ReceivedStore store({block, 4 * block, QString()});
        QString expected;
        std::shared_ptr<const StoreSnapshot> before;
        QString beforeText;
        for (int step = 0; step < 300; ++step) {
            if (step % edits == 0) {
                const qsizetype pos = r.bounded(int(expected.size()) + 1);
                const qsizetype count = r.bounded(int(expected.size() - pos) + 1) % 7;
                const QString text = piece(r);
                store.replace(pos, count, text);
                expected.replace(pos, count, text);
            } else {
                const QString text = piece(r);
                if (fitsAnsi(text) && r.bounded(2))
                    store.prependBytes(toAnsi(text));
                else
                    store.prepend(text);
                expected.prepend(text);
            }
            // Lines are asked for after some steps only, so that what is
            // kept for them has to follow several changes at once.
            if (step % 3 == 0)
                check(store, expected);
            // A snapshot keeps its moment through later messages and edits.
            if (step % 50 == 0) {
                if (before)
                    QCOMPARE(before->text(0, before->size()), beforeText);
                before = store.snapshot();
                beforeText = expected;
            }
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("step %1").arg(step)));
        }
        QCOMPARE(store.text(3, 5), expected.mid(3, 5));
    }

    void longMessagesGivenAsBytesTakeEdits()
    {
        // Long enough to be kept as the array given; lines of every kind of
        // break, an edit across the boundary of two such messages.
        QString line = QStringLiteral("Жab") + QChar(0) + QChar(0x98);
        QString expected;
        ReceivedStore store;
        for (const QString brk : {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")}) {
            const QString message = (line + brk).repeated(70'000 / (line.size() + brk.size()));
            QByteArray bytes = toAnsi(message);
            bytes.squeeze();
            store.prependBytes(bytes);
            bytes[0] = 'X';  // the caller's own copy changes; the store's does not
            expected.prepend(message);
        }
        check(store, expected);
        const qsizetype across = expected.size() / 3 - 3;
        store.replace(across, 7, QStringLiteral("✓\r\n"));
        expected.replace(across, 7, QStringLiteral("✓\r\n"));
        store.prepend(QStringLiteral("top\r"));
        expected.prepend(QStringLiteral("top\r"));
        check(store, expected);
    }

    void everyByteValueSurvivesNarrow()
    {
        // Every byte value as the files decode it, one message each.
        QByteArray bytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            bytes[b] = char(b);
        const QString all = fromAnsi(bytes).repeated(400);
        ReceivedStore store;
        // Every other message as its bytes, as the receive path hands them over.
        for (qsizetype i = all.size(), k = 0; i > 0; i -= 97, ++k) {
            const QString message = all.mid(std::max<qsizetype>(0, i - 97), std::min<qsizetype>(97, i));
            if (k % 2)
                store.prependBytes(toAnsi(message));
            else
                store.prepend(message);
        }
        QCOMPARE(store.text(), all);
        // One byte per character: nothing of it went wide.
        QVERIFY2(store.memoryUsed() < all.size() * 3 / 2, qPrintable(QString::number(store.memoryUsed())));
        store.replace(0, all.size(), QString());
        QVERIFY(store.isEmpty());
        QCOMPARE(store.lineCount(), 1);
    }

    void snapshotReadsWhileTheStoreGoesOn()
    {
        ReceivedStore store({256, 1024, QString()});
        QString expected;
        for (int i = 0; i < 400; ++i) {
            const QString m = QStringLiteral("msg %1 Ж\r\n").arg(i);
            store.prepend(m);
            expected.prepend(m);
        }
        store.replace(1000, 3, QStringLiteral("✓"));  // typed, no byte in the code page
        expected.replace(1000, 3, QStringLiteral("✓"));
        const auto snap = store.snapshot();
        QCOMPARE(snap->firstUnmappable(), 1000);
        QByteArray wanted = toAnsi(QString(expected).replace(QStringLiteral("✓"), QStringLiteral("?")));
        QByteArray read(snap->size(), '\0');
        std::thread reader([&] {
            for (qsizetype pos = 0; pos < snap->size(); pos += 333)
                snap->readBytes(pos, 333, read.data() + pos);
        });
        for (int i = 0; i < 400; ++i) {
            store.prepend(QStringLiteral("later %1\r\n").arg(i));
            if (i % 50 == 0)
                store.replace(store.size() - 10, 5, QStringLiteral("edit"));
        }
        reader.join();
        QCOMPARE(read, wanted);
        QCOMPARE(snap->text(990, 20), expected.mid(990, 20));
        QVERIFY(!snap->readFailed());
    }

    void storeFileHasNoNameAndGoesWithTheStore()
    {
        QTemporaryDir dir;
        {
            ReceivedStore store({64, 256, dir.path()});
            store.prependBytes(QByteArray("0123456789\r\n").repeated(1000));
            QVERIFY(store.onDisk());
            QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
            QCOMPARE(store.lineCount(), 1001);
            QCOMPARE(store.text(12 * 500, 12), QStringLiteral("0123456789\r\n"));
        }
        // No descriptor of this process is left on a file of that folder.
        for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
            QVERIFY2(!fd.symLinkTarget().startsWith(dir.path()), qPrintable(fd.symLinkTarget()));
    }

    void fullDiskKeepsEverythingInMemory_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("fileLimit");  // bytes any file of this process may hold, 0 none
        QTest::addColumn<int>("lines");      // a message; longer than a block: its blocks are written at once
        QTest::newRow("folder cannot be made") << QStringLiteral("/dev/null/cache") << 0 << 1;
        QTest::newRow("disk full half-way") << QString() << 3000 << 1;
        QTest::newRow("disk full within a long message") << QString() << 2000 << 300;
    }

    void fullDiskKeepsEverythingInMemory()
    {
        QFETCH(QString, folder);
        QFETCH(int, fileLimit);
        QFETCH(int, lines);
        QTemporaryDir dir;
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        ReceivedStore store({1024, 2048, folder.isEmpty() ? dir.path() : folder});
        QStringList notices;
        store.setNotice([&](const QString &n) { notices << n; });
        if (fileLimit) {
            rlimit small = old;
            small.rlim_cur = rlim_t(fileLimit);
            setrlimit(RLIMIT_FSIZE, &small);
        }
        QString expected;
        for (int i = 0; i < 500; ++i) {
            const QString m = QStringLiteral("line %1\r\n").arg(i).repeated(lines);
            store.prepend(m);
            expected.prepend(m);
        }
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(notices.size(), 1);
        QVERIFY(!store.onDisk());
        check(store, expected);
        store.replace(10, 4000, QStringLiteral("x"));
        expected.replace(10, 4000, QStringLiteral("x"));
        check(store, expected);
        QCOMPARE(notices.size(), 1);
    }

    // A disk full for a while: the store goes back to a file, at Clear or
    // after so much more text, with what memory held meanwhile.
    void fullDiskIsLeftOnceTheFileWorksAgain_data()
    {
        QTest::addColumn<bool>("clear");
        QTest::newRow("as text goes on") << false;
        QTest::newRow("after Clear") << true;
    }

    void fullDiskIsLeftOnceTheFileWorksAgain()
    {
        QFETCH(bool, clear);
        QTemporaryDir dir;
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        ReceivedStore store({1024, 2048, dir.path(), 48 * 1024});
        QStringList notices;
        store.setNotice([&](const QString &n) { notices << n; });
        QString expected;
        const auto receive = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                const QString m = QStringLiteral("line %1 ").arg(i) + QString(90, QLatin1Char('x')) + QStringLiteral("\r\n");
                store.prepend(m);
                expected.prepend(m);
            }
        };
        rlimit small = old;
        small.rlim_cur = 3000;
        setrlimit(RLIMIT_FSIZE, &small);
        receive(0, 400);
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(notices.size(), 1);
        QVERIFY(!store.onDisk());
        if (clear) {
            store.clear();
            expected.clear();
        }
        receive(400, 1000);
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices.last(), QStringLiteral("The received text is kept on disk again."));
        QVERIFY(store.onDisk());
        QVERIFY2(store.memoryUsed() < expected.size() / 2, qPrintable(QString::number(store.memoryUsed())));
        check(store, expected);
    }

    // Open reads from the end, in pieces that go in below one another,
    // made by a store of their own: the box must read as the file's lines,
    // last first, above what it held.
    void openPiecesGoInBelowOneAnother_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one break") << QByteArray("\r\n");
        QTest::newRow("no final break") << QByteArray("a\r\n\r\nb");
        QTest::newRow("lone CR and LF are text") << QByteArray("\r\r\n\n\rx\r\n");
        QByteArray big;
        QRandomGenerator r(7);
        while (big.size() < 5'000'000)
            big += QByteArray(int(r.bounded(200)), 'a' + char(r.bounded(26))) + QByteArray("\r\n\r\r\n\n\0").mid(int(r.bounded(6)), 2);
        QTest::newRow("pieces across CR LF") << big;
        QTest::newRow("one line longer than a piece") << QByteArray(300'000, 'L') + "\r\n" + QByteArray(70'000, 'M');
        // Lines in LF alone are one long line to Open: here one across many
        // pieces, between a CR LF near the top and one across the end of
        // the first piece read (the last 64 KB).
        QByteArray lf;
        for (int i = 0; lf.size() < 16'000'000; ++i)
            lf += "2026-12-08 02:50:00.123 line " + QByteArray::number(i) + "\n";
        lf.replace(999, 2, "\r\n");
        lf.replace(lf.size() - 64 * 1024 - 1, 2, "\r\n");
        QTest::newRow("LF-only lines") << lf;
    }

    void openPiecesGoInBelowOneAnother()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        f.close();
        // The model: lines split at CR LF only, an empty last one dropped.
        QList<QByteArray> whole;
        qsizetype from = 0;
        for (qsizetype at; (at = file.indexOf("\r\n", from)) >= 0; from = at + 2)
            whole << file.mid(from, at - from);
        if (from < file.size())
            whole << file.mid(from);
        QByteArray expected;
        for (auto it = whole.crbegin(); it != whole.crend(); ++it)
            expected += *it + "\r\n";
        ReceivedStore store({4096, 8192, QString()});
        store.prependBytes(QByteArray("old\r\n"));
        store.prepend(QStringLiteral("✓ typed\r\n"));
        const qsizetype below = store.size();
        Progress progress;
        ReceivedStore pieces({4096, 8192, QString()});
        qsizetype news = 0;
        readDocumentBackward(path, progress, [&](QByteArray piece) {
            pieces.prependBytes(piece);
            store.insert(store.size() - below, pieces.takeAll());
            store.prependBytes(QByteArray("new\r\n"));  // a message meanwhile goes on top
            news += 5;
        });
        QCOMPARE(progress.done.load(), file.size());
        // Every byte is looked at a bounded number of times, whatever the lines.
        QVERIFY2(progress.examined <= 3 * file.size() + 65536, qPrintable(QString::number(progress.examined)));
        const QString text = store.text();
        QCOMPARE(text.mid(news, expected.size()), fromAnsi(expected));
        QCOMPARE(text.mid(news + expected.size()), QStringLiteral("✓ typed\r\nold\r\n"));
        QCOMPARE(text.left(news), QStringLiteral("new\r\n").repeated(news / 5));
        check(store, text);
    }

    void openOfAFileChangedMeanwhileFails_data()
    {
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("shrinks") << true;
        QTest::newRow("rewritten to the same size") << false;
    }

    void openOfAFileChangedMeanwhileFails()
    {
        QFETCH(bool, shrinks);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray("line\r\n").repeated(100'000)) > 0);
        f.close();
        Progress progress;
        int pieces = 0;
        QVERIFY_THROWS_EXCEPTION(Error, readDocumentBackward(path, progress, [&](const QByteArray &) {
            if (++pieces > 1)
                return;
            if (shrinks) {
                QFile::resize(path, 1000);
            } else {
                QFile w(path);
                QVERIFY(w.open(QIODevice::ReadWrite) && w.write("LINE") == 4);
            }
        }));
        QCOMPARE(pieces, 1);
    }

    void saveFromASnapshot()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        ReceivedStore store({4096, 8192, QString()});
        QByteArray bytes;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray m = "m" + QByteArray::number(i) + QByteArray("\0\x98\xC6\r\n", 5);
            store.prependBytes(m);
            bytes.prepend(m);
        }
        Progress progress;
        QVERIFY(writeDocument(path, *store.snapshot(), progress));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes + "\r\n");
        f.close();
        // Cancelled, or a character the code page lacks: the old file stays.
        Progress cancelled;
        cancelled.cancelled = true;
        store.prepend(QStringLiteral("more\r\n"));
        QVERIFY(!writeDocument(path, *store.snapshot(), cancelled));
        store.replace(store.size() - 7, 0, QStringLiteral("✓"));
        try {
            writeDocument(path, *store.snapshot(), progress);
            QFAIL("saved a character the code page lacks");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("line 3001")), qPrintable(e.description()));
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes + "\r\n");
    }

    // A place from the top and its distance from the end, both ways, at the
    // edges: count is the document's characters, or its lines.
    void placesFromTopAndFromEndMeet_data()
    {
        QTest::addColumn<bool>("lines");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("end");
        QTest::newRow("empty document") << false << 0 << 0 << 0;
        QTest::newRow("one character, before it") << false << 1 << 0 << 1;
        QTest::newRow("one character, after it") << false << 1 << 1 << 0;
        QTest::newRow("empty document's line") << true << 1 << 0 << 0;
        QTest::newRow("first of three lines") << true << 3 << 0 << 2;
        QTest::newRow("last of three lines") << true << 3 << 2 << 0;
    }
    void placesFromTopAndFromEndMeet()
    {
        QFETCH(bool, lines);
        QFETCH(int, count);
        QFETCH(int, top);
        QFETCH(int, end);
        const qsizetype back = lines ? fromTop(fromEnd(LineFromTop(top), count), count).get()
                                     : fromTop(fromEnd(CharFromTop(top), count), count).get();
        QCOMPARE(lines ? fromEnd(LineFromTop(top), count).get() : fromEnd(CharFromTop(top), count).get(), end);
        QCOMPARE(back, top);
    }
};

QTEST_GUILESS_MAIN(TestReceivedStore)
#include "test_receivedstore.moc"
