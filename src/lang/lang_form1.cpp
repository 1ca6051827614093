// Interface language of the main window: the Language menu and About.
#include "app/form1.h"
#include "app/windows.h"
#include "lang/captions.h"
#include "lang/dialog.h"
#include "options/form2.h"
#include "platform/guard.h"
#include "settings/store.h"
#include <QLabel>

namespace kestrum {

void Form1::LngInitForm1()
{
    applyCaptions(this);
    // The Options window is never showing here (this window is disabled
    // while it is). Re-creating it puts its autosave line in the new
    // language; only the caption is copied, not the enabled state.
    windows().unloadForm2();
    Label8->setText(windows().form2()->Label1->text());
}

void Form1::mnuRus_Click()
{
    guarded([&] {
        writeSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("0"));
        LngInitForm1();
    });
}

void Form1::mnuEng_Click()
{
    guarded([&] {
        writeSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("1"));
        LngInitForm1();
    });
}

void Form1::mnuAbout_Click()
{
    guarded([&] {
        Dialog *d = windows().dialog();
        d->show();
        d->raise();
        d->activateWindow();
    });
}

} // namespace kestrum
