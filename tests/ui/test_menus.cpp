// The menus added to the main window: their place and captions, the hex
// view and the send mode they choose and remember, Send file with its
// progress window, Send break.
#include "ui/main/form1.h"
#include "ui/actions/transmitactions.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/sendfiledialog.h"
#include "ui/main/windows.h"
#include "core/sending/filesend.h"
#include "core/session/session.h"
#include "core/settings/settings.h"
#include "core/port/mscomm.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace kestrum;
using namespace kestrum::test;

class MenusTest : public ProgramTest {
    Q_OBJECT
    static QStringList titles(Form1 *f)
    {
        QStringList t;
        for (QAction *a : f->menuBar()->actions())
            t << a->text();
        return t;
    }

private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    // The log's items: off at first; a file each day is the day's file, which
    // the autosave line names; the choice is kept for the next run.
    void logItems()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        QCOMPARE(menu(f, "mnuAutosaveFiles")->title(), QStringLiteral("Autosave files"));
        QCOMPARE(action(f, "mnuDelta")->text(), QStringLiteral("Time since the last message"));
        QVERIFY(action(f, "mnuOneFile")->isChecked());
        for (const char *name : {"mnuFileEachDay", "mnuFileAtSize", "mnuPortEvents", "mnuMilliseconds", "mnuDelta"})
            QVERIFY2(!action(f, name)->isChecked(), name);
        const QString chosen = autosaveTo(QStringLiteral("daily.txt"));
        fakes.clock->current = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
        action(f, "mnuFileEachDay")->trigger();
        QVERIFY(pty->write("hi"));
        const QString day = chosen.chopped(4) + QStringLiteral(" 2026-12-08.txt");
        QTRY_COMPARE(readBytes(day), QByteArray("hi\r\n"));
        QVERIFY(!QFile::exists(chosen));
        QVERIFY2(f->findChild<QLabel *>(QStringLiteral("Label8"))->text().endsWith(QDir::toNativeSeparators(day)),
                 qPrintable(f->findChild<QLabel *>(QStringLiteral("Label8"))->text()));
        // The size a new file starts at is asked in a window of its own.
        action(f, "mnuFileSize")->trigger();
        auto *ask = f->findChild<QInputDialog *>(QStringLiteral("FileSizeWindow"));
        QVERIFY(ask && ask->isVisible());
        QCOMPARE(ask->doubleValue(), 100.0);
        ask->setDoubleValue(0.5);
        ask->accept();
        QCOMPARE(f->session().logChoices().fileSizeMB, 0.5);
        action(f, "mnuRus")->trigger();
        QCOMPARE(action(f, "mnuFileEachDay")->text(), QStringLiteral("Новый файл каждый день"));
        closeProgram();
        f = startTestProgram();
        QVERIFY(action(f, "mnuFileEachDay")->isChecked());
        QCOMPARE(f->session().logChoices().fileSizeMB, 0.5);
    }

    void transmitMenu()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        QCOMPARE(titles(f).join(QLatin1Char('|')), QStringLiteral("File|Edit|View|Transmit|Язык/Language|Help"));
        QVERIFY(action(f, "mnuSendText")->isChecked());
        action(f, "mnuRus")->trigger();
        QCOMPARE(menu(f, "mnuTransmit")->title(), QStringLiteral("Передача"));
        action(f, "mnuEng")->trigger();

        // The choice sends hex and is kept for the next run; clearing the
        // store forgets it.
        action(f, "mnuSendHex")->trigger();
        sendBox(f)->setPlainText(QStringLiteral("01 0d\n0A"));
        f->transmit().Command1_Click();
        QCOMPARE(pty->read(1000, 3), QByteArray("\x01\x0D\x0A"));
        sendBox(f)->setPlainText(QStringLiteral("01 0"));
        f->transmit().Command1_Click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QCOMPARE(pty->read(200), QByteArray());
        closeProgram();
        f = startTestProgram();
        QVERIFY(action(f, "mnuSendHex")->isChecked());
        deleteAllSettings();
        closeProgram();
        f = startTestProgram();
        QVERIFY(action(f, "mnuSendText")->isChecked());

        // Send file: the progress window while it goes, gone when it is done.
        const QString path = scratchDir() + QStringLiteral("/menu.bin");
        writeBytes(path, QByteArray(3000, 'z'));
        f->session().port()->setSettings(QStringLiteral("9600,n,8,1"));
        fakes.fileDialog->answers.enqueue(path);
        action(f, "mnuSendFile")->trigger();
        auto *progress = f->findChild<DialogSendFile *>(QStringLiteral("DialogSendFile"));
        QVERIFY(progress && progress->isVisible());
        QTRY_VERIFY(pty->read(50).size() > 0);
        QTest::mouseClick(progress->CancelButton, Qt::LeftButton);
        QVERIFY(!f->session().fileSender()->isSending());
        QTRY_VERIFY(!f->findChild<DialogSendFile *>());

        action(f, "mnuSendBreak")->trigger();
        QVERIFY(f->session().port()->isBreakOn());
        QTRY_VERIFY(!f->session().port()->isBreakOn());
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    // View > Hex shows the document as bytes, copies what it shows, is not
    // typed into, and is kept for the next run until the store is cleared.
    void hexView()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        QCOMPARE(action(f, "mnuHex")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(menu(f, "mnuView")->title(), QStringLiteral("View"));
        action(f, "mnuRus")->trigger();
        QCOMPARE(menu(f, "mnuView")->title(), QStringLiteral("Вид"));
        const QString document = QStringLiteral("02:35:00    Hi  Size, byte: 2\r\nя");
        receivedBox(f)->setText(document);
        action(f, "mnuHex")->trigger();
        QVERIFY(receivedBox(f)->isHexView());
        receivedBox(f)->selectAll();
        QCOMPARE(receivedBox(f)->selectedText(), QStringLiteral("02:35:00    48 69  Size, byte: 2\nFF"));
        receivedBox(f)->setCursorPosition(0);
        QTest::keyClicks(receivedBox(f), QStringLiteral("x"));
        QTest::keyClick(receivedBox(f), Qt::Key_Delete);
        QCOMPARE(receivedBox(f)->text(), document);

        closeProgram();
        f = startTestProgram();
        QVERIFY(action(f, "mnuHex")->isChecked() && receivedBox(f)->isHexView());
        action(f, "mnuHex")->trigger();
        QVERIFY(!receivedBox(f)->isHexView());
        action(f, "mnuHex")->trigger();
        deleteAllSettings();
        closeProgram();
        f = startTestProgram();
        QVERIFY(!action(f, "mnuHex")->isChecked() && !receivedBox(f)->isHexView());
    }
};

KESTRUM_TEST_MAIN(MenusTest)
#include "test_menus.moc"
