// The session's log beyond the message lines: the log's choices, the finer
// stamps, the autosave files by day or size, and the port's events.
#include "core/session.h"
#include "core/clock.h"
#include "core/error.h"
#include "core/mscomm.h"

namespace kestrum {

void Session::connectPortEvents()
{
    connect(m_port, &MSComm::opened, this, [this] {
        m_eventDevice = m_port->deviceName();
        m_eventOpen = true;
        notePortEvent(PortEvent::Opened);
    });
    connect(m_port, &MSComm::closed, this, [this] {
        // A port whose line would not take its parameters is closed again
        // before it was ever reported open.
        if (!std::exchange(m_eventOpen, false))
            return;
        notePortEvent(m_port->closedByLoss() ? PortEvent::Lost : PortEvent::Closed);
    });
}

const LogChoices &Session::logChoices()
{
    if (!m_log)
        setLogChoices(LogChoices::stored(), false);
    return *m_log;
}

void Session::setLogChoices(const LogChoices &c, bool store)
{
    m_log = c;
    m_files.setPolicy(c.files, c.fileSizeBytes());
    if (store)
        c.store();
}

QString Session::autosaveFileNow()
{
    logChoices();
    return m_files.currentFile(m_options.current().autosaveFile);
}

Stamp Session::receivedStamp(const QDateTime &arrived)
{
    const LogChoices &c = logChoices();
    Stamp s;
    s.at = arrived.isValid() ? arrived : clock().now();
    s.milliseconds = c.milliseconds;
    // The first message has nothing before it to count from.
    if (c.sinceLast && m_lastArrival.isValid())
        s.sinceLastMs = m_lastArrival.msecsTo(s.at);
    m_lastArrival = s.at;
    return s;
}

Stamp Session::sentStamp()
{
    Stamp s;
    s.at = clock().now();
    s.milliseconds = logChoices().milliseconds;
    return s;
}

void Session::notePortEvent(PortEvent::Kind kind)
{
    const PortEvent e = m_portEvents.note(kind, QStringLiteral("COM%1").arg(m_port->CommPort()), m_eventDevice);
    emit portEventHappened(e);
    if (!logChoices().portEvents)
        return;
    const QByteArray line = portEventLine(e, m_log->milliseconds);
    // The message under way holds what came before the event: its line
    // comes first.
    if (m_framing != Framing::Idle || m_waiting) {
        m_heldEvents.append({line, e.at});
        return;
    }
    writeEventLine(line, e.at);
}

void Session::writeHeldEvents()
{
    for (const auto &[line, at] : std::exchange(m_heldEvents, {}))
        writeEventLine(line, at);
}

void Session::writeEventLine(const QByteArray &line, const QDateTime &at)
{
    if (m_keepDocument) {
        m_document.prependBytes(line + "\r\n");
        emit documentGrew();
    }
    emit lineWritten(line + "\r\n");
    Options o;
    try {
        o = m_options.current();
    } catch (const Error &e) {
        emit failure(e.description());
        return;
    }
    autosave(o, line, at);
}

void Session::endMessageNow()
{
    // A source that never pauses would keep this going: what comes after
    // the end was asked for is left.
    for (int round = 0; round < 64; ++round) {
        int waiting = 0;
        try {
            waiting = m_port->InBufferCount();
        } catch (const Error &) {
            waiting = 0;
        }
        if (waiting < 1)
            break;
        // What came before the port was opened again is a message of its
        // own, then the rest.
        m_waiting = true;
        takeMessage();
    }
    backToIdle();
    m_pendingLoss.clear();
    writeHeldEvents();
}

} // namespace kestrum
