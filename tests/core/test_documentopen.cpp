// Open's reading pipeline without a window: a reading thread hands the
// document's thread pieces of the file, last line first, while messages go
// on arriving on top.
#include "core/base/codec.h"
#include "core/document/documentopen.h"
#include "core/base/error.h"
#include "core/document/textfile.h"
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <thread>

using namespace kestrum;

namespace {

// Runs the open as the window does: the file read on a thread of its own,
// the pieces taken in here, a message put on top after every piece taken
// in. Returns the text of those messages; `stopAfter` pieces taken in, the
// open is cancelled.
QString runOpen(ReceivedStore &document, DocumentOpening &opening, Progress &progress, QString *failure,
                int stopAfter = -1)
{
    std::atomic<bool> finished{false};
    std::thread reader([&] {
        try {
            opening.read(progress);
        } catch (const Error &e) {
            *failure = e.description();
        }
        finished = true;
    });
    const qsizetype below = document.size();
    bool misplaced = false;
    QString news;
    int taken = 0;
    for (bool last = false; !last;) {
        last = finished;
        if (const DocumentOpening::Change put = opening.takeIn()) {
            // Each piece goes in below the messages and the pieces before
            // it, right above the text the document held, and the view is
            // told so.
            if (put.at != news.size() + opening.added() - put.count || put.at + put.count + below != document.size())
                misplaced = true;
            document.prependBytes(QByteArray("new\r\n"));
            news += QStringLiteral("new\r\n");
            if (++taken == stopAfter)
                progress.cancelled = true;
        }
        std::this_thread::yield();
    }
    reader.join();
    if (misplaced)
        *failure = QStringLiteral("a piece told at the wrong place");
    return news;
}

} // namespace

class TestDocumentOpen : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString file(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

private slots:
    void goesInLastLineFirstBelowTheMessagesAboveTheText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("line ends") << QByteArray("a\r\nb\r\nc\r\n") << QByteArray("c\r\nb\r\na\r\n");
        QTest::newRow("no last line end") << QByteArray("a\r\nb\r\nc") << QByteArray("c\r\nb\r\na\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("lone CR and LF inside") << QByteArray("a\rb\nc\r\nd\r\n") << QByteArray("d\r\na\rb\nc\r\n");
        QByteArrayList lines;
        for (int i = 0; i < 200'000; ++i)
            lines.append("line " + QByteArray::number(i) + " \xC6\r\n");
        const QByteArray many = lines.join();
        std::reverse(lines.begin(), lines.end());
        const QByteArray reversed = lines.join();
        QTest::newRow("many pieces") << many << reversed;
    }

    void goesInLastLineFirstBelowTheMessagesAboveTheText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        ReceivedStore document;
        document.prepend(QStringLiteral("old\r\n"));
        DocumentOpening opening(document, file(bytes));
        Progress progress;
        QString failure;
        const QString news = runOpen(document, opening, progress, &failure);
        QCOMPARE(failure, QString());
        QCOMPARE(document.text(), news + fromAnsi(expected) + QStringLiteral("old\r\n"));
        QCOMPARE(opening.added(), qsizetype(expected.size()));
    }

    void cancelledOrFailedTakesOutAllItPutIn_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::newRow("cancelled after a piece") << false;
        QTest::newRow("no such file") << true;
    }

    void cancelledOrFailedTakesOutAllItPutIn()
    {
        QFETCH(bool, missing);
        ReceivedStore document;
        document.prepend(QStringLiteral("old\r\n"));
        const QString path = missing ? dir.filePath(QStringLiteral("none.txt"))
                                     : file(QByteArray("0123456789abcdef\r\n").repeated(300'000));
        DocumentOpening opening(document, path);
        Progress progress;
        QString failure;
        const QString news = runOpen(document, opening, progress, &failure, 1);
        QCOMPARE(failure.isEmpty(), !missing);
        const qsizetype added = opening.added();
        const DocumentOpening::Change out = opening.takeOut();
        QCOMPARE(bool(out), !missing);
        QCOMPARE(document.text(), news + QStringLiteral("old\r\n"));
        // The view is told where the text was: below the messages.
        QCOMPARE(out.at, missing ? 0 : news.size());
        QCOMPARE(out.count, added);
        // Nothing is taken out twice.
        QVERIFY(!opening.takeOut());
        QCOMPARE(document.text(), news + QStringLiteral("old\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDocumentOpen)
#include "test_documentopen.moc"
