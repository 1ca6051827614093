// Driving a board: line endings and flow control on a pseudo-terminal; DTR
// and RTS by hand, the resets and the lamps over a fake line under the port.
#include "core/codec.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "core/portlines.h"
#include "core/sendbytes.h"
#include "core/settings.h"
#include "support/fakeline.h"
#include "support/sessiontest.h"
#include "support/testenv.h"
#include <QSignalSpy>
#include <termios.h>

using namespace kestrum;
using namespace kestrum::test;

Q_DECLARE_METATYPE(kestrum::SendMode)
Q_DECLARE_METATYPE(kestrum::LineEnding)
Q_DECLARE_METATYPE(kestrum::FlowControl)

class BoardTest : public SessionTest {
    Q_OBJECT

    std::shared_ptr<FakeLines> fake;

    bool startFake(bool kernelWaits = true)
    {
        fake = installFakeLines();
        fake->kernelWaits = kernelWaits;
        return startSession();
    }

    // The writes from the n-th on: "d1" DTR alone, "D0R1" both in one write.
    QStringList writesFrom(size_t n, QList<qint64> *gapsMs = nullptr) const
    {
        QStringList out;
        const auto w = fake->writes();
        for (size_t i = n; i < w.size(); ++i) {
            out << (w[i].both ? QStringLiteral("D%1R%2").arg(w[i].dtr).arg(w[i].rts) : QStringLiteral("d%1").arg(w[i].dtr));
            if (gapsMs && i > n)
                *gapsMs << (w[i].atNs - w[i - 1].atNs) / 1000000;
        }
        return out;
    }

    static QString refusal(const std::function<void()> &step)
    {
        try {
            step();
        } catch (const Error &e) {
            return e.description();
        }
        return QString();
    }

private slots:
    void endingsOnTheLine_data()
    {
        QTest::addColumn<SendMode>("mode");
        QTest::addColumn<LineEnding>("ending");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QByteArray>("bytes");  // empty: refused as too long
        QTest::addColumn<QString>("shown");
        QTest::newRow("none, as always") << SendMode::Text << LineEnding::None << "AT" << "" << QByteArray("AT") << "AT";
        QTest::newRow("CR") << SendMode::Text << LineEnding::CR << "AT" << "3" << QByteArray("AT\r") << "AT";
        QTest::newRow("LF") << SendMode::Text << LineEnding::LF << "AT" << "" << QByteArray("AT\n") << "AT";
        QTest::newRow("escapes, CR LF") << SendMode::Escapes << LineEnding::CRLF << "AT\\x21" << "" << QByteArray("AT!\r\n") << "AT!";
        QTest::newRow("hex adds none") << SendMode::Hex << LineEnding::CRLF << "41 54" << "2" << QByteArray("AT") << "AT";
        QTest::newRow("the length check counts it") << SendMode::Text << LineEnding::CRLF << "AT" << "3" << QByteArray() << "";
    }

