// Leaving the program: the exit check, the close request and the
// save-changes prompt.
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "ui/main/exitcheck.h"
#include "core/session.h"
#include "ui/main/windows.h"
#include "ui/dialogs/savechangesprompt.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/aboutdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "core/error.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/closeframe.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>
#include <memory>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// No window of the program is left on screen, so nothing keeps it running.
bool nothingShown()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return false;
    return true;
}

bool promptShown() { return windows().hasSavePrompt() && windows().savePrompt()->isVisible(); }

} // namespace

class ExitTest : public ProgramTest {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    Form1 *f = nullptr;

    QString path(const QString &name) const { return dir->filePath(name); }

    void open(const QString &file) { openViaMenu(f, fakes, file); }

    // The program is over: the main window closed, every other window gone.
    void verifyEnded()
    {
        QVERIFY(!f->isVisible());
        QVERIFY(!windows().hasSavePrompt());
        QVERIFY(!windows().hasWarning());
        QVERIFY(!windows().hasOptionsWindow());
        QVERIFY(nothingShown());
    }

    // Still running: the main window usable, no prompt.
    void verifyRunning()
    {
        QVERIFY(f->isVisible());
        QVERIFY(f->isEnabled());
        QVERIFY(!windows().hasSavePrompt());
    }

    // The prompt is up and the main window waits for it.
    void verifyAsking()
    {
        QVERIFY(promptShown());
        QVERIFY(f->isVisible());
        QVERIFY(!f->isEnabled());
        QCOMPARE(f->session().state().exitConfirmed, qint16(0));
    }

private slots:
    void init()
    {
        beginTest();
        dir = std::make_unique<QTemporaryDir>(scratchDir() + QStringLiteral("/exit-XXXXXX"));
        QVERIFY(dir->isValid());
        f = startOnPty();
        QVERIFY(f);
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QVERIFY(f->isVisible());
    }

    void cleanup()
    {
        endTest();
        f = nullptr;
        dir.reset();
    }

    void exitAtOnceEndsWithoutAsking()
    {
        action(f, "mnuExit")->trigger();
        QCOMPARE(f->session().state().exitConfirmed, qint16(1));
        verifyEnded();
        QCOMPARE(fakes.fileDialog->requests.size(), 0);
    }

    void whenTheExitAsks_data()
    {
        QTest::addColumn<QString>("story");
        QTest::addColumn<bool>("asks");
        QTest::newRow("receive") << "receive" << true;
        QTest::newRow("receive, Save As") << "receive saveas" << true;
        QTest::newRow("open, Save") << "open save" << false;
        QTest::newRow("open") << "open" << true;
        QTest::newRow("receive, clear") << "receive clear" << false;
        QTest::newRow("receive, clear, receive") << "receive clear receive" << true;
        QTest::newRow("send only") << "send" << false;
        QTest::newRow("Save As without data") << "saveas" << false;
        // Save before any Open is Save As, which keeps the text unsaved.
        QTest::newRow("receive, Save") << "receive save" << true;
        QTest::newRow("open, receive, Save") << "open receive save" << false;
    }

    void whenTheExitAsks()
    {
        QFETCH(QString, story);
        QFETCH(bool, asks);
        QVERIFY(writeBytes(path("doc.txt"), "d1\r\n"));
        int n = 0;
        for (const QString &step : story.split(QLatin1Char(' '))) {
            if (step == QLatin1String("receive")) {
                showAsReceived(f, QStringLiteral("m%1").arg(++n));
            } else if (step == QLatin1String("saveas")) {
                fakes.fileDialog->answers.enqueue(path("as.txt"));
                action(f, "mnuSave_as")->trigger();
                QVERIFY(QFile::exists(path("as.txt")));
            } else if (step == QLatin1String("save")) {
                fakes.fileDialog->answers.enqueue(path("saved.txt"));
                action(f, "mnuSave")->trigger();
            } else if (step == QLatin1String("open")) {
                open(path("doc.txt"));
            } else if (step == QLatin1String("clear")) {
                button(f, "Command8")->click();
            } else if (step == QLatin1String("send")) {
                // A sent message shown in the box does not count as unsaved.
                receivedBox(f)->prepend(QStringLiteral("<<SenD>> hello\r\n"));
            }
        }
        QCOMPARE(fakes.messageBox->messages, QStringList());
        // The main window's Cancel button; File > Exit runs the same check.
        button(f, "Command7")->click();
        if (asks) {
            verifyAsking();
        } else {
            QCOMPARE(f->session().state().exitConfirmed, qint16(1));
            verifyEnded();
        }
    }

