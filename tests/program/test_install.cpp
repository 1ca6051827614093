// What `cmake --install` puts into a prefix: the program, and the files that
// make it a desktop program (entry, icon, metainfo, manual page).
#include "support/testenv.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSvgRenderer>

using namespace kestrum::test;

class InstallTest : public QObject {
    Q_OBJECT
    QString prefix;

    static QByteArray contentOf(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        prefix = scratchDir() + "/prefix";
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(KESTRUM_CMAKE, {"--install", KESTRUM_BUILD_DIR, "--prefix", prefix});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    void theTreeHoldsExactlyTheProgramsFiles()
    {
        QStringList files;
        QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(prefix).relativeFilePath(it.next());
        files.sort();
        QCOMPARE(files, (QStringList{"bin/kestrum", "share/applications/kestrum.desktop",
                                     "share/doc/kestrum/copyright",
                                     "share/icons/hicolor/scalable/apps/kestrum.svg", "share/man/man1/kestrum.1",
                                     "share/metainfo/org.kestrum.Kestrum.metainfo.xml"}));
    }

    void eachFileSaysWhatItMust_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("desktop entry")
            << "share/applications/kestrum.desktop"
            << QStringList{"[Desktop Entry]", "Name=Kestrum", "Exec=kestrum", "Icon=kestrum", "Terminal=false",
                           "Categories=Development;Electronics;", "Type=Application"};
        QTest::newRow("metainfo") << "share/metainfo/org.kestrum.Kestrum.metainfo.xml"
                                  << QStringList{"<id>org.kestrum.Kestrum</id>",
                                                 "<launchable type=\"desktop-id\">kestrum.desktop</launchable>",
                                                 "<binary>kestrum</binary>",
                                                 "<release version=\"" KESTRUM_VERSION "\" date="};
        QTest::newRow("manual page")
            << "share/man/man1/kestrum.1"
            << QStringList{".TH KESTRUM 1 ", "Kestrum " KESTRUM_VERSION, ".SH OPTIONS", ".BI \\-\\-port \" COMn\" = DEVICE",
                           ".BR \\-h \", \" \\-\\-help", ".BR \\-v \", \" \\-\\-version", "[Ports]", "COM1=/dev/ttyUSB0",
                           ".BR dialout ,", ".I $XDG_CONFIG_HOME/Kestrum/Kestrum.ini", ".SH EXIT STATUS",
                           ".BI \\-\\-record \" FILE\"", ".SH RECORDING WITHOUT A WINDOW"};
    }
    void eachFileSaysWhatItMust()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, lines);
        const QByteArray text = contentOf(prefix + "/" + path);
        for (const QString &line : lines)
            QVERIFY2(text.contains(line.toUtf8()), qPrintable(path + ": no " + line));
    }

    void theIconIsAScalableSquareDrawing()
    {
        QSvgRenderer svg(prefix + "/share/icons/hicolor/scalable/apps/kestrum.svg");
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBoxF().width(), svg.viewBoxF().height());
    }

    void theInstalledProgramRuns()
    {
        QProcess p;
        p.start(prefix + "/bin/kestrum", {"--version"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray("kestrum " KESTRUM_VERSION "\n"));
    }
};

KESTRUM_TEST_MAIN(InstallTest)
#include "test_install.moc"
