// The Find window's wiring: Edit > Find, Find Next, F3 and Shift+F3 from
// the main window, Count, a faulty expression, Esc, the stored text, the
// captions in both languages.
#include "ui/dialogs/finddialog.h"
#include "ui/main/form1.h"
#include "ui/received/receivedbox.h"
#include "ui/main/windows.h"
#include "core/settings/settings.h"
#include "support/controls.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

using namespace kestrum;
using namespace kestrum::test;

class FindTest : public ProgramTest {
    Q_OBJECT
private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    void findWindowFindsCountsAndRemembers()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        // Edit comes after File; the other menus keep their places.
        QStringList menus;
        for (QAction *a : f->menuBar()->actions())
            menus << a->menu()->objectName();
        QCOMPARE(menus, QStringList({"mnuFile", "mnuEdit", "mnuView", "mnuTransmit", "mnuLng", "mnuSpravka"}));
        QCOMPARE(action(f, "mnuFind")->text(), QStringLiteral("Find..."));

        receivedBox(f)->setText(QStringLiteral("boot\r\nCRC error 12\r\nok\r\ncrc Error 7\r\n"));
        action(f, "mnuFind")->trigger();
        QVERIFY(windows().hasFindWindow());
        FindDialog *d = windows().findWindow();
        QVERIFY(d->isVisible());
        QCOMPARE(d->Command2->text(), QStringLiteral("Count"));
        QVERIFY(d->Option2->isChecked());
        auto selected = [&] { return receivedBox(f)->selectedText(); };
        auto caret = [&] { return receivedBox(f)->cursorPosition(); };

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

        // A match in a long line, reaching over the edge between two pieces
        // the box lays out apart (column 2048), is scrolled into view and,
        // once the selection leaves it, marked whole.
        // So is one behind colour sequences the box does not show.
        for (const QString &hidden : {QString(), QStringLiteral("\x1b[1m").repeated(40)}) {
            receivedBox(f)->setText(hidden + QString(2044, 'x') + QStringLiteral("brown-out") + QString(3000, 'x'));
            d->Text1->setText(QStringLiteral("BROWN-OUT"));
            d->Command1->click();
            QTRY_COMPARE(selected(), QStringLiteral("brown-out"));
            receivedBox(f)->setCursorPosition(caret());
            const QImage shot = receivedBox(f)->viewport()->grab().toImage();
            int left = shot.width(), right = -1;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (shot.pixelColor(x, y) == QColor(255, 191, 0)) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            const qreal wide = QFontMetricsF(receivedBox(f)->font()).horizontalAdvance(QStringLiteral("brown-out"));
            QVERIFY2(qAbs(right - left + 1 - wide) <= 2, qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));
        }

        d->Check1->setChecked(true);
        d->Command1->click();
        QTRY_COMPARE(d->Label2->text(), QStringLiteral("Not found"));
        d->Check2->setChecked(true);
        d->Text1->setText(QStringLiteral("error (\\d+"));
        d->Command2->click();
        QTRY_VERIFY(d->Label2->text().startsWith(QStringLiteral("Invalid regular expression (at ")));
        QCOMPARE(readSetting("Find", "Text", ""), QStringLiteral("error (\\d+"));

        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!windows().hasFindWindow());
        // The window comes back with the last search, in the language now chosen.
        action(f, "mnuRus")->trigger();
        QCOMPARE(menu(f, "mnuEdit")->title(), QStringLiteral("Правка"));
        action(f, "mnuFind")->trigger();
        d = windows().findWindow();
        QCOMPARE(d->windowTitle(), QStringLiteral("Найти"));
        QCOMPARE(d->Text1->text(), QStringLiteral("error (\\d+"));
        QVERIFY(d->Check1->isChecked() && d->Check2->isChecked());
        d->Command1->click();
        QTRY_VERIFY(d->Label2->text().startsWith(QStringLiteral("Ошибка в регулярном выражении (позиция ")));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }
};

KESTRUM_TEST_MAIN(FindTest)
#include "test_find.moc"
