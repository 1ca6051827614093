// Start-up from the settings store and the port lists of the main window.
#include "app/form1.h"
#include "app/windows.h"
#include "documents/receivedbox.h"
#include "options/form2.h"
#include "serial/mscomm.h"
#include "settings/store.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <memory>

using namespace kestrum;
using namespace kestrum::test;

class StartupTest : public QObject {
    Q_OBJECT
    Fakes fakes{};

private slots:
    void init()
    {
        resetProgramState();
        fakes = installFakes();
    }
    void cleanup() { windows().destroyAll(); }

    void emptyStoreStartsOnDefaults()
    {
        Pty pty;
        QVERIFY(pty.isValid());
        mapPort(1, pty.slavePath());
        Form1 *f = startProgram();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(f->Combo1->currentText(), QStringLiteral("COM1"));
        QCOMPARE(f->Combo2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->Combo3->currentText(), QStringLiteral("n"));
        QCOMPARE(f->Combo4->currentText(), QStringLiteral("8"));
        QCOMPARE(f->Combo5->currentText(), QStringLiteral("2"));
        QCOMPARE(f->MSComm1->Settings(), QStringLiteral("9600,n,8,2"));
        QCOMPARE(f->portSettings, QStringLiteral("9600,n,8,2"));
        QVERIFY(f->MSComm1->PortOpen());
        QCOMPARE(f->MSComm1->CommPort(), 1);
        QCOMPARE(pty.baudRate(), 9600);
        QCOMPARE(pty.stopBits(), 2);
        QCOMPARE(f->Timer2->interval(), 100);
        QVERIFY(!f->Timer2->isActive());
        QCOMPARE(f->MSComm1->InBufferSize(), 1024);
        QCOMPARE(f->MSComm1->OutBufferSize(), 512);
        QVERIFY(!f->MSComm1->NullDiscard());
        QVERIFY(!f->MSComm1->RTSEnable());
        QVERIFY(!f->MSComm1->DTREnable());
        QCOMPARE(f->Label8->text(), QStringLiteral("Autosave in: "));
        QVERIFY(!f->Label8->isEnabled());
        QVERIFY(windows().hasForm2());
        QVERIFY(!windows().form2()->isVisible());
        QVERIFY(!f->mnuSave->isEnabled());
        // The five selections wrote their keys back.
        QCOMPARE(readSetting("OtherSet", "CommPort", "?"), QStringLiteral("COM1"));
        QCOMPARE(readSetting("Setings", "BaudRate", "?"), QStringLiteral("9600"));
        QCOMPARE(readSetting("Setings", "Parity", "?"), QStringLiteral("n"));
        QCOMPARE(readSetting("Setings", "DataBits", "?"), QStringLiteral("8"));
        QCOMPARE(readSetting("Setings", "StopBits", "?"), QStringLiteral("2"));
    }
};

KESTRUM_TEST_MAIN(StartupTest)
#include "test_startup.moc"
