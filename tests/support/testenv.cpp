#include "support/testenv.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include <QPointer>
#include "core/controlline.h"
#include "core/settings.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace kestrum::test {

namespace {
QTemporaryDir *g_home = nullptr;
}

void prepareTestEnvironment()
{
    g_home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kestrum-test-XXXXXX"));
    const QByteArray home = QFile::encodeName(g_home->path());
    QDir(g_home->path()).mkpath(QStringLiteral(".config"));
    QDir(g_home->path()).mkpath(QStringLiteral("Documents"));
    QDir(g_home->path()).mkpath(QStringLiteral("scratch"));
    ::setenv("HOME", home.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").constData(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Decimal point and date forms of a known locale unless a test sets one.
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::setenv("LANG", "C.UTF-8", 1);
}

namespace {

QList<QPointer<Form1>> runningPrograms()
{
    QList<QPointer<Form1>> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<Form1 *>(w))
            found << f;
    return found;
}

} // namespace

void closeProgram()
{
    for (const QPointer<Form1> &f : runningPrograms())
        delete f.data();
}

Form1 *startTestProgram()
{
    closeProgram();
    return startProgram();
}

Windows &windows()
{
    const QList<QPointer<Form1>> found = runningPrograms();
    if (found.size() != 1)
        qFatal("A test reached the windows with %d programs running.", int(found.size()));
    return found.first()->windows();
}

void resetProgramState()
{
    closeProgram();
    setControlLineMaker(nullptr);
    QFile::remove(settingsFilePath());
    deleteAllSettings();
    resetStoreWarnings();
}

QString scratchDir()
{
    return g_home ? g_home->path() + QStringLiteral("/scratch") : QDir::tempPath();
}

} // namespace kestrum::test
