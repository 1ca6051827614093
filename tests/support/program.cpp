#include "support/controls.h"
#include "support/program.h"
#include "ui/main/form1.h"
#include "core/session.h"
#include "ui/received/receivedbox.h"
#include <QAction>

namespace kestrum::test {

void showAsReceived(Form1 *f, const QString &line)
{
    receivedBox(f)->prepend(line + QStringLiteral("\r\n"));
    action(f, "mnuSave")->setEnabled(true);
    f->session().state().dataReceived = 1;
}

} // namespace kestrum::test