    void endingsOnTheLine()
    {
        QFETCH(SendMode, mode);
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);
        QFETCH(QString, maximum);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QVERIFY(startSession());
        Options o;
        o.showSent = o.sentSize = true;
        o.checkLength = !maximum.isEmpty();
        o.maximumLength = maximum;
        session->options().set(o);
        session->setLineEnding(ending);
        QCOMPARE(session->send(text, mode), bytes.isEmpty() ? SendResult::TooLong : SendResult::Sent);
        QCOMPARE(pty->read(bytes.isEmpty() ? 200 : 2000, int(bytes.size())), bytes);
        if (!bytes.isEmpty())
            QCOMPARE(document(), QStringLiteral("<<SenD>>   %1  Size, byte %2\r\n").arg(shown).arg(bytes.size()));
    }

    void choicesAreKeptUntilSettingsAreCleared()
    {
        QVERIFY(startSession());
        session->setLineEnding(LineEnding::CRLF);
        session->setFlowControl(FlowControl::XonXoff);
        storeEnterSends(true);
        storePulseLength(250);
        QCOMPARE(Session().lineEnding(), LineEnding::CRLF);
        QCOMPARE(Session().flowControl(), FlowControl::XonXoff);
        QVERIFY(storedEnterSends());
        QCOMPARE(storedPulseLength(), 250);
        deleteAllSettings();
        QCOMPARE(Session().lineEnding(), LineEnding::None);
        QCOMPARE(Session().flowControl(), FlowControl::None);
        QVERIFY(!storedEnterSends());
        QCOMPARE(storedPulseLength(), kDefaultPulseMs);
        // A hand-edited length out of range is the default one.
        for (const char *bad : {"0", "10001", "1e3", "fast"}) {
            writeSetting(QStringLiteral("Board"), QStringLiteral("PulseDTR"), QLatin1String(bad));
            QCOMPARE(storedPulseLength(), kDefaultPulseMs);
        }
    }

    void flowControlOnTheLine_data()
    {
        QTest::addColumn<FlowControl>("flow");
        QTest::addColumn<bool>("crtscts");
        QTest::addColumn<bool>("xonXoff");
        QTest::newRow("none") << FlowControl::None << false << false;
        QTest::newRow("RTS/CTS") << FlowControl::RtsCts << true << false;
        QTest::newRow("XON/XOFF") << FlowControl::XonXoff << false << true;
    }

    // At once on the open line, and again at the next open whatever the
    // line held meanwhile. A pseudo-terminal keeps CRTSCTS as set.
    void flowControlOnTheLine()
    {
        QFETCH(FlowControl, flow);
        QFETCH(bool, crtscts);
        QFETCH(bool, xonXoff);
        QVERIFY(startSession());
        session->setFlowControl(FlowControl::XonXoff);
        session->setFlowControl(flow);
        for (int open = 0; open < 2; ++open) {
            termios t;
            QVERIFY(pty->attributes(&t));
            QCOMPARE(bool(t.c_cflag & CRTSCTS), crtscts);
            QCOMPARE(bool(t.c_iflag & IXON), xonXoff);
            QCOMPARE(bool(t.c_iflag & IXOFF), xonXoff);
            QVERIFY(!(t.c_iflag & IXANY));
            session->closePort();
            t.c_cflag ^= CRTSCTS;
            t.c_iflag ^= IXON | IXOFF | IXANY;
            QCOMPARE(::tcsetattr(pty->slaveFd(), TCSANOW, &t), 0);
            session->openPort();
        }
    }

    void openSetsTheSwitchesInOneWrite_data()
    {
        QTest::addColumn<FlowControl>("flow");
        QTest::addColumn<QStringList>("writes");
        QTest::newRow("both from the switches") << FlowControl::None << QStringList{"D0R1"};
        QTest::newRow("DTR alone under RTS/CTS") << FlowControl::RtsCts << QStringList{"d0"};
    }

    void openSetsTheSwitchesInOneWrite()
    {
        QFETCH(FlowControl, flow);
        QFETCH(QStringList, writes);
        QVERIFY(startFake());
        session->closePort();
        const size_t n = fake->writes().size();
        session->port()->setDTREnable(false);
        session->port()->setRTSEnable(true);
        session->setFlowControl(flow);
        session->openPort();
        QCOMPARE(writesFrom(n), writes);
        QCOMPARE(session->lines()->state().rts, true);
    }

    void rtsIsRefusedUnderRtsCts()
    {
        QVERIFY(startFake());
        PortLines *l = session->lines();
        l->setDtr(true);
        l->setRts(false);
        // RTS goes with DTR written again; flow control asserts RTS.
        session->setFlowControl(FlowControl::RtsCts);
        QCOMPARE(writesFrom(fake->writes().size() - 3), QStringList({"d1", "D1R0", "D1R1"}));
        const size_t n = fake->writes().size();
        QVERIFY(refusal([&] { l->setRts(false); }).contains(QStringLiteral("RTS/CTS flow control")));
        QVERIFY(refusal([&] { l->resetIntoBootLoader(); }).contains(QStringLiteral("RTS/CTS flow control")));
        l->setDtr(false);
        QCOMPARE(writesFrom(n), QStringList{"d0"});
        session->setFlowControl(FlowControl::None);
        l->setRts(false);
        QCOMPARE(l->state().rts, false);
    }

    void resetsRunByThemselves_data()
    {
        QTest::addColumn<bool>("bootLoader");
        QTest::addColumn<bool>("dtr");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QList<qint64>>("holds");
        QTest::newRow("pulse from DTR on") << false << true << QStringList{"d0", "d1"} << QList<qint64>{30};
        QTest::newRow("pulse from DTR off") << false << false << QStringList{"d1", "d0"} << QList<qint64>{30};
        QTest::newRow("boot loader") << true << true << QStringList{"D0R1", "D1R0", "D0R0"} << QList<qint64>{100, 50};
    }

    void resetsRunByThemselves()
    {
        QFETCH(bool, bootLoader);
        QFETCH(bool, dtr);
        QFETCH(QStringList, writes);
        QFETCH(QList<qint64>, holds);
        storePulseLength(30);
        QVERIFY(startFake());
        PortLines *l = session->lines();
        l->setDtr(dtr);
        const size_t n = fake->writes().size();
        QSignalSpy ended(l, &PortLines::pulseEnded);
        bootLoader ? l->resetIntoBootLoader() : l->pulseDtr();
        // Returned at once, the first step made.
        QCOMPARE(writesFrom(n).size(), 1);
        QVERIFY(l->isPulsing());
        QVERIFY(refusal([&] { l->setDtr(true); }).contains(QStringLiteral("wait for the reset")));
        QTRY_COMPARE(ended.size(), 1);
        QList<qint64> gaps;
        QCOMPARE(writesFrom(n, &gaps), writes);
        for (int i = 0; i < holds.size(); ++i)
            QVERIFY2(gaps.at(i) >= holds.at(i), qPrintable(QString::number(gaps.at(i))));
        QCOMPARE(l->state().dtr, !bootLoader && dtr);
    }

    void closingStopsASequence()
    {
        QVERIFY(startFake());
        PortLines *l = session->lines();
        QSignalSpy ended(l, &PortLines::pulseEnded);
        l->resetIntoBootLoader();
        const size_t n = fake->writes().size();
        session->closePort();
        QCOMPARE(ended.size(), 1);
        QVERIFY(!l->isPulsing());
        QTest::qWait(PortLines::kBootResetMs + PortLines::kBootReleaseMs + 100);
        QCOMPARE(fake->writes().size(), n);
    }

    void lampsFollowTheOtherEnd_data()
    {
        QTest::addColumn<bool>("kernelWaits");
        QTest::newRow("waiting in the kernel") << true;
        QTest::newRow("reading 20 times a second") << false;
    }

    void lampsFollowTheOtherEnd()
    {
        QFETCH(bool, kernelWaits);
        QVERIFY(startFake(kernelWaits));
        PortLines *l = session->lines();
        const int reads = fake->reads();
        l->setWatching(true);
        QVERIFY(l->isWatching());
        ModemLines far;
        far.cts = far.dcd = true;
        fake->play(far);
        QTRY_VERIFY(l->state().cts && l->state().dcd && !l->state().ri);
        far.cts = false;
        far.ri = true;
        fake->play(far);
        QTRY_VERIFY(!l->state().cts && l->state().ri);
        QVERIFY(fake->reads() > reads);
        // Hidden: nothing is read any more.
        l->setWatching(false);
        QVERIFY(!l->isWatching());
        const int hidden = fake->reads();
        far.dsr = true;
        fake->play(far);
        QTest::qWait(3 * 50);
        QCOMPARE(fake->reads(), hidden);
        // Shown while the port closes and opens again.
        l->setWatching(true);
        session->closePort();
        QVERIFY(!l->isWatching());
        QCOMPARE(l->state(), ModemLines());
        session->openPort();
        QVERIFY(l->isWatching());
        QTRY_VERIFY(l->state().dsr);
    }

    void devicesWithoutModemLinesSaySo()
    {
        QVERIFY(startSession());
        PortLines *l = session->lines();
        const QString why = l->unusable();
        QVERIFY2(why.contains(QStringLiteral("has no modem lines")), qPrintable(why));
        QCOMPARE(refusal([&] { l->setDtr(true); }), why);
        QCOMPARE(refusal([&] { l->pulseDtr(); }), why);
        l->setWatching(true);
        QVERIFY(!l->isWatching());
        session->closePort();
        QCOMPARE(refusal([&] { l->setRts(true); }), QStringLiteral("The port is not open."));
        QCOMPARE(failures, QStringList());
    }
};

KESTRUM_TEST_MAIN(BoardTest)
#include "test_board.moc"