    void yesWritesIntoTheOpenedDocument()
    {
        QVERIFY(writeBytes(path("A.txt"), "a1\r\n"));
        open(path("A.txt"));
        showAsReceived(f, QStringLiteral("r1"));
        // Save As since then does not change where Yes writes.
        fakes.fileDialog->answers.enqueue(path("B.txt"));
        action(f, "mnuSave_as")->trigger();
        showAsReceived(f, QStringLiteral("r2"));
        const int dialogs = fakes.fileDialog->requests.size();
        action(f, "mnuExit")->trigger();
        verifyAsking();
        windows().savePrompt()->OKButton->click();
        QCOMPARE(fakes.fileDialog->requests.size(), dialogs);
        QCOMPARE(readBytes(path("A.txt")), QByteArray("r2\r\nr1\r\na1\r\n\r\n"));
        QCOMPARE(readBytes(path("B.txt")), QByteArray("r1\r\na1\r\n\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
        verifyEnded();
    }

    void yesAsksForAFileWhenNothingWasOpened()
    {
        showAsReceived(f, QStringLiteral("m1"));
        action(f, "mnuExit")->trigger();
        verifyAsking();
        Dialog4 *prompt = windows().savePrompt();
        fakes.fileDialog->answers.enqueue(path("kept"));
        prompt->OKButton->click();
        QCOMPARE(readBytes(path("kept.txt")), QByteArray("m1\r\n\r\n"));
        QCOMPARE(readSetting("Parametr", "FileNameSaveAs", "?"), path("kept.txt"));
        QCOMPARE(fakes.fileDialog->requests.size(), 1);
        const FileDialogRequest &r = fakes.fileDialog->requests.constFirst();
        QVERIFY(r.save);
        QVERIFY(r.confirmOverwrite);
        QCOMPARE(r.filter, QStringLiteral("text only (*.txt)"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
        verifyEnded();
    }

    void yesWritesIntoTheOpenedDocumentWhenTheStoreFails()
    {
        // The store's folder is a regular file: nothing can be stored, and
        // the prompt must still not write into some other file.
        QVERIFY(writeBytes(path("A.txt"), "a1\r\n"));
        const QString store = QFileInfo(settingsFilePath()).absolutePath();
        QDir(store).removeRecursively();
        QVERIFY(writeBytes(store, "not a folder"));
        const auto restore = qScopeGuard([store] { QFile::remove(store); });
        open(path("A.txt"));
        QCOMPARE(readSetting("Parametr", "FileNameOpen", "<unset>"), QStringLiteral("<unset>"));
        QCOMPARE(f->session().state().openedFileName, path("A.txt"));
        showAsReceived(f, QStringLiteral("r1"));
        action(f, "mnuExit")->trigger();
        windows().savePrompt()->OKButton->click();
        QCOMPARE(readBytes(path("A.txt")), QByteArray("r1\r\na1\r\n\r\n"));
        QVERIFY(!QFile::exists(defaultDocumentFile()));
        verifyEnded();
    }

    void leavingWhileTheSecondTickWaitsKeepsTheLog()
    {
        const QString log = path("log.txt");
        autosaveInto(log);
        f->session().setReceiveTimeout(30);
        QVERIFY(pty->write("first"));
        QTRY_COMPARE(readBytes(log), QByteArray("first\r\n"));

        // A port event without data: the second tick waits for the device.
        bool answered = false;
        QTimer::singleShot(200, f, [&] {
            QVERIFY(f->session().isWaitingForData());
            action(f, "mnuExit")->trigger();
            QVERIFY(promptShown());
            windows().savePrompt()->CancelButton->click();
            answered = true;
        });
        f->MSComm1_OnComm();
        QTRY_VERIFY(answered);
        QTRY_VERIFY(!f->session().isWaitingForData());
        verifyEnded();
        QCOMPARE(readBytes(log), QByteArray("first\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void noLeavesWithoutSaving()
    {
        QVERIFY(writeBytes(path("A.txt"), "a1\r\n"));
        open(path("A.txt"));
        showAsReceived(f, QStringLiteral("r1"));
        action(f, "mnuExit")->trigger();
        verifyAsking();
        windows().savePrompt()->CancelButton->click();
        QCOMPARE(readBytes(path("A.txt")), QByteArray("a1\r\n"));
        QCOMPARE(fakes.fileDialog->requests.size(), 1);
        verifyEnded();
    }

    void cancelledSaveThenCancelReturnsAndAsksAgain()
    {
        showAsReceived(f, QStringLiteral("m1"));
        action(f, "mnuExit")->trigger();
        verifyAsking();
        Dialog4 *prompt = windows().savePrompt();
        fakes.fileDialog->answers.enqueue(std::nullopt);
        prompt->OKButton->click();
        // Nothing said, nothing closed: the user answers again.
        QCOMPARE(fakes.messageBox->messages, QStringList());
        verifyAsking();
        QCOMPARE(windows().savePrompt(), prompt);
        QCOMPARE(readSetting("Parametr", "FileNameSaveAs", "<unset>"), QStringLiteral("<unset>"));

        prompt->Command1->click();
        verifyRunning();
        QCOMPARE(f->session().state().exitConfirmed, qint16(0));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("m1\r\n"));

        action(f, "mnuExit")->trigger();
        verifyAsking();
    }

    void failedYesSaysWhyAndKeepsAsking()
    {
        QVERIFY(writeBytes(path("plain"), "x"));
        showAsReceived(f, QStringLiteral("m1"));
        action(f, "mnuExit")->trigger();
        Dialog4 *prompt = windows().savePrompt();
        fakes.fileDialog->answers.enqueue(path("plain/lost.txt"));
        prompt->OKButton->click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY2(fakes.messageBox->messages.constFirst().contains(shownPath(QDir::toNativeSeparators(path("plain/lost.txt")))),
                 qPrintable(fakes.messageBox->messages.constFirst()));
        verifyAsking();
        QCOMPARE(windows().savePrompt(), prompt);
        // The choice is remembered although the file could not be written.
        QCOMPARE(readSetting("Parametr", "FileNameSaveAs", "?"), path("plain/lost.txt"));

        // Answering again with a good file ends the program.
        fakes.fileDialog->answers.enqueue(path("good.txt"));
        prompt->OKButton->click();
        QCOMPARE(readBytes(path("good.txt")), QByteArray("m1\r\n\r\n"));
        verifyEnded();
    }

    void failedYesIntoTheOpenedDocumentKeepsAsking()
    {
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("docs")));
        QVERIFY(writeBytes(path("docs/A.txt"), "a1\r\n"));
        open(path("docs/A.txt"));
        showAsReceived(f, QStringLiteral("r1"));
        QVERIFY(QDir(dir->path()).rename(QStringLiteral("docs"), QStringLiteral("moved")));
        action(f, "mnuExit")->trigger();
        windows().savePrompt()->OKButton->click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        verifyAsking();
        QCOMPARE(readBytes(path("moved/A.txt")), QByteArray("a1\r\n"));
        // No still leaves.
        windows().savePrompt()->CancelButton->click();
        verifyEnded();
    }

    void promptFrameCloseIsCancel()
    {
        showAsReceived(f, QStringLiteral("m1"));
        action(f, "mnuExit")->trigger();
        verifyAsking();
        QVERIFY(windows().savePrompt()->close());
        verifyRunning();
        QCOMPARE(f->session().state().exitConfirmed, qint16(0));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        action(f, "mnuExit")->trigger();
        verifyAsking();
    }

    void closeBoxWithNothingUnsavedEnds()
    {
        QWidgetWindow::closeFromFrame(f);
        QCOMPARE(f->session().state().exitConfirmed, qint16(1));
        verifyEnded();
    }

    void closeBoxWithUnsavedTextAsks()
    {
        showAsReceived(f, QStringLiteral("m1"));
        QWidgetWindow::closeFromFrame(f);
        verifyAsking();
        // Again while the prompt is up: still refused, still one prompt.
        Dialog4 *prompt = windows().savePrompt();
        QVERIFY(!f->exitCheck().Form_QueryUnload(true));
        QCOMPARE(windows().savePrompt(), prompt);
        verifyAsking();
        // Cancel, then the close box again: the same question.
        windows().savePrompt()->Command1->click();
        verifyRunning();
        QWidgetWindow::closeFromFrame(f);
        verifyAsking();
        windows().savePrompt()->CancelButton->click();
        verifyEnded();
    }

    void cancelEnablesTheMainWindowBesideOptions()
    {
        // The close box reaches the main window while Options holds it.
        showAsReceived(f, QStringLiteral("m1"));
        button(f, "Command4")->click();
        QVERIFY(windows().optionsWindow()->isVisible());
        QVERIFY(!f->isEnabled());
        QWidgetWindow::closeFromFrame(f);
        verifyAsking();
        windows().savePrompt()->Command1->click();
        QVERIFY(!windows().hasSavePrompt());
        QVERIFY(windows().optionsWindow()->isVisible());
        QVERIFY(f->isEnabled());
        QVERIFY(f->isVisible());
        QCOMPARE(f->session().state().exitConfirmed, qint16(0));
    }

    void programClosingItsWindowDoesNotAsk()
    {
        // The program's own close (not the frame's) goes ahead unchecked, and
        // takes the other windows with it.
        showAsReceived(f, QStringLiteral("m1"));
        windows().optionsWindow()->show();
        QVERIFY(f->close());
        QCOMPARE(f->session().state().exitConfirmed, qint16(0));
        verifyEnded();
    }

    void exitTakesEveryWindowAlong()
    {
        windows().optionsWindow()->show();
        windows().aboutBox()->show();
        QVERIFY(!nothingShown());
        action(f, "mnuExit")->trigger();
        QVERIFY(!windows().hasAboutBox());
        verifyEnded();
    }

    void leavingEndsTheEventLoop_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("exit at once") << "exit";
        QTest::newRow("Yes") << "yes";
        QTest::newRow("No") << "no";
    }

    void leavingEndsTheEventLoop()
    {
        QFETCH(QString, how);
        if (how != QLatin1String("exit"))
            showAsReceived(f, QStringLiteral("m1"));
        fakes.fileDialog->answers.enqueue(path("end.txt"));
        QTimer::singleShot(0, f, [this, how] {
            action(f, "mnuExit")->trigger();
            if (how == QLatin1String("yes"))
                windows().savePrompt()->OKButton->click();
            else if (how == QLatin1String("no"))
                windows().savePrompt()->CancelButton->click();
        });
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [&timedOut] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        const int rc = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(rc, 0);
        verifyEnded();
        QCOMPARE(QFile::exists(path("end.txt")), how == QLatin1String("yes"));
    }

    void promptLayout()
    {
        showAsReceived(f, QStringLiteral("m1"));
        action(f, "mnuExit")->trigger();
        Dialog4 *d = windows().savePrompt();
        QCOMPARE(d->objectName(), QStringLiteral("Dialog4"));
        QCOMPARE(d->windowTitle(), QStringLiteral("Kestrum"));
        QVERIFY(d->windowFlags() & Qt::Dialog);
        QCOMPARE(d->size(), QSize(twips(4725), twips(1305)));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        QCOMPARE(d->Label1->geometry(), twipsRect(1320, 240, 5175, 615));
        QCOMPARE(d->OKButton->geometry(), twipsRect(120, 720, 1215, 375));
        QCOMPARE(d->CancelButton->geometry(), twipsRect(1680, 720, 1215, 375));
        QCOMPARE(d->Command1->geometry(), twipsRect(3240, 720, 1215, 375));
        QCOMPARE(d->OKButton->objectName(), QStringLiteral("OKButton"));
        QCOMPARE(d->CancelButton->objectName(), QStringLiteral("CancelButton"));
        QCOMPARE(d->Command1->objectName(), QStringLiteral("Command1"));
        QCOMPARE(d->OKButton->nextInFocusChain(), d->CancelButton);
        QCOMPARE(d->CancelButton->nextInFocusChain(), d->Command1);
        QVERIFY(d->CommonDialog5.FileName.isEmpty());
    }
};

KESTRUM_TEST_MAIN(ExitTest)
#include "test_exit.moc"
