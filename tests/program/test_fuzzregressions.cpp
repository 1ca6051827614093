// Replays the fuzzers' seed inputs and every input a fuzzer once found a
// fault with through the same checks the fuzzers run.
#include "fuzz/entries.h"
#include "ui/main/windows.h"
#include "support/testenv.h"
#include <QDir>
#include <QFile>

using namespace kestrum;

namespace {

using Entry = int (*)(const uint8_t *, size_t);

// Every file of fuzz/corpus/<name>/ and tests/fuzz-regressions/<name>/.
void addInputs(const char *name)
{
    QTest::addColumn<QString>("file");
    const QString source = QStringLiteral(KESTRUM_SOURCE_DIR);
    int seeds = 0;
    for (const QString &dir : {source + QStringLiteral("/fuzz/corpus/"), source + QStringLiteral("/tests/fuzz-regressions/")}) {
        const QDir d(dir + QLatin1String(name));
        for (const QString &f : d.entryList(QDir::Files, QDir::Name)) {
            const QString path = d.filePath(f);
            QTest::newRow(qPrintable(QDir(source).relativeFilePath(path))) << path;
            if (dir.endsWith(QLatin1String("/corpus/")))
                ++seeds;
        }
    }
    // A missing seed folder would make the replay pass on nothing.
    QVERIFY2(seeds > 0, name);
}

void replay(Entry entry)
{
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray input = f.readAll();
    // A broken check aborts the process with its message; the row name
    // printed before tells which input it was.
    QCOMPARE(entry(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size())), 0);
}

} // namespace

class FuzzRegressionsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { test::resetProgramState(); }
    void cleanup() { kestrum::test::closeProgram(); }

    void lineParameters_data() { addInputs("line_parameters"); }
    void lineParameters() { replay(&fuzz::fuzzLineParameters); }

    void numbers_data() { addInputs("numbers"); }
    void numbers() { replay(&fuzz::fuzzNumbers); }

    void settings_data() { addInputs("settings"); }
    void settings() { replay(&fuzz::fuzzSettings); }

    void startup_data() { addInputs("startup"); }
    void startup() { replay(&fuzz::fuzzStartup); }

    void documents_data() { addInputs("documents"); }
    void documents() { replay(&fuzz::fuzzDocuments); }

    void store_data() { addInputs("store"); }
    void store() { replay(&fuzz::fuzzStore); }

    void search_data() { addInputs("search"); }
    void search() { replay(&fuzz::fuzzSearch); }

    void sendHex_data() { addInputs("send_hex"); }
    void sendHex() { replay(&fuzz::fuzzSendHex); }

    void sendEscapes_data() { addInputs("send_escapes"); }
    void sendEscapes() { replay(&fuzz::fuzzSendEscapes); }
};

KESTRUM_TEST_MAIN(FuzzRegressionsTest)
#include "test_fuzzregressions.moc"
