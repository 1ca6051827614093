// The settings store on its real INI file.
#include "core/settings/settingkeys.h"
#include "core/settings/settings.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/testenv.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {
QByteArray fileText()
{
    QFile f(settingsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class StoreTest : public QObject {
    Q_OBJECT
    Fakes fakes{};

private slots:
    void init()
    {
        resetProgramState();
        fakes = installFakes();
    }

    void fileLivesUnderTheUsersConfigurationFolder()
    {
        const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrum/Kestrum.ini");
        QCOMPARE(settingsFilePath(), expected);
        writeSetting("Setings", "BaudRate", "19200");
        QVERIFY(QFile::exists(expected));
        QVERIFY(fileText().contains("[Setings]"));
        QVERIFY(fileText().contains("BaudRate=19200"));
    }

    void absentEntriesGiveTheReadersDefault()
    {
        QCOMPARE(readSetting("Parametr", "Timeout", "100"), QStringLiteral("100"));
        writeSetting("Parametr", "Timeout", "250");
        QCOMPARE(readSetting("Parametr", "Timeout", "100"), QStringLiteral("250"));
        QCOMPARE(readSetting("Parametr", "Missing", "x"), QStringLiteral("x"));
        QCOMPARE(readSetting("Nowhere", "Timeout", "y"), QStringLiteral("y"));
    }

    void namesMatchWithoutRegardToCase()
    {
        writeSetting("Parametr", "OutBufferSize", "600");
        QCOMPARE(readSetting("Parametr", "outBufferSize", "512"), QStringLiteral("600"));
        QCOMPARE(readSetting("PARAMETR", "OUTBUFFERSIZE", "512"), QStringLiteral("600"));

        writeSetting("Parametr", "AutoSave", "0");
        writeSetting("Parametr", "Autosave", "1");
        QCOMPARE(readSetting("Parametr", "AutoSave", "0"), QStringLiteral("1"));
        // One entry, under its first spelling.
        const QByteArray text = fileText();
        QCOMPARE(text.count("utosave="), 0);
        QCOMPARE(text.count("AutoSave="), 1);
        QVERIFY(text.contains("AutoSave=1"));

        // A file written by hand with other spellings is found too.
        QVERIFY(writeStoreFile("[lng]\nLNG=0\n[setings]\nbaudrate=300\n"));
        QCOMPARE(readSetting("Lng", "Lng", "1"), QStringLiteral("0"));
        QCOMPARE(readSetting("Setings", "BaudRate", "9600"), QStringLiteral("300"));
        writeSetting("Setings", "BaudRate", "1200");
        QCOMPARE(fileText().count("aud"), 1);
        QCOMPARE(readSetting("setings", "baudRATE", "9600"), QStringLiteral("1200"));
    }

    // The store matches names without regard to case, so two rows of the
    // table naming one entry would share it with two defaults: every row
    // keeps a value of its own, and a missing one reads as its default.
    void settingTableGivesEveryEntryItsOwnName()
    {
        const int count = int(Setting::Count);
        for (int i = 0; i < count; ++i) {
            const SettingName &n = settingName(Setting(i));
            QCOMPARE(readSetting(Setting(i)), n.defaultPath ? n.defaultPath() : QString::fromLatin1(n.defaultValue));
            writeSetting(Setting(i), QStringLiteral("value %1").arg(i));
        }
        for (int i = 0; i < count; ++i)
            QCOMPARE(readSetting(Setting(i)), QStringLiteral("value %1").arg(i));
    }

    void everyReadAsksTheFile()
    {
        writeSetting("OtherSet", "CommPort", "COM2");
        QCOMPARE(readSetting("OtherSet", "CommPort", "COM1"), QStringLiteral("COM2"));
        // Another program (or a second copy) changes the file.
        QVERIFY(writeStoreFile("[OtherSet]\nCommPort=COM3\nNote=edited by hand\n"));
        QCOMPARE(readSetting("OtherSet", "CommPort", "COM1"), QStringLiteral("COM3"));
    }

    void valuesKeepCommasAndBlanks_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("commas and blanks") << "LabelSave" << "/tmp/a, b/c d.txt";
        QTest::newRow("decimal comma") << "SizeDlin" << "2,5";
        QTest::newRow("Cyrillic") << "FileName" << "/tmp/Сохранение.txt";
    }

    void valuesKeepCommasAndBlanks()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        writeSetting("Parametr", key, value);
        QCOMPARE(readSetting("Parametr", key, ""), value);
    }

    void deleteAllRemovesTheProgramsSectionsOnly_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("language, another spelling") << "lng" << "Lng";
        QTest::newRow("port") << "OtherSet" << "CommPort";
        QTest::newRow("line") << "Setings" << "Parity";
        QTest::newRow("options") << "Parametr" << "Timeout";
        QTest::newRow("find") << "Find" << "Text";
        QTest::newRow("send mode") << "Transmit" << "SendMode";
        QTest::newRow("hex view") << "View" << "Hex";
        QTest::newRow("board") << "Board" << "LineEnding";
        QTest::newRow("log choices") << "Log" << "PortEvents";
    }

    // The port map is the user's: it survives.
    void deleteAllRemovesTheProgramsSectionsOnly()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        writeSetting("Ports", "COM1", "/dev/ttyUSB7");
        writeSetting(section, key, "stored");
        deleteAllSettings();
        QCOMPARE(readSetting(section, key, "absent"), QStringLiteral("absent"));
        QCOMPARE(readSetting("Ports", "COM1", ""), QStringLiteral("/dev/ttyUSB7"));
    }

    void garbageFileGivesDefaults()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 37 + 11) & 0xff));
        QVERIFY(writeStoreFile(junk));
        QCOMPARE(readSetting("Parametr", "Timeout", "100"), QStringLiteral("100"));
        QVERIFY(writeStoreFile("[Parametr]\nTimeout=" + QByteArray(10000, '7') + "\n[Parametr]\nTimeout=5\n"));
        const QString v = readSetting("Parametr", "Timeout", "100");
        QVERIFY(v == QStringLiteral("5") || v.size() == 10000);
        QVERIFY(fakes.messageBox->messages.isEmpty());
    }

    void malformedLineLeavesTheOtherEntriesReadable()
    {
        // The section header that never closes is a format error for the
        // parser; the entries around it are still the user's.
        QVERIFY(writeStoreFile("[Parametr]\nTimeout=250\n[Othe\nr]x\n[Setings]\nBaudRate=19200\n"));
        for (int read = 0; read < 3; ++read) {
            QCOMPARE(readSetting("Parametr", "Timeout", "100"), QStringLiteral("250"));
            QCOMPARE(readSetting("PARAMETR", "timeout", "100"), QStringLiteral("250"));
            QCOMPARE(readSetting("Setings", "BaudRate", "9600"), QStringLiteral("19200"));
        }
        writeSetting("Parametr", "Timeout", "300");
        QCOMPARE(readSetting("Parametr", "Timeout", "100"), QStringLiteral("300"));
        QCOMPARE(readSetting("Setings", "BaudRate", "9600"), QStringLiteral("19200"));
        QVERIFY(fakes.messageBox->messages.isEmpty());
    }

    void defaultFilesLiveInTheDocumentsFolder()
    {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(!docs.isEmpty());
        QCOMPARE(defaultDocumentFile(), QDir::cleanPath(docs) + QStringLiteral("/SaveBlock.txt"));
        QCOMPARE(defaultAutosaveFile(), QDir::cleanPath(docs) + QStringLiteral("/SaveBlock1.txt"));
    }

    void unwritableStoreIsReportedOnce()
    {
        if (::geteuid() == 0)
            QSKIP("root writes through file permissions");
        writeSetting("Parametr", "Timeout", "100");
        const QString dir = QFileInfo(settingsFilePath()).path();
        QFile::setPermissions(settingsFilePath(), QFile::ReadOwner);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        writeSetting("Parametr", "Timeout", "200");
        writeSetting("Parametr", "Timeout", "300");
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(settingsFilePath(), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("cannot be saved")));
    }
};

KESTRUM_TEST_MAIN(StoreTest)
#include "test_store.moc"
