// The caption tables: one place per window. Every window is built with its
// Russian captions; the functions here put the captions of the language now
// stored over them.
#include "lang/captions.h"
#include "app/form1.h"
#include "documents/dialog4.h"
#include "lang/dialog.h"
#include "options/dialog1.h"
#include "options/dialog2.h"
#include "options/form2.h"
#include "platform/numbers.h"
#include "settings/store.h"
#include <QAbstractButton>
#include <QPushButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace kestrum {

bool englishInterface()
{
    // A value that is not a number is nobody's choice: it counts as missing,
    // and missing means English.
    try {
        return toNumber(readSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("1"))) == 1;
    } catch (const std::exception &) {
        return true;
    }
}

void setCaption(QObject *control, const QString &caption)
{
    if (!control)
        return;
    if (auto *a = qobject_cast<QAction *>(control))
        a->setText(caption);
    else if (auto *m = qobject_cast<QMenu *>(control))
        m->setTitle(caption);
    else if (auto *l = qobject_cast<QLabel *>(control))
        l->setText(caption);
    else if (auto *b = qobject_cast<QAbstractButton *>(control))
        b->setText(caption);
    else if (auto *g = qobject_cast<QGroupBox *>(control))
        g->setTitle(caption);
    else if (auto *w = qobject_cast<QWidget *>(control))
        w->setWindowTitle(caption);
}

void applyCaptionTable(std::initializer_list<CaptionRow> rows, bool english)
{
    for (const CaptionRow &row : rows)
        setCaption(row.control, english ? row.english : row.russian);
}

void setCaptions(std::initializer_list<Caption> rows)
{
    for (const Caption &row : rows)
        setCaption(row.control, row.text);
}

void applyCaptions(Form1 *w)
{
    // In this order; the main window's own title is the same in both
    // languages and stays as it is.
    applyCaptionTable({
        {w->mnuEng, QStringLiteral("Английский/English"), QStringLiteral("Английский/English")},
        {w->mnuRus, QStringLiteral("Русский/Russian"), QStringLiteral("Руссский/Russian")},
        {w->mnuLng, QStringLiteral("Язык/Language"), QStringLiteral("Язык/Language")},
        {w->mnuFile, QStringLiteral("Файл"), QStringLiteral("File")},
        {w->mnuOpen, QStringLiteral("Открыть..."), QStringLiteral("Open...")},
        {w->mnuOpenBlocknot, QStringLiteral("Открыть (Блокнот)..."), QStringLiteral("Open (Blocknot)...")},
        {w->mnuSave, QStringLiteral("Сохранить..."), QStringLiteral("Save...")},
        {w->mnuSave_as, QStringLiteral("Сохранить как..."), QStringLiteral("Save As...")},
        {w->mnuPrint, QStringLiteral("Печать"), QStringLiteral("Print")},
        {w->mnuExit, QStringLiteral("Выход"), QStringLiteral("Exit")},
        {w->mnuSpravka, QStringLiteral("Справка"), QStringLiteral("Help")},
        {w->mnuHelp, QStringLiteral("Помощь"), QStringLiteral("Help")},
        {w->mnuAbout, QStringLiteral("О программе"), QStringLiteral("About")},
        {w->Label1, QStringLiteral("Порт"), QStringLiteral("Port")},
        {w->Label2, QStringLiteral("Скорость"), QStringLiteral("Baud Rate")},
        {w->Label3, QStringLiteral("Четность"), QStringLiteral("Parity")},
        {w->Label4, QStringLiteral("Инфо биты"), QStringLiteral("Data Bits")},
        {w->Label5, QStringLiteral("Стоп биты"), QStringLiteral("Stop Bits")},
        {w->Label6, QStringLiteral("Сообщения для отправки"), QStringLiteral("Transmit")},
        {w->Label7, QStringLiteral("Принятые сообщения"), QStringLiteral("Recived")},
        {w->Command3, QStringLiteral("Открыть порт"), QStringLiteral("Open Port")},
        {w->Command2, QStringLiteral("Закрыть порт"), QStringLiteral("Close Port")},
        {w->Command7, QStringLiteral("Отмена"), QStringLiteral("Cancel")},
        {w->Command4, QStringLiteral("Параметры..."), QStringLiteral("Options...")},
        {w->Command1, QStringLiteral("Отправить"), QStringLiteral("Send")},
        {w->Command8, QStringLiteral("Очистить"), QStringLiteral("Clear")},
        {w->Frame1, QStringLiteral("Установки"), QStringLiteral("Settings")},
    }, englishInterface());
}

// The Options window's table is its own procedure, LngInitForm2.
void applyCaptions(Form2 *w) { w->LngInitForm2(); }

// The dialogs keep their built-in Russian captions unless the interface is
// English.

void applyCaptions(Dialog *w)
{
    if (!englishInterface())
        return;
    setCaptions({
        {w, QStringLiteral("About")},
        {w->Label1, Dialog::englishText()},
        {w->OKButton, QStringLiteral("OK")},
    });
}

void applyCaptions(Dialog1 *w)
{
    // The message has no English text: it stays Russian.
    if (!englishInterface())
        return;
    setCaptions({
        {w, QStringLiteral("Clear reestre")},
        {w->OKButton, QStringLiteral("OK")},
        {w->CancelButton, QStringLiteral("Cancel")},
    });
}

void applyCaptions(Dialog2 *w)
{
    if (!englishInterface())
        return;
    setCaptions({
        {w, QStringLiteral("Warning")},
        {w->Label1, QStringLiteral("         Invalid value")},
        {w->OKButton, QStringLiteral("OK")},
    });
}

void applyCaptions(Dialog4 *w)
{
    if (!englishInterface())
        return;
    setCaptions({
        {w, QStringLiteral("Kestrum")},
        {w->Label1, QStringLiteral("         Save changes?")},
        {w->OKButton, QStringLiteral("Yes")},
        {w->CancelButton, QStringLiteral("No")},
        {w->Command1, QStringLiteral("Cancel")},
    });
}

} // namespace kestrum
