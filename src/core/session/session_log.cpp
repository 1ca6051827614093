// The session's log beyond the message lines: the log's choices, the finer
// stamps, the autosave files by day or size, and the port's events.
#include "core/session/session.h"
#include "core/base/clock.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"

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

Stamp Session::receivedStamp(const ReceivedMessage &message)
{
    const LogChoices &c = logChoices();
    Stamp s;
    s.milliseconds = c.milliseconds;
    // Finer stamps are worth having only from the bytes' own arrival (a
    // message is shown two receive timeouts later, and later still when the
    // window is busy); without them the stamp is the time it is shown, as
    // it always was.
    s.at = c.milliseconds || c.sinceLast ? QDateTime::fromMSecsSinceEpoch(message.firstByteMs) : clock().now();
    // The first message has nothing before it to count from.
    if (c.sinceLast && m_lastArrivalMs)
        s.sinceLastMs = message.firstByteMs - *m_lastArrivalMs;
    m_lastArrivalMs = message.firstByteMs;
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
    // Messages that arrived before the event and are not shown yet (the
    // one under way, those the reader has not handed over) come first.
    if (m_counted || m_waiting || m_port->receiving() || !m_heldEvents.isEmpty()) {
        m_heldEvents.append({line, e.at});
        return;
    }
    writeEventLine(line, e.at);
}

void Session::writeHeldEvents(bool leaving)
{
    if (!leaving && (m_counted || m_waiting || m_port->receiving()))
        return;
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
    const QByteArray bytes = line + "\r\n";
    autosave(o, bytes, line.size(), at);
}

void Session::endMessageNow()
{
    m_port->endReading();
    // A message waiting for bytes that will not come now is given up.
    backToIdle();
    writeHeldEvents(true);
}

} // namespace kestrum
