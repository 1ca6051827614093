// Receive path of the main window: framing by the receive timeout.
//
// The first port event of a quiet line starts Timer2. Its first tick counts
// the message; its second tick takes everything that has arrived as the
// message, shows it at the top of the received box and appends it to the
// autosave file.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/receivedbox.h"
#include "core/textfile.h"
#include "ui/form2.h"
#include "core/clock.h"
#include "core/error.h"
#include "platform/platform.h"
#include "core/mscomm.h"
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <limits>

namespace kestrum {

namespace {

const char kWaitLoopName[] = "receiveWait";

struct ReceivedLineOptions {
    bool date = false;
    bool time = false;
    bool size = false;
    bool autosave = false;
    QString autosaveFile;
};

// The options are those of the Options window at this moment.
ReceivedLineOptions currentOptions()
{
    Form2 *o = windows().form2();
    ReceivedLineOptions r;
    r.date = o->Check5->isChecked();
    r.time = o->Check6->isChecked();
    r.size = o->Check7->isChecked();
    r.autosave = o->Check8->isChecked();
    r.autosaveFile = o->CommonDialog1.FileName;
    return r;
}

QString receivedLine(const QString &data, const ReceivedLineOptions &o)
{
    QString line;
    if (o.date || o.time) {
        // One reading of the clock, so date and time agree.
        const QDateTime now = clock().now();
        if (o.date)
            line += dateText(now) + QLatin1String("   ");
        if (o.time)
            line += timeText(now) + QLatin1String("    ");
    }
    line += data;
    if (o.size)
        line += QLatin1String("  Size, byte: ") + QString::number(data.size());
    return line;
}

} // namespace

void Form1::MSComm1_OnComm()
{
    // A timer that runs already keeps its schedule: restarting it would let
    // a steady stream postpone its message for ever.
    if (receiving == 0 && !Timer2->isActive()) {
        Timer2->start();
        // Until the second tick nothing that arrives changes anything.
        MSComm1->setGathering(true);
    }
}

void Form1::Timer2_Timer()
{
    // The second tick is waiting for data: ticks meanwhile change nothing.
    if (m_waiting)
        return;

    if (timerPhase != 1) {
        receiving = 1;
        timerPhase = 1;
        // Past the largest count the counter starts again at 1 rather than
        // turning negative.
        messageCount = messageCount >= std::numeric_limits<qint32>::max() ? 1 : messageCount + 1;
        Text3->setText(QString::number(messageCount));
        return;
    }

    // Second tick: wait until at least one character is waiting.
    QPointer<Form1> self(this);
    QString failure;
    bool abandoned = false;
    bool haveData = false;
    m_waiting = true;
    m_abandonWait = false;
    try {
        // The event loop runs once even when data is waiting already.
        QCoreApplication::processEvents();
        if (!self)
            return;
        while (!m_abandonWait) {
            if (MSComm1->InBufferCount() >= 1) {
                haveData = true;
                break;
            }
            // Sleep until something can change the answer: data, the port
            // closing, or the program leaving.
            QEventLoop wait(this);
            wait.setObjectName(QLatin1String(kWaitLoopName));
            connect(MSComm1, &MSComm::OnComm, &wait, &QEventLoop::quit);
            connect(MSComm1, &MSComm::closed, &wait, &QEventLoop::quit);
            connect(MSComm1, &QObject::destroyed, &wait, &QEventLoop::quit);
            wait.exec();
            if (!self)
                return;
        }
        abandoned = !haveData;
    } catch (const Error &e) {
        failure = e.description();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }

    QString data;
    if (haveData) {
        try {
            data = MSComm1->Input();
        } catch (const Error &e) {
            haveData = false;
            failure = e.description();
        }
    }

    // Back to Idle before anything is shown, so that data arriving while a
    // message box is open starts a new message.
    m_waiting = false;
    m_abandonWait = false;
    receiving = 0;
    timerPhase = 0;
    Timer2->stop();
    MSComm1->setGathering(false);
    const QString loss = m_pendingLoss;
    m_pendingLoss.clear();

    if (abandoned)
        return;
    if (!failure.isEmpty()) {
        // A device lost meanwhile is reported by this failure, not twice.
        showMessage(failure);
        return;
    }

    ReceivedLineOptions options;
    QString line;
    QString optionsFailure;
    try {
        options = currentOptions();
    } catch (const Error &e) {
        optionsFailure = e.description();
    }
    line = receivedLine(data, options);
    Text2->prepend(line + QLatin1String("\r\n"));
    mnuSave->setEnabled(true);
    dataReceived = 1;
    if (!optionsFailure.isEmpty())
        showMessage(optionsFailure);
    if (options.autosave) {
        try {
            appendRecord(options.autosaveFile, line);
        } catch (const Error &e) {
            showMessage(e.description());
        }
    }
    if (!loss.isEmpty())
        showLoss(loss);
}

void Form1::Command8_Click()
{
    mnuSave->setEnabled(false);
    Text2->clearText();
    messageCount = 0;
    Text3->setText(QStringLiteral("0"));
}

void Form1::MSComm1_DeviceLost(const QString &description)
{
    // While a message is under way its second tick reports the loss, after
    // showing what had arrived; one loss, one message.
    if (!Timer2->isActive() && receiving == 0 && !m_waiting) {
        showLoss(description);
        return;
    }
    m_pendingLoss = description;
}

void Form1::showLoss(const QString &description)
{
    // A device that keeps coming and going adds no box while one about an
    // earlier loss is still up.
    if (m_showingLoss)
        return;
    m_showingLoss = true;
    const auto shown = qScopeGuard([this] { m_showingLoss = false; });
    showMessage(description);
}

void Form1::stopReceiveTimer()
{
    Timer2->stop();
    MSComm1->setGathering(false);
    // A wait in progress finishes its message by itself; otherwise the
    // message under way is dropped so the next data starts a new one.
    if (m_waiting)
        return;
    receiving = 0;
    timerPhase = 0;
    // No second tick will come to report a device lost meanwhile.
    if (!m_pendingLoss.isEmpty()) {
        const QString loss = m_pendingLoss;
        m_pendingLoss.clear();
        showLoss(loss);
    }
}

void Form1::abandonWait()
{
    if (!m_waiting)
        return;
    m_abandonWait = true;
    if (auto *wait = findChild<QEventLoop *>(QLatin1String(kWaitLoopName), Qt::FindDirectChildrenOnly))
        wait->quit();
}

} // namespace kestrum
