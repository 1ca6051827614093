// Driving a board: line endings and flow control on a pseudo-terminal; DTR
// and RTS by hand, the resets and the lamps over a fake line under the port.
#include "core/base/error.h"
#include "core/board/linewatcher.h"
#include "core/port/mscomm.h"
#include "core/board/portlines.h"
#include "core/settings/settings.h"
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

    PortLines *startFake(bool kernelWaits = true)
    {
        fake = std::make_shared<FakeLines>();
        fake->kernelWaits = kernelWaits;
        fake->install();
        return startSession() ? session->lines() : nullptr;
    }

    size_t written() const { return fake->locked([&] { return fake->writes.size(); }); }
    int reads() const { return fake->locked([&] { return fake->reads; }); }

    // The writes from the n-th on: "d1" DTR alone, "D0R1" both in one
    // write; gaps gets the milliseconds between them.
    QStringList writesFrom(size_t n, QList<qint64> *gaps = nullptr) const
    {
        QStringList out;
        const auto w = fake->locked([&] { return fake->writes; });
        for (size_t i = n; i < w.size(); ++i) {
            out << (w[i].both ? QStringLiteral("D%1R%2").arg(w[i].dtr).arg(w[i].rts) : QStringLiteral("d%1").arg(w[i].dtr));
            if (gaps && i > n)
                *gaps << (w[i].atNs - w[i - 1].atNs) / 1000000;
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
        QVERIFY(Session().lineEnding() == LineEnding::CRLF && Session().flowControl() == FlowControl::XonXoff && storedEnterSends());
        deleteAllSettings();
        QVERIFY(Session().lineEnding() == LineEnding::None && Session().flowControl() == FlowControl::None);
        QVERIFY(!storedEnterSends());
        // A hand-edited length out of range is the default one.
        writeSetting(QStringLiteral("Board"), QStringLiteral("PulseDTR"), QStringLiteral("10001"));
        QCOMPARE(storedPulseLength(), kDefaultPulseMs);
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
            QCOMPARE(bool(t.c_iflag & IXON) && bool(t.c_iflag & IXOFF), xonXoff);
            QVERIFY(!(t.c_iflag & IXANY));
            session->closePort();
            t.c_cflag ^= CRTSCTS;
            t.c_iflag ^= IXON | IXOFF | IXANY;
            QCOMPARE(::tcsetattr(pty->slaveFd(), TCSANOW, &t), 0);
            session->openPort();
        }
    }

    // The Options window's switches at open, in one write; DTR alone when
    // flow control owns RTS. By hand RTS goes with DTR written again.
    void switchesAtOpenAndRtsUnderRtsCts()
    {
        PortLines *l = startFake();
        QVERIFY(l);
        session->closePort();
        size_t n = written();
        session->port()->setRTSEnable(true);
        session->openPort();
        session->setFlowControl(FlowControl::RtsCts);
        session->closePort();
        session->openPort();
        l->setDtr(true);
        QCOMPARE(writesFrom(n), QStringList({"D0R1", "D0R1", "d0", "d1"}));
        n = written();
        QVERIFY(refusal([&] { l->setRts(false); }).contains(QStringLiteral("RTS/CTS flow control")));
        QVERIFY(refusal([&] { l->resetIntoBootLoader(); }).contains(QStringLiteral("RTS/CTS flow control")));
        session->setFlowControl(FlowControl::None);
        l->setRts(false);
        QCOMPARE(writesFrom(n), QStringList{"D1R0"});
        QVERIFY(!l->state().rts && l->state().dtr);
    }

    void resetsRunByThemselves_data()
    {
        QTest::addColumn<bool>("bootLoader");
        QTest::addColumn<bool>("dtr");
        QTest::addColumn<bool>("closed");  // the port closes after the first step
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QList<qint64>>("holds");
        QTest::newRow("pulse from DTR on") << false << true << false << QStringList{"d0", "d1"} << QList<qint64>{30};
        QTest::newRow("pulse from DTR off") << false << false << false << QStringList{"d1", "d0"} << QList<qint64>{30};
        QTest::newRow("boot loader") << true << true << false << QStringList{"D0R1", "D1R0", "D0R0"} << QList<qint64>{100, 50};
        QTest::newRow("boot loader, closed") << true << true << true << QStringList{"D0R1"} << QList<qint64>{};
    }

    void resetsRunByThemselves()
    {
        QFETCH(bool, bootLoader);
        QFETCH(bool, dtr);
        QFETCH(bool, closed);
        QFETCH(QStringList, writes);
        QFETCH(QList<qint64>, holds);
        storePulseLength(30);
        PortLines *l = startFake();
        QVERIFY(l);
        l->setDtr(dtr);
        const size_t n = written();
        QSignalSpy ended(l, &PortLines::pulseEnded);
        bootLoader ? l->resetIntoBootLoader() : l->pulseDtr();
        // Returned at once, the first step made.
        QCOMPARE(writesFrom(n).size(), 1);
        QVERIFY(refusal([&] { l->setDtr(true); }).contains(QStringLiteral("wait for the reset")));
        if (closed) {
            session->closePort();
            QCOMPARE(ended.size(), 1);
            QTest::qWait(PortLines::kBootResetMs + PortLines::kBootReleaseMs + 100);
        }
        QTRY_COMPARE(ended.size(), 1);
        QVERIFY(!l->isPulsing());
        QList<qint64> gaps;
        QCOMPARE(writesFrom(n, &gaps), writes);
        for (int i = 0; i < holds.size(); ++i)
            QVERIFY(gaps.at(i) >= holds.at(i));
        if (!closed)
            QCOMPARE(l->state().dtr, !bootLoader && dtr);
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
        PortLines *l = startFake(kernelWaits);
        QVERIFY(l);
        l->setWatching(true);
        ModemLines far;
        far.cts = far.dcd = true;
        fake->play(far);
        QTRY_VERIFY(l->state().cts && l->state().dcd && !l->state().ri);
        far.cts = false;
        far.ri = true;
        fake->play(far);
        QTRY_VERIFY(!l->state().cts && l->state().ri);
        // Hidden: nothing is read any more.
        l->setWatching(false);
        QVERIFY(!l->isWatching());
        const int hidden = reads();
        far.dsr = true;
        fake->play(far);
        QTest::qWait(3 * LineWatcher::kPollMs);
        QCOMPARE(reads(), hidden);
        // Shown while the port closes and opens again.
        l->setWatching(true);
        session->closePort();
        QVERIFY(!l->isWatching() && l->state() == ModemLines());
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
    }
};

KESTRUM_TEST_MAIN(BoardTest)
#include "test_board.moc"
