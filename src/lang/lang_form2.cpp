// Interface language of the Options window: the last step of its load.
#include "lang/captions.h"
#include "options/form2.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace kestrum {

void Form2::LngInitForm2()
{
    if (!englishInterface()) {
        // The built-in Russian caption is the longer one of the received
        // strings' box; the sent strings' box says it shorter.
        setCaption(Check4, QStringLiteral("Отображать размер*"));
        return;
    }

    setWindowTitle(QStringLiteral("Options"));
    // Tab by tab: renaming a tab leaves the remembered tab selected.
    const QString tabs[] = {QStringLiteral("Strings"), QStringLiteral("Auto"), QStringLiteral("Checking"),
                            QStringLiteral("Other")};
    for (int i = 0; i < 4 && i < SSTab1->count(); ++i)
        SSTab1->setTabText(i, tabs[i]);

    // Label6, the warning about the timeout, has only its Russian text.
    // Label1, the autosave line, is built by the window's load.
    setCaptions({
        {Frame1, QStringLiteral("Sending strings")},
        {Check1, QStringLiteral("View strings sendind")},
        {Check2, QStringLiteral("View Date")},
        {Check3, QStringLiteral("View Time")},
        {Check4, QStringLiteral("View Size*")},
        {Frame2, QStringLiteral("Recieved strings")},
        {Check5, QStringLiteral("View Date")},
        {Check6, QStringLiteral("View Time")},
        {Check7, QStringLiteral("View Size*")},
        {Label7, QStringLiteral("*For ANSI")},
        {Frame3, QStringLiteral("Parametres")},
        {Check8, QStringLiteral("Autosave")},
        {Command4, QStringLiteral("View")},
        {Frame4, QStringLiteral("Long size")},
        {Check9, QStringLiteral("Check long sending strings ON")},
        {Label2, QStringLiteral("Max long sending strings")},
        {Label5, QStringLiteral("Timeout for recieved strings, ms")},
        {Frame5, QStringLiteral("Buffers")},
        {Label3, QStringLiteral("Buffer InSize")},
        {Label4, QStringLiteral("Buffer OutSize")},
        {Frame6, QStringLiteral("Hardware")},
        {Check10, QStringLiteral("Null Discard")},
        {Check11, QStringLiteral("RTSE Enable")},
        {Check12, QStringLiteral("DTRE Enable")},
        {Command5, QStringLiteral("Clear reestre")},
        {Command1, QStringLiteral("OK")},
        {Command2, QStringLiteral("Cancel")},
        {Command3, QStringLiteral("Go")},
    });
}

} // namespace kestrum
