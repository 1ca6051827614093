#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <deque>

namespace kestrum {

class Clock;

// Something that happened to the port, as the log tells it.
struct PortEvent {
    enum Kind { Opened, Closed, Lost, OpenedAgain };
    Kind kind = Opened;
    QDateTime at;
    // "COM1", and the device it was open on ("" when none is known).
    QString port;
    QString device;
    // Opened again for the third time within 15 s of a loss: a board that
    // resets again and again (a brown-out, a watchdog, a crash at boot).
    bool resetting = false;
};

// Turns what the port reports into the log's events: an opening after a
// loss is an opening again, and the third return within kResetWindowMs of
// its loss says the board seems to be resetting.
class PortEventLog {
public:
    static constexpr int kResets = 3;
    static constexpr qint64 kResetWindowMs = 15000;

    // Without a clock, the program's (clock()).
    explicit PortEventLog(Clock *clock = nullptr) : m_clock(clock) {}

    // kind is Opened, Closed or Lost.
    PortEvent note(PortEvent::Kind kind, const QString &port, const QString &device);

private:
    Clock *m_clock;
    bool m_lost = false;
    // When the losses of the last kResetWindowMs happened.
    std::deque<QDateTime> m_losses;
};

// The event's line in the received box and the autosave file, the same in
// either language (a log is read by tools and by others), and marked like
// the sent lines' "<<SenD>>" so that no stamped message reads as one:
//   <<Port COM1 (/dev/ttyUSB0) opened again 2026-12-08 10:00:00.250: the board seems to be resetting again and again>>
// Date and time are ISO 8601, whatever the locale; milliseconds when asked.
// A character the code page cannot hold reads "?".
QByteArray portEventLine(const PortEvent &e, bool milliseconds);

// The event for the user (the recorder's standard error), in the interface's
// language: "2026-12-08 10:00:00 COM1 (/dev/ttyUSB0) opened".
QString portEventMessage(const PortEvent &e);

} // namespace kestrum
