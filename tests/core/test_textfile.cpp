// Saving a document over an old one: whatever fails, the old file survives.
#include "core/base/error.h"
#include "core/document/textfile.h"
#include "support/files.h"
#include "support/testenv.h"
#include "support/unprivileged.h"
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>

using namespace kestrum;
using namespace kestrum::test;

class TextFileTest : public QObject {
    Q_OBJECT
private slots:
    // The disk fills up (here: the process may write no file beyond 64 KB)
    // while a 57 KB document is saved as 80 KB of new text.
    void failedSaveLeavesTheOldFile_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("tempWritable");  // where the old content can be kept aside
        QTest::addColumn<int>("newSize");
        QTest::addColumn<QString>("outcome");  // empty: the save succeeds
        QTest::newRow("beside the file") << true << true << 80000 << "the file was left as it was.";
        QTest::newRow("read-only folder") << false << true << 80000 << "its old content was put back.";
        QTest::newRow("read-only folder, no temporary file anywhere")
            << false << false << 80000 << "its old content was put back.";
        QTest::newRow("read-only folder, a shorter text fits") << false << true << 10000 << QString();
    }

    void failedSaveLeavesTheOldFile()
    {
        QFETCH(bool, folderWritable);
        QFETCH(bool, tempWritable);
        QFETCH(int, newSize);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/docs");
        const QString doc = folder + QStringLiteral("/A.txt");
        const QByteArray old = QByteArray(57000 - 2, 'o') + "\r\n";
        QVERIFY(QDir().mkdir(folder) && writeBytes(doc, old));
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner
            | QFile::ExeGroup | QFile::ExeOther;
        const auto writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(dir.path(), readable | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(doc, writable | QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(folder, folderWritable ? readable | writable : readable));
        const QByteArray tmpdir = qgetenv("TMPDIR");
        if (!tempWritable)
            qputenv("TMPDIR", QFile::encodeName(folder));
        struct rlimit limit;
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t soft = limit.rlim_cur;
        const auto restore = qScopeGuard([&] {
            limit.rlim_cur = soft;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            tempWritable ? void() : (tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir), void());
            QFile::setPermissions(folder, readable | writable);
        });
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 64 * 1024;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);

        QString message;
        {
            AsUnprivilegedUser user;
            try {
                writeDocument(doc, QString(newSize - 2, QLatin1Char('n')));
            } catch (const Error &e) {
                message = e.description();
            }
        }
        if (outcome.isEmpty()) {
            QCOMPARE(message, QString());
            QCOMPARE(readBytes(doc), QByteArray(newSize - 2, 'n') + "\r\n");
        } else {
            QVERIFY2(message.startsWith(QStringLiteral("Cannot save \"")) && message.contains(qt_error_string(EFBIG))
                         && message.endsWith(outcome),
                     qPrintable(message));
            QCOMPARE(readBytes(doc).size(), old.size());
            QVERIFY(readBytes(doc) == old);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"A.txt"});
    }
};

KESTRUM_TEST_MAIN(TextFileTest)
#include "test_textfile.moc"
