// The Find window's wiring: Edit > Find, Find Next, F3 and Shift+F3 from
// the main window, Count, a faulty expression, Esc, the stored text, the
// captions in both languages.
#include "ui/finddialog.h"
#include "ui/form1.h"
#include "ui/receivedbox.h"
#include "ui/windows.h"
#include "core/settings.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

using namespace kestrum;
using namespace kestrum::test;

class FindTest : public QObject {
    Q_OBJECT
private slots:
    void findWindowFindsCountsAndRemembers()
    {
        resetProgramState();
        Fakes fakes = installFakes();
        Pty pty;
        mapPort(1, pty.slavePath());
        Form1 *f = startProgram();
        // Edit comes after File; the other menus keep their places.
        QStringList menus;
        for (QAction *a : f->menuBar()->actions())
            menus << a->menu()->objectName();
        QCOMPARE(menus, QStringList({"mnuFile", "mnuEdit", "mnuTransmit", "mnuLng", "mnuSpravka"}));
        QCOMPARE(f->mnuFind->text(), QStringLiteral("Find..."));

        f->Text2->setText(QStringLiteral("boot\r\nCRC error 12\r\nok\r\ncrc Error 7\r\n"));
        f->mnuFind->trigger();
        QVERIFY(windows().hasFindDialog());
        FindDialog *d = windows().findDialog();
        QVERIFY(d->isVisible());
        QCOMPARE(d->Command2->text(), QStringLiteral("Count"));
        QVERIFY(d->Option2->isChecked());
        auto selected = [&] { return f->Text2->selectedText(); };
        auto caret = [&] { return f->Text2->cursorPosition(); };

        d->Text1->setText(QStringLiteral("CRC ERROR"));
        d->Command1->click();
        QTRY_COMPARE(caret(), 15);
        QCOMPARE(selected(), QStringLiteral("CRC error"));
        f->activateWindow();
        QTRY_VERIFY(f->isActiveWindow());
        QTest::keyClick(f, Qt::Key_F3);
        QTRY_COMPARE(caret(), 33);
        QCOMPARE(selected(), QStringLiteral("crc Error"));
        d->Command2->click();
        QTRY_COMPARE(d->Label2->text(), QStringLiteral("2 of 2"));
        // Down from the last one goes round to the first; Shift+F3 goes up.
        QTest::keyClick(f, Qt::Key_F3);
        QTRY_COMPARE(caret(), 15);
        QCOMPARE(d->Label2->text(), QStringLiteral("Continued from the top"));
        QTest::keyClick(f, Qt::Key_F3, Qt::ShiftModifier);
        QTRY_COMPARE(caret(), 33);

        d->Check1->setChecked(true);
        d->Command1->click();
        QTRY_COMPARE(d->Label2->text(), QStringLiteral("Not found"));
        d->Check2->setChecked(true);
        d->Text1->setText(QStringLiteral("error (\\d+"));
        d->Command2->click();
        QTRY_VERIFY(d->Label2->text().startsWith(QStringLiteral("Invalid regular expression (at ")));
        QCOMPARE(readSetting("Find", "Text", ""), QStringLiteral("error (\\d+"));

        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!windows().hasFindDialog());
        // The window comes back with the last search, in the language now chosen.
        f->mnuRus->trigger();
        QCOMPARE(f->mnuEdit->title(), QStringLiteral("Правка"));
        f->mnuFind->trigger();
        d = windows().findDialog();
        QCOMPARE(d->windowTitle(), QStringLiteral("Найти"));
        QCOMPARE(d->Text1->text(), QStringLiteral("error (\\d+"));
        QVERIFY(d->Check1->isChecked() && d->Check2->isChecked());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        windows().destroyAll();
    }
};

KESTRUM_TEST_MAIN(FindTest)
#include "test_find.moc"
