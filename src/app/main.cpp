#include "app/windows.h"
#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kestrum::startProgram();
    return app.exec();
}
