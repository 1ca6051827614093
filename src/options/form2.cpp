#include "options/form2.h"
#include "app/windows.h"
#include "platform/guard.h"
#include "platform/numbers.h"
#include "settings/store.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace kestrum {

Form2::Form2(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    buildControls();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    SSTab1 = new QTabWidget(this);
    for (int i = 0; i < 4; ++i)
        SSTab1->addTab(new QWidget, QString());
    auto frame = [this](const char *n) { auto *f = new QGroupBox(this); f->setObjectName(QLatin1String(n)); return f; };
    Frame1 = frame("Frame1"); Frame2 = frame("Frame2"); Frame3 = frame("Frame3");
    Frame4 = frame("Frame4"); Frame5 = frame("Frame5"); Frame6 = frame("Frame6");
    auto check = [this](const char *n) { auto *c = new QCheckBox(this); c->setObjectName(QLatin1String(n)); return c; };
    Check1 = check("Check1"); Check2 = check("Check2"); Check3 = check("Check3"); Check4 = check("Check4");
    Check5 = check("Check5"); Check6 = check("Check6"); Check7 = check("Check7"); Check8 = check("Check8");
    Check9 = check("Check9"); Check10 = check("Check10"); Check11 = check("Check11"); Check12 = check("Check12");
    auto text = [this](const char *n) { auto *t = new QLineEdit(this); t->setObjectName(QLatin1String(n)); return t; };
    Text1 = text("Text1"); Text2 = text("Text2"); Text3 = text("Text3"); Text4 = text("Text4");
    auto label = [this](const char *n) { auto *l = new QLabel(this); l->setObjectName(QLatin1String(n)); return l; };
    Label1 = label("Label1"); Label2 = label("Label2"); Label3 = label("Label3"); Label4 = label("Label4");
    Label5 = label("Label5"); Label6 = label("Label6"); Label7 = label("Label7");
    auto button = [this](const char *n) { auto *b = new QPushButton(this); b->setObjectName(QLatin1String(n)); return b; };
    Command1 = button("Command1"); Command2 = button("Command2"); Command3 = button("Command3");
    Command4 = button("Command4"); Command5 = button("Command5");
}

void Form2::setBuiltInCaptions() {}

QString Form2::autosavePrefix()
{
    double lng = 1;
    try {
        lng = toNumber(readSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("1")));
    } catch (...) {
    }
    return lng == 1 ? QStringLiteral("Autosave in: ") : QStringLiteral("Автосохранение в: ");
}

void Form2::Form_Load()
{
    const QString p = QStringLiteral("Parametr");
    Label1->setText(autosavePrefix() + readSetting(p, QStringLiteral("LabelSave"), QString()));
    guarded([&] { Check8->setChecked(toInt16(readSetting(p, QStringLiteral("AutoSave"), QStringLiteral("0"))) != 0); });
    Label1->setEnabled(Check8->isChecked());
    Command4->setEnabled(Check8->isChecked());
    CommonDialog1.FileName = readSetting(p, QStringLiteral("FileName"), defaultAutosaveFile());
}

void Form2::Check1_Click() {}
void Form2::Check8_Click() {}
void Form2::Check9_Click() {}
void Form2::Command1_Click() {}
void Form2::Command2_Click() {}
void Form2::Command3_Click() {}
void Form2::Command4_Click() {}
void Form2::Command5_Click() {}
void Form2::closeEvent(QCloseEvent *e) { e->accept(); }

} // namespace kestrum
