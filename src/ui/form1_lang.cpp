// Interface language of the main window: the Language menu and About.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/captions.h"
#include "ui/aboutdialog.h"
#include "ui/optionswindow.h"
#include "platform/guard.h"
#include "core/settingkeys.h"
#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace kestrum {

void Form1::retranslateUi()
{
    // In this order; the window's own title is the same in both languages.
    // The two language items name both languages in either.
    mnuEng->setText(tr("Английский/English"));
    mnuRus->setText(tr("Русский/Russian"));
    mnuLng->setTitle(tr("Язык/Language"));
    mnuFile->setTitle(tr("Файл"));
    mnuOpen->setText(tr("Открыть..."));
    mnuOpenBlocknot->setText(tr("Открыть (Блокнот)..."));
    mnuSave->setText(tr("Сохранить..."));
    mnuSave_as->setText(tr("Сохранить как..."));
    mnuPrint->setText(tr("Печать"));
    mnuPorts->setText(tr("Порты..."));
    mnuExit->setText(tr("Выход"));
    mnuEdit->setTitle(tr("Правка"));
    mnuFind->setText(tr("Найти..."));
    mnuFindNext->setText(tr("Найти далее"));
    mnuFindPrev->setText(tr("Найти ранее"));
    mnuSpravka->setTitle(tr("Справка"));
    mnuHelp->setText(tr("Помощь"));
    mnuAbout->setText(tr("О программе"));
    Label1->setText(tr("Порт"));
    Label2->setText(tr("Скорость"));
    Label3->setText(tr("Четность"));
    Label4->setText(tr("Инфо биты"));
    Label5->setText(tr("Стоп биты"));
    Label6->setText(tr("Сообщения для отправки"));
    Label7->setText(tr("Принятые сообщения"));
    Command3->setText(tr("Открыть порт"));
    Command2->setText(tr("Закрыть порт"));
    Command7->setText(tr("Отмена"));
    Command4->setText(tr("Параметры..."));
    Command1->setText(tr("Отправить"));
    Command8->setText(tr("Очистить"));
    Frame1->setTitle(tr("Установки"));
    // The counter has no label of its own: a screen reader needs its name.
    Text3->setAccessibleName(tr("Счетчик сообщений"));
    retranslateBytesMenus();
}

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
        writeSetting(Setting::Lng, QStringLiteral("0"));
        LngInitForm1();
    });
}

void Form1::mnuEng_Click()
{
    guarded([&] {
        writeSetting(Setting::Lng, QStringLiteral("1"));
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
