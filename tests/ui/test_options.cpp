// The Options window: loading from the store, Apply with its range tests and
// the warning, Browse, and clearing the stored settings.
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "core/session.h"
#include "ui/received/receivedbox.h"
#include "ui/main/windows.h"
#include "ui/dialogs/clearsettingsdialog.h"
#include "ui/dialogs/warningdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "core/mscomm.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QString absent = QStringLiteral("<absent>");

QString stored(const QString &key) { return readSetting(QStringLiteral("Parametr"), key, absent); }

QList<QCheckBox *> checks(Form2 *f)
{
    return {f->Check1, f->Check2, f->Check3, f->Check4,  f->Check5,  f->Check6,
            f->Check7, f->Check8, f->Check9, f->Check10, f->Check11, f->Check12};
}

} // namespace

class OptionsTest : public ProgramTest {
    Q_OBJECT

    Form1 *form1() { return windows().mainWindow(); }

    // The Options button of the main window.
    Form2 *openOptions()
    {
        form1()->Command4_Click();
        return windows().optionsWindow();
    }

    // Clearing empties the whole store, the test's port mapping included.
    void mapTestPort() { mapPort(1, pty->slavePath()); }

    void restart()
    {
        closeProgram();
        startOnPty();
    }

private slots:
    void init()
    {
        beginTest();
        QVERIFY(startOnPty());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QVERIFY(form1()->session().port()->PortOpen());
    }
    void cleanup() { endTest(); }

