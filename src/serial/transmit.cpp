// Transmit path of the main window.
#include "app/form1.h"
#include <QPlainTextEdit>

namespace kestrum {

QString Form1::sendText() const
{
    QString t = Text1->toPlainText();
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t;
}

void Form1::Command1_Click() {}

} // namespace kestrum
