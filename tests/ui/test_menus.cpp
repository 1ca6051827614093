// The menus added to the main window: their place and captions, the send
// mode they choose and remember, Send file with its progress window, Send
// break.
#include "ui/form1.h"
#include "ui/sendfiledialog.h"
#include "ui/windows.h"
#include "core/filesend.h"
#include "core/session.h"
#include "core/settings.h"
#include "core/mscomm.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace kestrum;
using namespace kestrum::test;

class MenusTest : public ProgramTest {
    Q_OBJECT
    Form1 *start()
    {
        return startOnPty();
    }

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

    void transmitMenu()
    {
        Form1 *f = start();
        QVERIFY(f);
        QCOMPARE(titles(f).join(QLatin1Char('|')), QStringLiteral("File|Edit|Transmit|Язык/Language|Help"));
        QVERIFY(f->mnuSendText->isChecked());
        f->mnuRus->trigger();
        QCOMPARE(f->mnuTransmit->title(), QStringLiteral("Передача"));
        f->mnuEng->trigger();

        // The choice sends hex and is kept for the next run; clearing the
        // store forgets it.
        f->mnuSendHex->trigger();
        f->Text1->setPlainText(QStringLiteral("01 0d\n0A"));
        f->Command1_Click();
        QCOMPARE(pty->read(1000, 3), QByteArray("\x01\x0D\x0A"));
        f->Text1->setPlainText(QStringLiteral("01 0"));
        f->Command1_Click();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QCOMPARE(pty->read(200), QByteArray());
        closeProgram();
        f = startTestProgram();
        QVERIFY(f->mnuSendHex->isChecked());
        deleteAllSettings();
        closeProgram();
        f = startTestProgram();
        QVERIFY(f->mnuSendText->isChecked());

        // Send file: the progress window while it goes, gone when it is done.
        const QString path = scratchDir() + QStringLiteral("/menu.bin");
        writeBytes(path, QByteArray(3000, 'z'));
        f->session->port()->setSettings(QStringLiteral("9600,n,8,1"));
        fakes.fileDialog->answers.enqueue(path);
        f->mnuSendFile->trigger();
        auto *progress = f->findChild<DialogSendFile *>(QStringLiteral("DialogSendFile"));
        QVERIFY(progress && progress->isVisible());
        QTRY_VERIFY(pty->read(50).size() > 0);
        QTest::mouseClick(progress->CancelButton, Qt::LeftButton);
        QVERIFY(!f->session->fileSender()->isSending());
        QTRY_VERIFY(!f->findChild<DialogSendFile *>());

        f->mnuSendBreak->trigger();
        QVERIFY(f->session->port()->isBreakOn());
        QTRY_VERIFY(!f->session->port()->isBreakOn());
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }
};

KESTRUM_TEST_MAIN(MenusTest)
#include "test_menus.moc"
