#include "app/commandline.h"
#include "app/recorder.h"
#include "ui/main/form1.h"
#include "core/portmap.h"
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>

// The installed icon, drawn at the sizes window managers and task bars ask
// for, without depending on an icon-engine plugin being found.
static QIcon programIcon()
{
    QSvgRenderer svg(QStringLiteral(":/kestrum.svg"));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

int main(int argc, char *argv[])
{
    // Read before QApplication exists: --help, --version and a mistake need
    // no display, and a mistake starts nothing and writes nothing.
    const kestrum::CommandLine cmd = kestrum::parseCommandLine(kestrum::argumentList(argc, argv));
    if (cmd.action != kestrum::CommandLine::Run && cmd.action != kestrum::CommandLine::Record)
        return kestrum::reportCommandLine(cmd);
    kestrum::setPortOverrides(cmd.ports);
    if (!cmd.byIdFolder.isEmpty())
        kestrum::setByIdFolder(cmd.byIdFolder);
    // No window system at all: runs over SSH and as a service.
    if (cmd.action == kestrum::CommandLine::Record)
        return kestrum::runRecorder(cmd, argc, argv);

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrum"));
    QApplication::setWindowIcon(programIcon());
    kestrum::startProgram();
    return app.exec();
}
