#pragma once
#include <QMetaType>
#include <QString>
#include <functional>
#include <memory>

namespace kestrum {

// The modem lines of a port as the device holds them: the two this end
// drives (DTR, RTS) and the four the other end drives (CTS, DSR, DCD, RI).
// On means asserted (a TTL pin of an adapter is low then).
struct ModemLines {
    bool dtr = false;
    bool rts = false;
    bool cts = false;
    bool dsr = false;
    bool dcd = false;
    bool ri = false;

    bool operator==(const ModemLines &o) const
    {
        return dtr == o.dtr && rts == o.rts && cts == o.cts && dsr == o.dsr && dcd == o.dcd && ri == o.ri;
    }
    bool operator!=(const ModemLines &o) const { return !(*this == o); }
};

// The control lines of an open port, beneath the serial-port object. The
// program uses the terminal driver's (ioctl on the port's descriptor);
// tests install a fake that records what is written and plays changes of
// the other end's lines.
class ControlLine {
public:
    enum class Wait { Changed, TimedOut, Unsupported };

    virtual ~ControlLine() = default;

    // Empty when the device has modem lines; otherwise why it has none, in
    // words for the user (a pseudo-terminal has none).
    virtual QString missing() const = 0;
    // DTR alone; RTS is left as it is (flow control may own it). Throws Error.
    virtual void setDtr(bool on) = 0;
    // Both lines in one write. Some USB adapters' drivers send RTS to the
    // chip only together with DTR, so RTS is always written this way, and
    // so is every step of a sequence that moves both. Throws Error.
    virtual void setDtrRts(bool dtr, bool rts) = 0;
    // Throws Error.
    virtual ModemLines read() = 0;
    // Waits at most ms for CTS, DSR, DCD or RI to change. Unsupported: the
    // driver cannot wait for them, the caller reads at intervals instead.
    // Throws Error when the device fails.
    virtual Wait waitForChange(int ms) = 0;
    // Ends a wait under way soon; from any thread.
    virtual void interruptWait() = 0;
};

// Makes the control line of a port open on descriptor fd; label names the
// port in messages ("COM1 (/dev/ttyUSB0)").
using ControlLineMaker = std::function<std::unique_ptr<ControlLine>(int fd, const QString &label)>;
std::unique_ptr<ControlLine> makeControlLine(int fd, const QString &label);
// Replaces the maker (tests install fakes); an empty one puts the
// terminal driver's back.
void setControlLineMaker(ControlLineMaker maker);

} // namespace kestrum

Q_DECLARE_METATYPE(kestrum::ModemLines)
