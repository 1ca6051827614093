// Send of the main window.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/warningdialog.h"
#include "ui/sendboxhistory.h"
#include "core/messageline.h"
#include "core/session.h"
#include <QPlainTextEdit>
#include <QTextDocument>

namespace kestrum {

QString Form1::sendText() const
{
    // The raw text keeps no-break spaces (a character of the code page).
    return withCrLf(Text1->document()->toRawText());
}

void Form1::Command1_Click()
{
    const QString text = sendText();
    switch (session->send(text, sendMode())) {
    case SendResult::Sent:
        Text1History->sent(text);
        break;
    case SendResult::TooLong:
        windows().showWarning();
        break;
    case SendResult::Failed:
        // Said already; the text stays in the box to be sent again.
        break;
    }
}

} // namespace kestrum
