#include "ui/dialogs/optionswindow.h"
#include "ui/common/controls.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include "ui/dialogs/clearsettingsdialog.h"
#include "ui/dialogs/warningdialog.h"
#include "platform/guard.h"
#include "core/base/numbers.h"
#include "platform/platform.h"
#include "core/settings/options.h"
#include "core/session/session.h"
#include "core/settings/settingkeys.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <algorithm>

namespace kestrum {


Form2::Form2(Windows &windows, Session &session)
    : OwnedWindow(windows), CommonDialog1(this), m_session(session)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(twips(5910), twips(5655));
    buildControls();
    retranslateUi();

    // As built, before the load: sent strings shown, length check off.
    Check1->setChecked(true);
    Text1->setEnabled(false);
    Label2->setEnabled(false);

    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Check8, &QCheckBox::toggled, this, [this] { Check8_Click(); });
    connect(Check9, &QCheckBox::toggled, this, [this] { Check9_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    for (QCheckBox *box : {Check1, Check2, Check3, Check4, Check5, Check6, Check7, Check8, Check9, Check10, Check11,
                           Check12})
        connect(box, &QCheckBox::toggled, this, [this] { publish(); });
    for (QLineEdit *box : {Text1, Text2, Text3, Text4})
        connect(box, &QLineEdit::textChanged, this, [this] { publish(); });
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    SSTab1 = place(new QTabWidget, this, "SSTab1", twipsRect(120, 120, 5655, 4575));
    QWidget *pages[4];
    for (int i = 0; i < 4; ++i) {
        pages[i] = new QWidget;
        pages[i]->setObjectName(QStringLiteral("SSTab1Page%1").arg(i));
        SSTab1->addTab(pages[i], QString());
    }

    // Strings.
    Frame1 = makeFrame(pages[0], "Frame1", twipsRect(600, 480, 4095, 1815));
    Check1 = makeCheck(Frame1, "Check1", twipsRect(240, 240, 3015, 255));
    Check2 = makeCheck(Frame1, "Check2", twipsRect(600, 600, 1695, 255));
    Check3 = makeCheck(Frame1, "Check3", twipsRect(600, 960, 1935, 255));
    Check4 = makeCheck(Frame1, "Check4", twipsRect(600, 1320, 2655, 255));
    Frame2 = makeFrame(pages[0], "Frame2", twipsRect(600, 2400, 4095, 1335));
    Check5 = makeCheck(Frame2, "Check5", twipsRect(240, 240, 2055, 255));
    Check6 = makeCheck(Frame2, "Check6", twipsRect(240, 600, 2535, 195));
    Check7 = makeCheck(Frame2, "Check7", twipsRect(240, 840, 3015, 375));
    Label7 = makeLabel(pages[0], "Label7", QString(), twipsRect(600, 3960, 4575, 375));

    // Auto.
    Frame3 = makeFrame(pages[1], "Frame3", twipsRect(240, 480, 5055, 2055));
    Check8 = makeCheck(Frame3, "Check8", twipsRect(120, 360, 3375, 255));
    Label1 = makeLabel(Frame3, "Label1", QString(), twipsRect(120, 720, 4575, 375));
    Command4 = makeButton(Frame3, "Command4", QString(), twipsRect(3600, 1560, 1335, 375));

    // Checking.
    Frame4 = makeFrame(pages[2], "Frame4", twipsRect(240, 480, 5175, 1575));
    Check9 = makeCheck(Frame4, "Check9", twipsRect(240, 240, 3975, 615));
    Text1 = makeText(Frame4, "Text1", twipsRect(240, 960, 615, 285));
    Label2 = makeLabel(Frame4, "Label2", QString(), twipsRect(960, 960, 4095, 375));
    Text4 = makeText(pages[2], "Text4", twipsRect(360, 2280, 735, 285));
    Label5 = makeLabel(pages[2], "Label5", QString(), twipsRect(1200, 2280, 3135, 375));
    Label6 = makeLabel(pages[2], "Label6", QString(), twipsRect(360, 2760, 4575, 855));

    // Other.
    Frame5 = makeFrame(pages[3], "Frame5", twipsRect(480, 600, 4575, 1335));
    Text2 = makeText(Frame5, "Text2", twipsRect(240, 360, 735, 285));
    Label3 = makeLabel(Frame5, "Label3", QString(), twipsRect(1200, 360, 3135, 375));
    Text3 = makeText(Frame5, "Text3", twipsRect(240, 840, 735, 285));
    Label4 = makeLabel(Frame5, "Label4", QString(), twipsRect(1200, 840, 3015, 375));
    Frame6 = makeFrame(pages[3], "Frame6", twipsRect(480, 2040, 4575, 1695));
    Check10 = makeCheck(Frame6, "Check10", twipsRect(240, 360, 1335, 255));
    Check11 = makeCheck(Frame6, "Check11", twipsRect(240, 720, 1335, 375));
    Check12 = makeCheck(Frame6, "Check12", twipsRect(240, 1200, 1695, 255));
    Command5 = makeButton(pages[3], "Command5", QString(), twipsRect(3480, 3960, 1935, 375));

    // Below the tabs.
    Command1 = makeButton(this, "Command1", QString(), twipsRect(360, 4920, 1455, 495));
    Command2 = makeButton(this, "Command2", QString(), twipsRect(2280, 4920, 1455, 495));
    Command3 = makeButton(this, "Command3", QString(), twipsRect(4200, 4920, 1455, 495));

    // A screen reader names each text box by the label beside it.
    Label2->setBuddy(Text1);
    Label5->setBuddy(Text4);
    Label3->setBuddy(Text2);
    Label4->setBuddy(Text3);

    keepTabControlsPlaced(SSTab1);
}

QString Form2::autosavePrefix()
{
    // Follows the store at the moment the line is built, as the captions do
    // at the window's load.
    useStoredLanguage();
    return tr("Автосохранение в: ");
}

void Form2::Form_Load()
{
    Options o = Options::stored();
    // The buffer sizes come from the serial-port object, not the store.
    guarded([&] { o.inBufferSize = QString::number(toInt16(double(m_session.inBufferSize()))); });
    guarded([&] { o.outBufferSize = QString::number(toInt16(double(m_session.outBufferSize()))); });
    // Setting Check1 runs Check1_Click, which leaves Check2 to Check4 enabled
    // exactly when it is checked.
    for (const OptionRow &row : optionRows()) {
        if (row.flag)
            findChild<QCheckBox *>(QLatin1String(row.control))->setChecked(o.*row.flag);
        else if (row.text)
            findChild<QLineEdit *>(QLatin1String(row.control))->setText(o.*row.text);
        else
            SSTab1->setCurrentIndex(o.*row.index < SSTab1->count() ? o.*row.index : 0);
    }
    Label1->setText(autosavePrefix() + o.autosaveLine);
    // The master switches may not have changed, so their handlers may not
    // have run.
    Text1->setEnabled(Check9->isChecked());
    Label2->setEnabled(Check9->isChecked());
    Label1->setEnabled(Check8->isChecked());
    Command4->setEnabled(Check8->isChecked());
    setAutosaveFile(o.autosaveFile);
    guarded([&] { LngInitForm2(); });
    fitCaptionsToFont();
}

Options Form2::boxes() const
{
    Options o;
    for (const OptionRow &row : optionRows()) {
        if (row.flag)
            o.*row.flag = findChild<QCheckBox *>(QLatin1String(row.control))->isChecked();
        else if (row.text)
            o.*row.text = findChild<QLineEdit *>(QLatin1String(row.control))->text();
        else
            o.*row.index = SSTab1->currentIndex();
    }
    o.autosaveFile = CommonDialog1.FileName;
    return o;
}

void Form2::publish()
{
    // A window that is no longer the program's (unloaded, awaiting its
    // deletion) speaks for nobody.
    if (!windows().hasOptionsWindow() || windows().optionsWindow() != this)
        return;
    m_session.options().set(boxes());
}

void Form2::setAutosaveFile(const QString &path)
{
    CommonDialog1.FileName = path;
    publish();
}

void Form2::fitCaptionsToFont()
{
    const QList<QGroupBox *> frames = {Frame1, Frame2, Frame3, Frame4, Frame5, Frame6};
    for (QGroupBox *frame : frames)
        fitCaptions(frame, frame->size(), false);
    for (int i = 0; i < SSTab1->count(); ++i)
        fitCaptions(SSTab1->widget(i), SSTab1->size(), true);
    placeTabControls(SSTab1);
}


void Form2::Check1_Click()
{
    const bool on = Check1->isChecked();
    Check2->setEnabled(on);
    Check3->setEnabled(on);
    Check4->setEnabled(on);
}

void Form2::Check8_Click()
{
    const bool on = Check8->isChecked();
    Command4->setEnabled(on);
    Label1->setEnabled(on);
}

void Form2::Check9_Click()
{
    const bool on = Check9->isChecked();
    Text1->setEnabled(on);
    Label2->setEnabled(on);
}

void Form2::Command3_Click()
{
    emit autosaveLineApplied(Label1->text(), Label1->isEnabled());
    const Configured done = m_session.configure(boxes());
    // One warning stands for every refused box.
    if (!done.refused.isEmpty())
        windows().showWarning();
    showFailure(done.failure);
}

void Form2::Command1_Click()
{
    Command3_Click();
    // A refused value keeps the window open with the user's text in it.
    if (windows().warningShowing())
        return;
    windows().holds().release(this);
    windows().unloadOptionsWindow();
}

void Form2::Command2_Click()
{
    windows().holds().release(this);
    windows().unloadOptionsWindow();
}

void Form2::Command4_Click()
{
    guarded([&] {
        // 4096 the file must exist, 4 no read-only check box.
        CommonDialog1.presetTextFiles(4100);
        // Cancelling ends Browse without a word; anything else that fails
        // is said, since the autosave file then stays what it was.
        if (!CommonDialog1.ShowSave())
            return;
        // Stored at once: the autosave file changes now, not at Apply.
        writeSetting(Setting::AutosaveFile, CommonDialog1.FileName);
        setAutosaveFile(CommonDialog1.FileName);
        Label1->setText(autosavePrefix() + CommonDialog1.FileName);
    });
}

void Form2::Command5_Click()
{
    guarded([this] {
        ClearSettingsPrompt *d = windows().clearSettingsPrompt();
        d->show();
        d->raise();
        d->activateWindow();
    });
}

void Form2::closeEvent(QCloseEvent *e)
{
    // Leaving by the frame is leaving without storing.
    e->accept();
    if (windows().hasOptionsWindow() && windows().optionsWindow() == this)
        Command2_Click();
}

QString Form2::autosaveLine() const { return Label1->text(); }

bool Form2::autosaveLineEnabled() const { return Label1->isEnabled(); }

} // namespace kestrum
