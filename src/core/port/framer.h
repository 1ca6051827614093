#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace kestrum {

// A received message: what arrived within two receive timeouts of its first
// byte, in Windows-1251 (one byte a character, as on the wire).
struct ReceivedMessage {
    QByteArray bytes;
    // Positions in bytes of those received with a parity error, ascending.
    std::vector<qsizetype> errors;
    // When its first byte was read (or the message began without one):
    // the monotonic clock's nanoseconds, and the system clock's
    // milliseconds since 1970 for the message's stamps.
    qint64 firstByteNs = 0;
    qint64 firstByteMs = 0;
};

// What the framing tells the receive path, in the order it happened.
struct ReceiveEvent {
    enum class Kind {
        Counted,  // the message under way has lasted one receive timeout
        Waiting,  // two timeouts are over and no byte came: the next bytes end it
        Ended,    // the message is complete
        Dropped,  // a message without bytes ended with its device
        Lost,     // the device went away (error: the system's reason)
    };
    Kind kind;
    ReceivedMessage message;  // Ended
    int error = 0;            // Lost
    quint64 opening = 0;      // Lost: which opening of the port it ended
};
using ReceiveEvents = std::vector<ReceiveEvent>;

// Receive framing by the bytes' own arrival times. The first byte of a quiet
// line begins a message at t0; it is counted at t0 + T and ends at t0 + 2T
// (T, the receive timeout, as it was when the message began) with every byte
// that arrived by then; a later byte begins the next message. Nothing here
// reads a clock or waits: the reader hands in the time of each arrival and
// of each wake-up, and asks when it must wake next.
class Framer {
public:
    enum class State { Idle, Gathering, Counted, Waiting };

    // For messages that begin from now on.
    void setTimeout(qint64 ns) { m_timeout = ns; }
    State state() const { return m_state; }
    // Bytes of the message under way.
    qsizetype gathered() const { return m_state == State::Idle ? 0 : m_message.bytes.size(); }
    // When something next falls due (a count or an end), or -1.
    qint64 due() const;
    // The time is now: what fell due by then is done.
    void advance(qint64 now, ReceiveEvents &out);

    // Room for at least n more bytes after those of the message under way
    // (or of the next one), for a read to land in.
    char *room(qsizetype n);
    // n bytes read into that room arrived at now (after advance(now)).
    void arrived(qsizetype n, qint64 now, qint64 wallMs, ReceiveEvents &out);
    // Decoded bytes that arrived at now; errors as positions within them.
    void arrived(const QByteArray &bytes, const std::vector<qsizetype> &errors, qint64 now, qint64 wallMs,
                 ReceiveEvents &out);

    // An event of the port without data: a message begins now unless one is
    // under way (it is counted and ends as any other; with no byte by its
    // end, it waits for the next ones).
    void begin(qint64 now, qint64 wallMs);
    // The receive timer's tick, given by hand: the message under way is
    // counted now, or, counted already, ends now with what it holds. On a
    // quiet line a message begins and is counted at once.
    void tick(qint64 now, qint64 wallMs, ReceiveEvents &out);
    // The device is gone: the message under way ends now with what it holds
    // (Dropped when that is nothing).
    void endNow(ReceiveEvents &out);
    // The program is leaving: a message waiting for its bytes is given up.
    void abandonWait();

private:
    void start(qint64 now, qint64 wallMs);
    void end(ReceiveEvents &out);

    qint64 m_timeout = 100'000'000;
    State m_state = State::Idle;
    qint64 m_countAt = 0;
    qint64 m_endAt = 0;
    ReceivedMessage m_message;
    qsizetype m_roomAt = 0;
    // The next message of a fast stream is about as long as the last one:
    // room for it at once spares copying what came so far as it grows.
    qsizetype m_lastSize = 0;
};

} // namespace kestrum
