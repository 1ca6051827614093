#include "ui/dialogs/aboutdialog.h"
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace kestrum {

namespace {

// The author line is short enough to stay on one line under the
// description, which takes three: the label has room for four.
const char *const description = QT_TRANSLATE_NOOP("kestrum::Dialog",
                                                  "Kestrum предназначен для работы с асинхронным приемопередатчиком "
                                                  "UART  различных микроконтроллеров по линиям Rx и Tx.\n"
                                                  "Автор: Kestrum, Новосибирск, kestrum@example.org");

} // namespace

QString Dialog::russianText() { return QString::fromUtf8(description); }

QString Dialog::englishText() { return englishCaption("kestrum::Dialog", description); }

Dialog::Dialog(Windows &windows) : OwnedWindow(windows, nullptr, Qt::Dialog)
{
    setObjectName(QStringLiteral("Dialog"));
    setFixedSize(twips(5325), twips(1740));

    // The label ends at the dialog's right edge: text wrapped past it would
    // be cut off.
    Label1 = makeLabel(this, "Label1", QString(), twipsRect(240, 240, 5325 - 240, 855));
    OKButton = makeButton(this, "OKButton", QString(), twipsRect(2040, 1200, 1215, 375));
    retranslateUi();
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
}

void Dialog::retranslateUi()
{
    setWindowTitle(tr("О программе"));
    Label1->setText(tr(description));
    OKButton->setText(tr("OK"));
}

void Dialog::Form_Load()
{
    // The main window takes no input while the dialog is up.
    windows().holds().hold(windows().mainWindow(), this);
    applyCaptions(this);
}

void Dialog::OKButton_Click()
{
    windows().holds().release(this);
    // Only the instance the owner holds is unloaded; a detached one is
    // already on its way out.
    if (windows().hasAboutBox() && windows().aboutBox() == this)
        windows().unloadAboutBox();
}

void Dialog::closeEvent(QCloseEvent *event)
{
    // Closing from the frame is OK by another way.
    OKButton_Click();
    event->accept();
}

} // namespace kestrum
