#include "ui/dialogs/clearsettingsdialog.h"
#include "ui/main/form1.h"
#include "ui/common/controls.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include "ui/dialogs/optionswindow.h"
#include "core/settings/settings.h"
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace kestrum {

Dialog1::Dialog1(Windows &windows) : OwnedWindow(windows)
{
    setObjectName(QStringLiteral("Dialog1"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(twips(4800), twips(1395));

    Label1 = makeLabel(this, "Label1", QString(), twipsRect(120, 120, 4455, 615));
    OKButton = makeButton(this, "OKButton", QString(), twipsRect(840, 840, 1335, 375));
    CancelButton = makeButton(this, "CancelButton", QString(), twipsRect(2640, 840, 1215, 375));
    retranslateUi();

    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

void Dialog1::retranslateUi()
{
    setWindowTitle(tr("Удаление ветки в реестре"));
    //: Has no English text: stays Russian in the English interface.
    Label1->setText(tr("Будут удалены все настройки  пользователя из реестра. При следующей загрузке "
                       "будут восстановлены значения по умолчанию.Продолжить?"));
    OKButton->setText(tr("OK"));
    CancelButton->setText(tr("Отмена"));
}

void Dialog1::Form_Load()
{
    // Only the Options window waits for the answer; the main window is
    // held by the Options window already.
    windows().holds().hold(windows().optionsWindow(), this);
    applyCaptions(this);
    // Drawn for a small font: with a larger one the message needs more lines,
    // and the buttons and the window make room for them.
    const int extra = Label1->heightForWidth(Label1->width()) - Label1->height();
    if (extra > 0) {
        Label1->resize(Label1->width(), Label1->height() + extra);
        OKButton->move(OKButton->x(), OKButton->y() + extra);
        CancelButton->move(CancelButton->x(), CancelButton->y() + extra);
        setFixedSize(width(), height() + extra);
    }
}

namespace {

void closeConfirmation(Windows &windows, Dialog1 *d)
{
    windows.holds().release(d);
    if (windows.hasClearSettingsPrompt() && windows.clearSettingsPrompt() == d)
        windows.unloadClearSettingsPrompt();
    else
        d->hide();
}

} // namespace

void Dialog1::OKButton_Click()
{
    deleteAllSettings();
    closeConfirmation(windows(), this);
}

void Dialog1::CancelButton_Click() { closeConfirmation(windows(), this); }

void Dialog1::closeEvent(QCloseEvent *event)
{
    // Closing from the frame answers Cancel: nothing is deleted.
    event->accept();
    CancelButton_Click();
}

} // namespace kestrum
