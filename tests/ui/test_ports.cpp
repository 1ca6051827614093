// The Ports window: pinning a port to a device by its stable link and
// letting it go again, without ever opening the device.
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "ui/dialogs/portswindow.h"
#include "ui/main/windows.h"
#include "core/serialdevices.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <termios.h>

using namespace kestrum;
using namespace kestrum::test;

class PortsTest : public ProgramTest {
    Q_OBJECT

private slots:
    void init() { beginTest(); }
    void cleanup()
    {
        endTest();
        setByIdFolder(QStringLiteral("/dev/serial/by-id"));
    }

    void pinAndLetGoByStableLink()
    {
        Pty com1, adapter;
        mapPort(1, com1.slavePath());
        QTemporaryDir byId;
        const QString link = byId.filePath("usb-Kestrum_Bench_Adapter_K0001-if00-port0");
        QVERIFY(QFile::link(adapter.slavePath(), link));
        setByIdFolder(byId.path());
        struct termios before, after;
        QVERIFY(adapter.attributes(&before));

        Form1 *f = startTestProgram();
        f->ports().mnuPorts_Click();
        Form3 *w = windows().portsWindow();
        QVERIFY(w && w->isVisible());
        QList<QTableWidgetItem *> rows = w->Table1->findItems(link, Qt::MatchExactly);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(w->Table1->item(rows.at(0)->row(), 1)->text(), QFileInfo(adapter.slavePath()).canonicalFilePath());
        // Chosen for COM2: the entry keeps the link, and the list says so.
        w->Combo2->setCurrentIndex(w->Combo2->findData(link));
        w->Command1_Click();
        QCOMPARE(readSetting("Ports", "COM2", "?"), link);
        QCOMPARE(readSetting("Ports", "COM1", "?"), com1.slavePath());
        QTRY_VERIFY(!windows().hasPortsWindow());
        QVERIFY(list(f, "Combo1")->itemData(1, Qt::ToolTipRole).toString().contains(link));

        // Unplugged, it is still listed, as absent, and still chosen.
        QVERIFY(QFile::remove(link));
        f->ports().mnuPorts_Click();
        w = windows().portsWindow();
        rows = w->Table1->findItems(link, Qt::MatchExactly);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(w->Table1->item(rows.at(0)->row(), 0)->text(), w->tr("нет"));
        QCOMPARE(w->Combo2->currentData().toString(), link);
        // Back to "the second device present": the entry goes.
        w->Combo2->setCurrentIndex(0);
        w->Command1_Click();
        QCOMPARE(readSetting("Ports", "COM2", "?"), QStringLiteral("?"));
        QCOMPARE(readSetting("Ports", "COM1", "?"), com1.slavePath());

        // The window only looked: the adapter's line was never set.
        QVERIFY(adapter.attributes(&after));
        QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
        QCOMPARE(after.c_cflag, before.c_cflag);
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }
};

KESTRUM_TEST_MAIN(PortsTest)
#include "test_ports.moc"
