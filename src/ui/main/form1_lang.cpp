// Interface language of the main window: the captions, the Language menu and
// About.
#include "ui/main/form1.h"
#include "ui/main/form1ui.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include "ui/dialogs/aboutdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "platform/guard.h"
#include "core/settings/settingkeys.h"
#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrum {

void Form1::retranslateUi()
{
    Ui &ui = *m_ui;
    // In this order; the window's own title is the same in both languages.
    // The two language items name both languages in either.
    ui.english->setText(tr("Английский/English"));
    ui.russian->setText(tr("Русский/Russian"));
    ui.languageMenu->setTitle(tr("Язык/Language"));
    ui.fileMenu->setTitle(tr("Файл"));
    ui.documents.open->setText(tr("Открыть..."));
    ui.documents.openEditor->setText(tr("Открыть (Блокнот)..."));
    ui.documents.save->setText(tr("Сохранить..."));
    ui.documents.saveAs->setText(tr("Сохранить как..."));
    ui.documents.print->setText(tr("Печать"));
    ui.port.portsItem->setText(tr("Порты..."));
    ui.exit.exitItem->setText(tr("Выход"));
    ui.log.autosaveFiles->setTitle(tr("Файлы автосохранения"));
    ui.log.oneFile->setText(tr("Один файл"));
    ui.log.fileEachDay->setText(tr("Новый файл каждый день"));
    ui.log.fileAtSize->setText(tr("Новый файл при размере"));
    ui.log.fileSize->setText(tr("Размер файла..."));
    ui.editMenu->setTitle(tr("Правка"));
    ui.find.find->setText(tr("Найти..."));
    ui.find.findNext->setText(tr("Найти далее"));
    ui.find.findPrev->setText(tr("Найти ранее"));
    ui.helpMenu->setTitle(tr("Справка"));
    ui.help->setText(tr("Помощь"));
    ui.about->setText(tr("О программе"));
    ui.portCaption->setText(tr("Порт"));
    ui.baudRateCaption->setText(tr("Скорость"));
    ui.parityCaption->setText(tr("Четность"));
    ui.dataBitsCaption->setText(tr("Инфо биты"));
    ui.stopBitsCaption->setText(tr("Стоп биты"));
    ui.sendCaption->setText(tr("Сообщения для отправки"));
    ui.receivedCaption->setText(tr("Принятые сообщения"));
    ui.port.open->setText(tr("Открыть порт"));
    ui.port.close->setText(tr("Закрыть порт"));
    ui.exit.exit->setText(tr("Отмена"));
    ui.options->setText(tr("Параметры..."));
    ui.transmit.send->setText(tr("Отправить"));
    ui.clear->setText(tr("Очистить"));
    ui.lineFrame->setTitle(tr("Установки"));
    // The counter has no label of its own: a screen reader needs its name.
    ui.messageCounter->setAccessibleName(tr("Счетчик сообщений"));
    ui.viewMenu->setTitle(tr("Вид"));
    ui.hexView->setText(tr("Hex"));
    ui.log.portEvents->setText(tr("События порта в журнале"));
    ui.log.milliseconds->setText(tr("Время с миллисекундами"));
    ui.log.delta->setText(tr("Время с прошлого сообщения"));
    ui.transmitMenu->setTitle(tr("Передача"));
    ui.transmit.sendText->setText(tr("Отправлять как текст"));
    ui.transmit.sendHex->setText(tr("Отправлять hex"));
    ui.transmit.sendEscapes->setText(tr("Отправлять с escape-последовательностями"));
    ui.transmit.sendFile->setText(tr("Отправить файл…"));
    ui.transmit.sendBreak->setText(tr("Отправить break"));
}

void Form1::LngInitForm1()
{
    applyCaptions(this);
    // The Options window is never showing here (this window is disabled
    // while it is). Re-creating it puts its autosave line in the new
    // language; only the caption is copied, not the enabled state.
    windows().unloadOptionsWindow();
    m_ui->autosaveLine->setText(windows().optionsWindow()->autosaveLine());
    m_log->showFileNow();
}

void Form1::mnuRus_Click()
{
    guarded([&] {
        writeSetting(Setting::Language, QStringLiteral("0"));
        LngInitForm1();
    });
}

void Form1::mnuEng_Click()
{
    guarded([&] {
        writeSetting(Setting::Language, QStringLiteral("1"));
        LngInitForm1();
    });
}

void Form1::mnuAbout_Click()
{
    guarded([&] {
        AboutBox *d = windows().aboutBox();
        d->show();
        d->raise();
        d->activateWindow();
    });
}

} // namespace kestrum
