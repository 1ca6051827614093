// Interface language of the Options window: the last step of its load.
#include "ui/common/captions.h"
#include "ui/dialogs/optionswindow.h"
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace kestrum {

void Form2::LngInitForm2() { applyCaptions(this); }

void Form2::retranslateUi()
{
    setWindowTitle(tr("Параметры"));
    // Tab by tab: renaming a tab leaves the remembered tab selected.
    SSTab1->setTabText(0, tr("Строки"));
    SSTab1->setTabText(1, tr("Авто"));
    SSTab1->setTabText(2, tr("Проверки"));
    SSTab1->setTabText(3, tr("Другие"));

    Frame1->setTitle(tr("Отправленные строки"));
    Check1->setText(tr("Отображать отправленные строки"));
    Check2->setText(tr("Отображать дату"));
    Check3->setText(tr("Отображать время"));
    // The sent strings' box says it shorter than the received strings' one.
    Check4->setText(tr("Отображать размер*"));
    Frame2->setTitle(tr("Принятые строки"));
    Check5->setText(tr("Отображать дату"));
    Check6->setText(tr("Отображать время"));
    Check7->setText(tr("Отображать размер строки*"));
    Label7->setText(tr("*Размер строки отображается как для кодировки ANSI"));

    Frame3->setTitle(tr("Параметры автосохранения"));
    Check8->setText(tr("Сохранять изменения автоматически"));
    Command4->setText(tr("Обзор"));

    Frame4->setTitle(tr("Длина строк"));
    Check9->setText(tr("Включить проверку длины отправленных строк"));
    Label2->setText(tr("Максимальный размер отправляемого сообщения в кодировке ANSI"));
    Label5->setText(tr("Таймаут для принятых сообщений, мс"));
    //: Has no English text: stays Russian in the English interface.
    Label6->setText(tr("Изменение данного параметра может привести к некорректному приему данных. "
                       "Таймаут должен быть больше времени передачи сообщения в COM порт внешним "
                       "устройством"));

    Frame5->setTitle(tr("Буферы"));
    Label3->setText(tr("Размер буфера входящих сообщений"));
    Label4->setText(tr("Размер буфера исходящих сообщений"));
    Frame6->setTitle(tr("Аппаратные настройки COM"));
    Check10->setText(tr("Null Discard"));
    Check11->setText(tr("RTSE Enable"));
    Check12->setText(tr("DTRE Enable"));
    Command5->setText(tr("Очистить реестр"));

    Command1->setText(tr("OK"));
    Command2->setText(tr("Отмена"));
    Command3->setText(tr("Применить"));
}

} // namespace kestrum
