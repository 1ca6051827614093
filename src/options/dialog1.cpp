#include "options/dialog1.h"
#include "app/windows.h"
#include "lang/captions.h"
#include "options/form2.h"
#include "settings/store.h"
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace kestrum {

Dialog1::Dialog1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Dialog1"));
    setWindowFlags(Qt::Dialog);
    setWindowTitle(QStringLiteral("Удаление ветки в реестре"));
    setFixedSize(twips(4800), twips(1395));

    Label1 = new QLabel(QStringLiteral("Будут удалены все настройки  пользователя из реестра. При следующей загрузке "
                                       "будут восстановлены значения по умолчанию.Продолжить?"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 4455, 615));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(twipsRect(840, 840, 1335, 375));
    OKButton->setAutoDefault(false);

    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(twipsRect(2640, 840, 1215, 375));
    CancelButton->setAutoDefault(false);

    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

void Dialog1::Form_Load()
{
    // Only the Options window waits for the answer; the main window is
    // disabled by the Options window already.
    windows().form2()->setEnabled(false);
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

void closeConfirmation(Dialog1 *d)
{
    if (windows().hasForm2())
        windows().form2()->setEnabled(true);
    if (windows().hasDialog1() && windows().dialog1() == d)
        windows().unloadDialog1();
    else
        d->hide();
}

} // namespace

void Dialog1::OKButton_Click()
{
    deleteAllSettings();
    closeConfirmation(this);
}

void Dialog1::CancelButton_Click() { closeConfirmation(this); }

void Dialog1::closeEvent(QCloseEvent *event)
{
    // Closing from the frame answers Cancel: nothing is deleted.
    event->accept();
    CancelButton_Click();
}

} // namespace kestrum
