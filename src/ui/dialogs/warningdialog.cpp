#include "ui/dialogs/warningdialog.h"
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include "ui/dialogs/optionswindow.h"
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace kestrum {

namespace {

// The windows behind the warning take no input while it shows. Reaching
// Form2 loads it when absent, so a window created behind the warning is
// held as well.
void holdWindowsBehind(Windows &windows, const Dialog2 *warning)
{
    windows.holds().hold(windows.mainWindow(), warning);
    windows.holds().hold(windows.optionsWindow(), warning);
}

} // namespace

Dialog2::Dialog2(Windows &windows) : OwnedWindow(windows)
{
    setObjectName(QStringLiteral("Dialog2"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(twips(2055), twips(1170));

    Label1 = makeLabel(this, "Label1", QString(), twipsRect(120, 120, 2175, 375), false);
    OKButton = makeButton(this, "OKButton", QString(), twipsRect(360, 600, 1215, 375));
    retranslateUi();
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
}

void Dialog2::retranslateUi()
{
    setWindowTitle(tr("Внимание"));
    Label1->setText(tr("Недопустимое значение"));
    OKButton->setText(tr("OK"));
}

void Dialog2::Form_Load()
{
    holdWindowsBehind(windows(), this);
    applyCaptions(this);
    // Drawn for a small font: with a wider one the words must still show.
    const int need = Label1->sizeHint().width();
    if (need > Label1->width())
        Label1->resize(need, Label1->height());
    const int right = Label1->x() + need + 2;
    if (right > width())
        setFixedSize(right, height());
}

void Dialog2::OKButton_Click()
{
    windows().releaseOptionsHold();
    windows().holds().release(this);
    if (windows().hasWarning() && windows().warning() == this)
        windows().unloadWarning();
    else
        hide();
}

void Dialog2::closeEvent(QCloseEvent *event)
{
    // Closing from the frame is the same answer as OK: nothing may be left
    // disabled.
    event->accept();
    OKButton_Click();
}

void Windows::showWarning()
{
    WarningBox *d = warning();
    holdWindowsBehind(*this, d);
    if (d->isVisible())
        return;
    d->show();
    d->raise();
    d->activateWindow();
}

bool Windows::warningShowing() { return hasWarning() && warning()->isVisible(); }

} // namespace kestrum
