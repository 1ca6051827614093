#include "ui/dialogs/finddialog.h"
#include "ui/common/captions.h"
#include "ui/common/controls.h"
#include "ui/actions/findactions.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "core/settings/settingkeys.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kestrum {

FindDialog::FindDialog(Windows &windows, FindActions &find)
    : OwnedWindow(windows, windows.mainWindow(), Qt::Dialog), m_find(find)
{
    setObjectName(QStringLiteral("FindDialog"));
    setFixedSize(twips(5895), twips(1935));

    Label1 = makeLabel(this, "Label1", QString(), twipsRect(120, 180, 1095, 255));
    Text1 = makeText(this, "Text1", twipsRect(1230, 120, 3015, 315));
    Check1 = makeCheck(this, "Check1", twipsRect(120, 600, 2055, 255));
    Check2 = makeCheck(this, "Check2", twipsRect(120, 900, 2055, 255));
    Frame1 = makeFrame(this, "Frame1", twipsRect(2280, 540, 1965, 735));
    Option1 = place(new QRadioButton, Frame1, "Option1", twipsRect(120, 300, 855, 255));
    Option2 = place(new QRadioButton, Frame1, "Option2", twipsRect(1020, 300, 855, 255));
    Command1 = makeButton(this, "Command1", QString(), twipsRect(4440, 120, 1335, 375));
    Command2 = makeButton(this, "Command2", QString(), twipsRect(4440, 555, 1335, 375));
    Command3 = makeButton(this, "Command3", QString(), twipsRect(4440, 990, 1335, 375));
    Label2 = makeLabel(this, "Label2", QString(), twipsRect(120, 1440, 5655, 435));
    Label1->setBuddy(Text1);
    // Enter in the text box finds the next match.
    Command1->setDefault(true);
    retranslateUi();

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Command1_Click(); });
    // A report is about the text it was made for.
    connect(Text1, &QLineEdit::textEdited, this, [this] { showStatus(QString()); });
}

void FindDialog::retranslateUi()
{
    setWindowTitle(tr("Найти"));
    Label1->setText(tr("Что:"));
    Check1->setText(tr("С учетом регистра"));
    Check2->setText(tr("Регулярное выражение"));
    Frame1->setTitle(tr("Направление"));
    Option1->setText(tr("Вверх"));
    Option2->setText(tr("Вниз"));
    Command1->setText(tr("Найти далее"));
    Command2->setText(tr("Подсчитать"));
    Command3->setText(tr("Отмена"));
}

void FindDialog::Form_Load()
{
    applyCaptions(this);
    fitCaptions(this, size(), false);
    fitCaptions(Frame1, Frame1->size(), false);
    Text1->setText(readSetting(Setting::FindText));
    Text1->selectAll();
    Check1->setChecked(readSetting(Setting::FindMatchCase) == QLatin1String("1"));
    Check2->setChecked(readSetting(Setting::FindRegExp) == QLatin1String("1"));
    (readSetting(Setting::FindUp) == QLatin1String("1") ? Option1 : Option2)->setChecked(true);
}

void FindDialog::storeQuery()
{
    writeSetting(Setting::FindText, Text1->text());
    writeSetting(Setting::FindMatchCase, Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    writeSetting(Setting::FindRegExp, Check2->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    writeSetting(Setting::FindUp, Option1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void FindDialog::Command1_Click()
{
    storeQuery();
    m_find.findNext(false);
}

void FindDialog::Command2_Click()
{
    storeQuery();
    m_find.countMatches();
}

void FindDialog::Command3_Click()
{
    // A search the window asked for ends with it.
    m_find.stopSearch();
    if (windows().hasFindWindow() && windows().findWindow() == this)
        windows().unloadFindWindow();
    else
        hide();
}

void FindDialog::showStatus(const QString &text) { Label2->setText(text); }

void FindDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command3_Click();
        return;
    }
    // F3 and Shift+F3 as in the main window.
    if (event->key() == Qt::Key_F3 && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
        storeQuery();
        m_find.findNext(event->modifiers() & Qt::ShiftModifier);
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    Command3_Click();
}


} // namespace kestrum
