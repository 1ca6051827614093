// Runs one piece of the program in a process of its own, so that a test
// running as root can run it as an unprivileged user (through setpriv) and
// meet what such a user meets. Prints what the program said, one line each.
//
//   kestrum_probe open    opens COM1 and prints why it could not
//   kestrum_probe start   starts the program, changes settings, prints the
//                         baud rate it started with and every message shown
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "ui/main/windows.h"
#include "ui/dialogs/optionswindow.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "support/controls.h"
#include "support/fakes.h"
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>

using namespace kestrum;
using namespace kestrum::test;

namespace {

void say(const char *what, const QString &text)
{
    std::printf("%s: %s\n", what, qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

int openPort()
{
    MSComm port;
    try {
        port.setPortOpen(true);
    } catch (const Error &e) {
        say("refused", e.description());
        return 0;
    }
    say("opened", port.Settings());
    return 1;
}

int startAndChange()
{
    const test::Fakes fakes = test::installFakes();
    Form1 *f = startProgram();
    say("baud", list(f, "Combo2")->currentText());
    f->ports().selectListItem(list(f, "Combo2"), QStringLiteral("9600"));
    f->ports().selectListItem(list(f, "Combo2"), QStringLiteral("57600"));
    button(f, "Command4")->click();
    f->windows().optionsWindow()->Command1->click();
    say("visible", f->isVisible() ? QStringLiteral("yes") : QStringLiteral("no"));
    for (const QString &m : fakes.messageBox->messages)
        say("message", m);
    delete f;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    int rc = 2;
    if (mode == QLatin1String("open"))
        rc = openPort();
    else if (mode == QLatin1String("start"))
        rc = startAndChange();
    std::fflush(stdout);
    return rc;
}
