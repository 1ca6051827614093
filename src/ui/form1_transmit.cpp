// Transmit path of the main window: Send.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/receivedbox.h"
#include "core/textfile.h"
#include "ui/dialog2.h"
#include "ui/form2.h"
#include "core/codec.h"
#include "core/clock.h"
#include "core/error.h"
#include "core/numbers.h"
#include "platform/platform.h"
#include "core/mscomm.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace kestrum {

QString Form1::sendText() const
{
    // The raw text keeps no-break spaces (a character of the code page);
    // every line break the user typed is sent as CR LF.
    const QString raw = Text1->document()->toRawText();
    QString t;
    t.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n'))
            t += QLatin1String("\r\n");
        else
            t += c;
    }
    return t;
}

void Form1::Command1_Click()
{
    // The counter box keeps its number until the next message shows 1.
    messageCount = 0;

    const QString text = sendText();
    Form2 *options = windows().form2();

    if (options->Check9->isChecked()) {
        double maximum = 0;
        try {
            maximum = toNumber(options->Text1->text());
        } catch (const Error &e) {
            showMessage(e.description());
            showWarning();
            return;
        }
        // Not rounded: with 10.5 eleven characters are refused.
        if (!(maximum >= double(text.size()))) {
            showWarning();
            return;
        }
    }

    // Each of these ends the send at its first failure: a line claiming a
    // send that did not happen would make the log lie.
    try {
        // A character the line cannot carry is refused before anything
        // happens to the port.
        toAnsi(text);
        if (!MSComm1->PortOpen())
            MSComm1->setPortOpen(true);
        MSComm1->setOutput(text);
    } catch (const Error &e) {
        showMessage(e.description());
        return;
    }

    if (!options->Check1->isChecked())
        return;

    QString line;
    const bool date = options->Check2->isChecked();
    const bool time = options->Check3->isChecked();
    if (date || time) {
        const QDateTime now = clock().now();
        if (date)
            line += dateText(now) + QLatin1String("   ");
        if (time)
            line += timeText(now) + QLatin1String("   ");
    }
    line += QLatin1String("<<SenD>>   ");
    line += text;
    if (options->Check4->isChecked())
        line += QLatin1String("  Size, byte ") + QString::number(text.size());
    Text2->prepend(line + QLatin1String("\r\n"));

    if (!options->Check8->isChecked())
        return;
    try {
        appendRecord(options->CommonDialog1.FileName, line);
    } catch (const Error &e) {
        showMessage(e.description());
    }
}

} // namespace kestrum
