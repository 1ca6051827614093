#include "core/sending/filesend.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace kestrum {

FileSender::FileSender(MSComm *port, QObject *parent) : QObject(parent), m_port(port), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &FileSender::step);
    connect(m_port, &MSComm::closed, this, [this] {
        if (isSending())
            end(false, QCoreApplication::translate("Send", "The port was closed while the file was being sent."));
    });
}

FileSender::~FileSender() = default;

qint64 FileSender::sent() const { return m_handed - (isSending() ? m_port->bytesToWrite() : 0); }

void FileSender::open(const QString &path)
{
    if (isSending())
        throw Error(QCoreApplication::translate("Send", "A file is being sent already: wait for it to end or cancel it."));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        throw Error(QCoreApplication::translate("Send", "%1 cannot be read: %2. Nothing was sent.")
                        .arg(QDir::toNativeSeparators(path), m_file.errorString()));
    m_path = path;
    m_total = m_file.size();
    m_handed = 0;
    m_lastProgress = -1;
}

void FileSender::start()
{
    if (!m_port->PortOpen()) {
        m_file.close();
        throw Error(QCoreApplication::translate("Send", "The port is not open: the file was not sent."));
    }
    m_bytesPerMs = m_port->lineBytesPerSecond() / 1000;
    // The transmit buffer bounds what waits; never less than a step's worth.
    m_window = qMax<qint64>(m_port->OutBufferSize(), 64);
    // A step every half the time the window lasts at the line's speed, so
    // the line never waits on the program: 1 ms at 3000000 baud, 22 ms at
    // 115200.
    m_timer->start(int(qBound(1.0, m_window / 2 / m_bytesPerMs, 50.0)));
    m_clock.start();
    step();
}

void FileSender::step()
{
    if (!isSending())
        return;
    // A step that comes late catches up, a transmit buffer at a time, as
    // long as the device takes the bytes as fast as they are handed over.
    const qint64 due = qint64(m_bytesPerMs * double(m_clock.elapsed())) + m_window;
    for (int round = 0; round < 64; ++round) {
        const qint64 room = m_window - m_port->bytesToWrite();
        const qint64 n = qMin(qMin(due - m_handed, room), m_total - m_handed);
        if (n <= 0)
            break;
        const QByteArray chunk = m_file.read(n);
        if (chunk.size() != n) {
            end(false, QCoreApplication::translate("Send", "%1 could not be read to its end: %2")
                           .arg(QDir::toNativeSeparators(m_path), m_file.errorString()));
            return;
        }
        try {
            m_port->writeBytes(chunk);
        } catch (const Error &e) {
            end(false, e.description());
            return;
        }
        m_handed += n;
    }
    if (m_handed == m_total && m_port->bytesToWrite() == 0) {
        end(true, QString());
        return;
    }
    const qint64 now = m_clock.elapsed();
    if (m_lastProgress < 0 || now - m_lastProgress >= 100) {
        m_lastProgress = now;
        emit progress(sent(), m_total);
    }
}

void FileSender::cancel()
{
    if (!isSending())
        return;
    end(false, QString());
}

void FileSender::end(bool complete, const QString &failure)
{
    m_timer->stop();
    // What is sent is what left the port. A send cut short drops the rest,
    // also what the system holds for the line, which did not leave either;
    // a complete one leaves that to go out.
    qint64 done = sent();
    m_countKnown = true;
    if (!complete) {
        const MSComm::Discarded dropped = m_port->discardOutput();
        done = m_handed - dropped.bytes;
        m_countKnown = dropped.known;
    }
    m_file.close();
    emit finished(done, complete, failure);
}

} // namespace kestrum