    void firstRunShowsDefaults()
    {
        Form2 *f = openOptions();
        QVERIFY(f->isVisible());
        QVERIFY(!form1()->isEnabled());
        for (QCheckBox *c : checks(f))
            QVERIFY2(!c->isChecked(), qPrintable(c->objectName()));
        QVERIFY(!f->Check2->isEnabled());
        QVERIFY(!f->Check3->isEnabled());
        QVERIFY(!f->Check4->isEnabled());
        QVERIFY(f->Check5->isEnabled());
        QVERIFY(f->Check7->isEnabled());
        QCOMPARE(f->Text4->text(), QStringLiteral("100"));
        QCOMPARE(f->Text1->text(), QStringLiteral("512"));
        QVERIFY(!f->Text1->isEnabled());
        QVERIFY(!f->Label2->isEnabled());
        QCOMPARE(f->Label1->text(), QStringLiteral("Autosave in: "));
        QVERIFY(!f->Label1->isEnabled());
        QVERIFY(!f->Command4->isEnabled());
        QVERIFY(f->Text4->isEnabled());
        QCOMPARE(f->SSTab1->currentIndex(), 0);
        QCOMPARE(f->Text2->text(), QStringLiteral("1024"));
        QCOMPARE(f->Text3->text(), QStringLiteral("512"));
        QCOMPARE(f->CommonDialog1.FileName, defaultAutosaveFile());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void layoutKeepsEveryControlInsideItsTab()
    {
        Form2 *f = openOptions();
        QVERIFY(f->windowFlags() & Qt::Dialog);
        QVERIFY(f->isWindow());
        // The window and its tab control keep the size they were drawn with.
        QCOMPARE(f->size(), QSize(twips(5910), twips(5655)));
        QCOMPARE(f->minimumSize(), f->maximumSize());
        QCOMPARE(f->SSTab1->geometry(), twipsRect(120, 120, 5655, 4575));
        QCOMPARE(f->SSTab1->count(), 4);

        // Controls of a tab were drawn measured from the tab control's
        // corner, the tab strip included: each shows at the place it was
        // drawn at (or moved to as its caption made it grow), on its tab.
        for (int tab = 0; tab < f->SSTab1->count(); ++tab) {
            f->SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            const QList<QWidget *> onTab =
                f->SSTab1->widget(tab)->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(!onTab.isEmpty());
            for (QWidget *w : onTab) {
                const QVariant drawn = w->property("kestrumTabPosition");
                QVERIFY2(drawn.isValid(), qPrintable(w->objectName()));
                QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
                QCOMPARE(w->mapTo(f->SSTab1, QPoint(0, 0)), drawn.toPoint());
            }
        }

        // With the font in use, every caption shows in full, nothing sticks
        // out of its tab or frame, and no two controls overlap.
        for (int tab = 0; tab < 4; ++tab) {
            f->SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            QWidget *page = f->SSTab1->widget(tab);
            QList<QWidget *> containers = {page};
            for (QGroupBox *frame : page->findChildren<QGroupBox *>(QString(), Qt::FindDirectChildrenOnly))
                containers << frame;
            for (QWidget *c : containers) {
                const QList<QWidget *> kids = c->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
                for (QWidget *w : kids) {
                    const QString name = w->objectName();
                    QVERIFY2(c->rect().contains(w->geometry()), qPrintable(name));
                    for (QWidget *other : kids)
                        if (other != w)
                            QVERIFY2(!w->geometry().intersects(other->geometry()),
                                     qPrintable(name + " overlaps " + other->objectName()));
                    if (auto *check = qobject_cast<QCheckBox *>(w)) {
                        const int need = check->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check)
                                         + check->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check)
                                         + check->fontMetrics().horizontalAdvance(check->text());
                        QVERIFY2(check->width() >= need, qPrintable(name));
                    }
                    if (auto *label = qobject_cast<QLabel *>(w))
                        QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(name));
                }
            }
        }
    }

    void masterSwitchesEnableTheirControls()
    {
        Form2 *f = openOptions();
        f->Check1->setChecked(true);
        QVERIFY(f->Check2->isEnabled() && f->Check3->isEnabled() && f->Check4->isEnabled());
        f->Check3->setChecked(true);
        f->Check1->setChecked(false);
        QVERIFY(!f->Check2->isEnabled() && !f->Check3->isEnabled() && !f->Check4->isEnabled());
        // A disabled check box keeps its value, and Apply stores it.
        QVERIFY(f->Check3->isChecked());

        f->Check8->setChecked(true);
        QVERIFY(f->Label1->isEnabled() && f->Command4->isEnabled());
        f->Check8->setChecked(false);
        QVERIFY(!f->Label1->isEnabled() && !f->Command4->isEnabled());

        f->Check9->setChecked(true);
        QVERIFY(f->Text1->isEnabled() && f->Label2->isEnabled());
        f->Check9->setChecked(false);
        QVERIFY(!f->Text1->isEnabled() && !f->Label2->isEnabled());

        f->Check8->setChecked(true);
        f->Check9->setChecked(true);
        f->Check6->setChecked(true);
        f->Command3_Click();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(stored("otobrOtprStr"), QStringLiteral("0"));
        QCOMPARE(stored("otobrTime"), QStringLiteral("1"));
        QCOMPARE(stored("otobrDate"), QStringLiteral("0"));
        QCOMPARE(stored("otobrTimeIn"), QStringLiteral("1"));
        QCOMPARE(stored("autosave"), QStringLiteral("1"));
        QCOMPARE(stored("FlagDlin"), QStringLiteral("1"));
        QCOMPARE(autosaveLine(form1())->text(), QStringLiteral("Autosave in: "));
        QVERIFY(autosaveLine(form1())->isEnabledTo(form1()));

        // A fresh window reads them back, with the enable rules applied.
        f->Command2_Click();
        f = openOptions();
        QVERIFY(!f->Check1->isChecked());
        QVERIFY(f->Check3->isChecked() && !f->Check3->isEnabled());
        QVERIFY(f->Check6->isChecked());
        QVERIFY(f->Check8->isChecked() && f->Label1->isEnabled() && f->Command4->isEnabled());
        QVERIFY(f->Check9->isChecked() && f->Text1->isEnabled() && f->Label2->isEnabled());
    }

    void refusedBoxesDoNotStopTheOthers()
    {
        Form2 *f = openOptions();
        f->Text4->setText("1000");
        f->Text2->setText("2048");
        f->Text3->setText("4096");
        f->Command3_Click();
        QVERIFY(windows().warningShowing());
        QCOMPARE(form1()->session().port()->InBufferSize(), 2048);
        QCOMPARE(form1()->session().port()->OutBufferSize(), 4096);
        QCOMPARE(stored("InBufferSize"), QStringLiteral("2048"));
        QCOMPARE(stored("outBufferSize"), QStringLiteral("4096"));
        QCOMPARE(stored("Timeout"), absent);
        QVERIFY(form1()->session().port()->PortOpen());

        // Every box refused: still one warning window.
        windows().warning()->OKButton_Click();
        f->Text4->setText("0");
        f->Text1->setText("0");
        f->Text2->setText("0");
        f->Text3->setText("0");
        f->Command3_Click();
        int warnings = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            warnings += (qobject_cast<Dialog2 *>(w) && w->isVisible()) ? 1 : 0;
        QCOMPARE(warnings, 1);
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void okStaysOpenOnlyForAWarning()
    {
        Form2 *f = openOptions();
        f->Text4->setText("5000");
        f->Command1_Click();
        QVERIFY(windows().warningShowing());
        QVERIFY(windows().hasOptionsWindow());
        QVERIFY(f->isVisible());
        QCOMPARE(f->Text4->text(), QStringLiteral("5000"));
        QVERIFY(!form1()->isEnabled());
        windows().warning()->OKButton_Click();
        QVERIFY(form1()->isEnabled());
        QVERIFY(f->isEnabled());

        // Not a number: the message, then the window closes.
        f->Text4->setText("300");
        f->Text1->setText("abc");
        f->Text2->setText("4000");
        f->Command1_Click();
        QCOMPARE(fakes.messageBox->messages, QStringList{"Type mismatch"});
        QVERIFY(!windows().hasOptionsWindow());
        QVERIFY(form1()->isEnabled());
        QCOMPARE(stored("Timeout"), QStringLiteral("300"));
        QCOMPARE(stored("SizeDlin"), QStringLiteral("512"));
        QCOMPARE(form1()->session().port()->InBufferSize(), 1024);

        // All valid: stored and closed.
        f = openOptions();
        QCOMPARE(f->Text4->text(), QStringLiteral("300"));
        f->Text1->setText("64");
        f->Command1_Click();
        QVERIFY(!windows().hasOptionsWindow());
        QVERIFY(form1()->isEnabled());
        QCOMPARE(stored("SizeDlin"), QStringLiteral("64"));
    }

    void applyReopensThePortWithItsSwitches()
    {
        MSComm *port = form1()->session().port();
        port->setPortOpen(false);
        Form2 *f = openOptions();
        f->Check10->setChecked(true);
        f->Check11->setChecked(true);
        f->Check12->setChecked(true);
        f->Text2->setText("2000");
        f->Text3->setText("3000");
        f->Command3_Click();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QVERIFY(port->PortOpen());
        QVERIFY(port->NullDiscard());
        QVERIFY(port->RTSEnable());
        QVERIFY(port->DTREnable());
        QCOMPARE(port->InBufferSize(), 2000);
        QCOMPARE(port->OutBufferSize(), 3000);
        QCOMPARE(stored("NullDiscard"), QStringLiteral("1"));
        QCOMPARE(stored("RTSEnable"), QStringLiteral("1"));
        QCOMPARE(stored("DTREnable"), QStringLiteral("1"));
        // Really open on the device.
        QVERIFY(pty->write("ok"));
        QTRY_VERIFY(port->gathered() > 0 || receivedBox(form1())->text() == QStringLiteral("ok\r\n"));

        // Switches off again.
        f->Check10->setChecked(false);
        f->Check12->setChecked(false);
        f->Command3_Click();
        QVERIFY(!port->NullDiscard());
        QVERIFY(port->RTSEnable());
        QVERIFY(!port->DTREnable());
        QCOMPARE(stored("DTREnable"), QStringLiteral("0"));

        // The next window shows what the port holds, and the switches stored.
        f->Command2_Click();
        f = openOptions();
        QCOMPARE(f->Text2->text(), QStringLiteral("2000"));
        QCOMPARE(f->Text3->text(), QStringLiteral("3000"));
        QVERIFY(!f->Check10->isChecked() && f->Check11->isChecked() && !f->Check12->isChecked());
    }

    // Apply closes and opens the port again: a message under way keeps
    // what it gathered and its own timeout; the new one counts from the
    // next message.
    void acceptedTimeoutCountsFromTheNextMessage()
    {
        Form2 *f = openOptions();
        f->Text4->setText("300");
        f->Command3_Click();
        QCOMPARE(form1()->session().receiveTimeout(), 300);
        QVERIFY(pty->write("kept"));
        QTRY_VERIFY(form1()->session().framing() != Session::Framing::Idle);
        f->Text4->setText("40");
        f->Command3_Click();
        QCOMPARE(form1()->session().receiveTimeout(), 40);
        QTRY_COMPARE(receivedBox(form1())->text(), QStringLiteral("kept\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void portFailureEndsApply()
    {
        Form2 *f = openOptions();
        mapPort(1, scratchDir() + "/no-such-device");
        f->Check5->setChecked(true);
        f->Check10->setChecked(true);
        f->Text4->setText("250");
        f->Command3_Click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(!fakes.messageBox->messages.first().isEmpty());
        QVERIFY(!form1()->session().port()->PortOpen());
        QCOMPARE(stored("otobrDateIn"), QStringLiteral("1"));
        QCOMPARE(stored("NullDiscard"), absent);
        QCOMPARE(stored("Timeout"), absent);
        QCOMPARE(form1()->session().receiveTimeout(), 100);
    }

    void browseChangesTheFileAtOnceAndTheLineAtApply()
    {
        Form2 *f = openOptions();
        f->Check8->setChecked(true);
        const QString chosen = scratchDir() + "/blocks";
        fakes.fileDialog->answers.enqueue(chosen);
        f->Command4_Click();
        QCOMPARE(fakes.fileDialog->requests.size(), 1);
        const FileDialogRequest &r = fakes.fileDialog->requests.first();
        QVERIFY(r.save);
        QVERIFY(r.mustExist);
        QCOMPARE(r.filter, QStringLiteral("text only (*.txt)"));
        QCOMPARE(r.initialPath, defaultAutosaveFile());

        const QString path = chosen + ".txt";
        QCOMPARE(f->CommonDialog1.FileName, path);
        QCOMPARE(stored("FileName"), path);
        QCOMPARE(f->Label1->text(), "Autosave in: " + path);
        QCOMPARE(autosaveLine(form1())->text(), QStringLiteral("Autosave in: "));
        QCOMPARE(stored("LabelSave"), absent);

        // Cancel: the file stays chosen, the lines still name the old one.
        f->Command2_Click();
        QVERIFY(form1()->isEnabled());
        QCOMPARE(autosaveLine(form1())->text(), QStringLiteral("Autosave in: "));
        QCOMPARE(stored("LabelSave"), absent);
        f = openOptions();
        QCOMPARE(f->CommonDialog1.FileName, path);
        QCOMPARE(f->Label1->text(), QStringLiteral("Autosave in: "));

        // Browse again, then Apply: both lines follow.
        const QString other = scratchDir() + "/other.txt";
        fakes.fileDialog->answers.enqueue(other);
        f->Command4_Click();
        QCOMPARE(fakes.fileDialog->requests.last().initialPath, path);
        f->Check8->setChecked(true);
        f->Command3_Click();
        QCOMPARE(stored("LabelSave"), other);
        QCOMPARE(autosaveLine(form1())->text(), "Autosave in: " + other);
        QVERIFY(autosaveLine(form1())->isEnabledTo(form1()));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void browseCancelledChangesNothing()
    {
        Form2 *f = openOptions();
        f->Command4_Click();
        QCOMPARE(fakes.fileDialog->requests.size(), 1);
        QCOMPARE(f->CommonDialog1.FileName, defaultAutosaveFile());
        QCOMPARE(stored("FileName"), absent);
        QCOMPARE(f->Label1->text(), QStringLiteral("Autosave in: "));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void tabIsRememberedByApply()
    {
        Form2 *f = openOptions();
        f->SSTab1->setCurrentIndex(3);
        f->Command3_Click();
        QCOMPARE(stored("SSTab1"), QStringLiteral("3"));
        f->Command2_Click();
        QCOMPARE(openOptions()->SSTab1->currentIndex(), 3);

        // Changing the tab without Apply is forgotten.
        windows().optionsWindow()->SSTab1->setCurrentIndex(1);
        windows().optionsWindow()->Command2_Click();
        QCOMPARE(openOptions()->SSTab1->currentIndex(), 3);

        restart();
        QCOMPARE(openOptions()->SSTab1->currentIndex(), 3);

        // Russian interface: the same tab, and the autosave line in Russian,
        // also after Browse.
        writeSetting("Lng", "Lng", "0");
        windows().optionsWindow()->Command2_Click();
        f = openOptions();
        QCOMPARE(f->SSTab1->currentIndex(), 3);
        // Apply stored the dialog's file name as the path of the line.
        QCOMPARE(f->Label1->text(), QStringLiteral("Автосохранение в: ") + defaultAutosaveFile());
        fakes.fileDialog->answers.enqueue(scratchDir() + "/ru.txt");
        f->Command4_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("Автосохранение в: ") + scratchDir() + "/ru.txt");
    }

    void storedValuesOutOfShape_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");  // check box state, or tab index
        // How each stored value reads is the options' own test; these show
        // the window takes what the options read.

        QTest::newRow("switch 2") << "otobrOtprStr" << "2" << 1;
        QTest::newRow("switch letters") << "otobrOtprStr" << "yes" << 0;
        QTest::newRow("autosave 5") << "Autosave" << "5" << 1;
        QTest::newRow("line switch 3") << "DTREnable" << "3" << 1;
        QTest::newRow("tab 2.5") << "SSTab1" << "2.5" << 2;
        QTest::newRow("tab 4") << "SSTab1" << "4" << 0;
    }

    void storedValuesOutOfShape()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, expected);
        writeSetting("Parametr", key, value);
        Form2 *f = openOptions();
        QVERIFY(f->isVisible());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        if (key == "SSTab1") {
            QCOMPARE(f->SSTab1->currentIndex(), expected);
        } else {
            QCheckBox *box = key == "Autosave" ? f->Check8 : key == "DTREnable" ? f->Check12 : f->Check1;
            QCOMPARE(int(box->isChecked()), expected);
        }
        if (key == "otobrOtprStr")
            QCOMPARE(f->Check2->isEnabled(), expected != 0);
        if (key == "Autosave")
            QCOMPARE(f->Command4->isEnabled(), expected != 0);
        // Apply writes them back in shape.
        f->Command3_Click();
        const QString back = stored(key);
        QCOMPARE(back, QString::number(expected));
    }

    void clearingThenRestartRunsOnDefaults()
    {
        Form2 *f = openOptions();
        for (QCheckBox *c : checks(f))
            c->setChecked(true);
        f->Text4->setText("250");
        f->Text2->setText("2000");
        f->SSTab1->setCurrentIndex(3);
        f->Command3_Click();
        QCOMPARE(stored("Timeout"), QStringLiteral("250"));

        f->Command5_Click();
        QVERIFY(windows().hasClearSettingsPrompt());
        Dialog1 *d = windows().clearSettingsPrompt();
        QVERIFY(d->isVisible());
        QVERIFY(!f->isEnabled());
        QVERIFY(!form1()->isEnabled());
        d->OKButton_Click();
        QVERIFY(!windows().hasClearSettingsPrompt());
        QVERIFY(f->isEnabled());
        QVERIFY(!form1()->isEnabled());
        QCOMPARE(stored("Timeout"), absent);
        QCOMPARE(readSetting("OtherSet", "CommPort", absent), absent);
        QCOMPARE(readSetting("Setings", "BaudRate", absent), absent);
        // Nothing running is reset.
        QCOMPARE(f->Text4->text(), QStringLiteral("250"));
        QVERIFY(f->Check12->isChecked());
        QCOMPARE(form1()->session().receiveTimeout(), 250);
        QCOMPARE(form1()->session().port()->InBufferSize(), 2000);

        f->Command2_Click();
        restart();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        Form1 *m = form1();
        QCOMPARE(list(m, "Combo1")->currentText(), QStringLiteral("COM1"));
        QCOMPARE(m->session().port()->Settings(), QStringLiteral("9600,n,8,2"));
        QCOMPARE(m->session().receiveTimeout(), 100);
        QCOMPARE(m->session().port()->InBufferSize(), 1024);
        QCOMPARE(m->session().port()->OutBufferSize(), 512);
        const MSComm *port = m->session().port();
        QVERIFY(!port->NullDiscard() && !port->RTSEnable() && !port->DTREnable());
        f = openOptions();
        for (QCheckBox *c : checks(f))
            QVERIFY2(!c->isChecked(), qPrintable(c->objectName()));
        QCOMPARE(f->Text4->text(), QStringLiteral("100"));
        QCOMPARE(f->Text1->text(), QStringLiteral("512"));
        QCOMPARE(f->SSTab1->currentIndex(), 0);
        QCOMPARE(f->Label1->text(), QStringLiteral("Autosave in: "));
    }

    void clearingThenOkStoresTheWindowAgain()
    {
        Form2 *f = openOptions();
        const QString browsed = scratchDir() + "/kept.txt";
        fakes.fileDialog->answers.enqueue(browsed);
        f->Command4_Click();
        f->Check4->setChecked(true);
        f->Text4->setText("300");
        f->Command3_Click();
        QCOMPARE(stored("FileName"), browsed);

        f->Command5_Click();
        windows().clearSettingsPrompt()->OKButton_Click();
        QCOMPARE(stored("FileName"), absent);
        mapTestPort();
        f->Command1_Click();
        QVERIFY(!windows().hasOptionsWindow());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(stored("otobrSize"), QStringLiteral("1"));
        QCOMPARE(stored("otobrOtprStr"), QStringLiteral("0"));
        QCOMPARE(stored("Timeout"), QStringLiteral("300"));
        QCOMPARE(stored("SizeDlin"), QStringLiteral("512"));
        QCOMPARE(stored("InBufferSize"), QStringLiteral("1024"));
        QCOMPARE(stored("OutBufferSize"), QStringLiteral("512"));
        QCOMPARE(stored("SSTab1"), QStringLiteral("0"));
        QCOMPARE(stored("LabelSave"), browsed);
        QCOMPARE(stored("FileName"), absent);
        QCOMPARE(readSetting("Lng", "Lng", absent), absent);
        QCOMPARE(readSetting("OtherSet", "CommPort", absent), absent);

        // The next window falls back to the default autosave file, while its
        // line still names the earlier one.
        f = openOptions();
        QCOMPARE(f->CommonDialog1.FileName, defaultAutosaveFile());
        QCOMPARE(f->Label1->text(), "Autosave in: " + browsed);
    }

    void clearingCancelledDeletesNothing_data()
    {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("frame close") << true;
    }

    void clearingCancelledDeletesNothing()
    {
        QFETCH(bool, byFrame);
        Form2 *f = openOptions();
        f->Command3_Click();
        f->Command5_Click();
        Dialog1 *d = windows().clearSettingsPrompt();
        QVERIFY(!f->isEnabled());
        if (byFrame)
            d->close();
        else
            d->CancelButton_Click();
        QVERIFY(!windows().hasClearSettingsPrompt());
        QVERIFY(f->isEnabled());
        QVERIFY(f->isVisible());
        QCOMPARE(stored("Timeout"), QStringLiteral("100"));
        QCOMPARE(readSetting("OtherSet", "CommPort", absent), QStringLiteral("COM1"));
    }

    void dialogLayouts()
    {
        Form2 *f = openOptions();
        f->Command5_Click();
        Dialog1 *d1 = windows().clearSettingsPrompt();
        QVERIFY(d1->isWindow() && (d1->windowFlags() & Qt::Dialog));
        QCOMPARE(d1->width(), twips(4800));
        QVERIFY(d1->height() >= twips(1395));
        QCOMPARE(d1->Label1->pos(), twipsRect(120, 120, 4455, 615).topLeft());
        QVERIFY(d1->Label1->wordWrap());
        QVERIFY(d1->Label1->height() >= d1->Label1->heightForWidth(d1->Label1->width()));
        // The buttons sit below the whole message, as far below it as drawn.
        const int below = d1->height() - twips(1395);
        QCOMPARE(d1->OKButton->geometry(), twipsRect(840, 840, 1335, 375).translated(0, below));
        QCOMPARE(d1->CancelButton->geometry(), twipsRect(2640, 840, 1215, 375).translated(0, below));
        QVERIFY(d1->OKButton->y() > d1->Label1->geometry().bottom());
        QVERIFY(d1->Label1->text().contains(QStringLiteral("настройки  пользователя")));
        d1->CancelButton_Click();

        f->Text4->setText("0");
        f->Command3_Click();
        Dialog2 *d2 = windows().warning();
        QVERIFY(d2->isWindow() && (d2->windowFlags() & Qt::Dialog));
        QCOMPARE(d2->height(), twips(1170));
        QVERIFY(d2->width() >= twips(2055));
        QCOMPARE(d2->OKButton->geometry(), twipsRect(360, 600, 1215, 375));
        QCOMPARE(d2->Label1->pos(), twipsRect(120, 120, 2175, 375).topLeft());
        // The words are cut short neither by their box nor by the window.
        QVERIFY(d2->Label1->width() >= d2->Label1->sizeHint().width());
        QVERIFY(d2->Label1->x() + d2->Label1->sizeHint().width() <= d2->width());
    }

    void warningFrameCloseEnablesBothWindows()
    {
        Form2 *f = openOptions();
        f->Text3->setText("1");
        f->Command3_Click();
        QVERIFY(windows().warningShowing());
        windows().warning()->close();
        QVERIFY(!windows().warningShowing());
        QVERIFY(!windows().hasWarning());
        QVERIFY(form1()->isEnabled());
        QVERIFY(f->isEnabled());
    }

    void warningWithoutOptionsWindow()
    {
        // The transmit path shows the warning while the Options window is
        // hidden or absent; the window created behind it is disabled too.
        windows().unloadOptionsWindow();
        QVERIFY(!windows().warningShowing());
        QVERIFY(!windows().hasWarning());
        windows().showWarning();
        QVERIFY(windows().warningShowing());
        QVERIFY(windows().hasOptionsWindow());
        QVERIFY(!windows().optionsWindow()->isVisible());
        QVERIFY(!windows().optionsWindow()->isEnabled());
        QVERIFY(!form1()->isEnabled());
        Dialog2 *d = windows().warning();
        windows().showWarning();
        QCOMPARE(windows().warning(), d);
        d->OKButton_Click();
        QVERIFY(form1()->isEnabled());
        QVERIFY(windows().optionsWindow()->isEnabled());
        QVERIFY(!windows().warningShowing());
    }

    void messagesUseTheBoxesAppliedOrNotWhileShown()
    {
        Form2 *f = openOptions();
        f->Check7->setChecked(true);
        form1()->session().setReceiveTimeout(30);
        QVERIFY(pty->write("shown"));
        QTRY_COMPARE(receivedBox(form1())->text(), QStringLiteral("shown  Size, byte: 5\r\n"));
        // Cancel: the stored options again, and no window is made to read them.
        f->Command2_Click();
        QVERIFY(pty->write("gone"));
        QTRY_COMPARE(receivedBox(form1())->text(), QStringLiteral("gone\r\nshown  Size, byte: 5\r\n"));
        QVERIFY(!windows().hasOptionsWindow());
    }

    void optionsFrameCloseIsCancel()
    {
        Form2 *f = openOptions();
        f->Text4->setText("250");
        f->Check1->setChecked(true);
        QVERIFY(!form1()->isEnabled());
        f->close();
        QVERIFY(form1()->isEnabled());
        QVERIFY(!windows().hasOptionsWindow());
        QCOMPARE(stored("Timeout"), absent);
        QCOMPARE(stored("otobrOtprStr"), absent);
        QCOMPARE(form1()->session().receiveTimeout(), 100);
        // The next reader re-creates it from the store.
        QVERIFY(!windows().optionsWindow()->Check1->isChecked());
    }
};

KESTRUM_TEST_MAIN(OptionsTest)
#include "test_options.moc"
