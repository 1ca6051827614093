#pragma once
#include "core/board/controlline.h"
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QTimer;

namespace kestrum {

class LineWatcher;

// The length of "Reset the board"'s DTR pulse, kept in the settings ([Board]
// PulseDTR, milliseconds); a stored value that is not a whole number of
// kShortestPulseMs to kLongestPulseMs reads as kDefaultPulseMs.
constexpr int kDefaultPulseMs = 100;
constexpr int kShortestPulseMs = 1;
constexpr int kLongestPulseMs = 10000;
int storedPulseLength();
void storePulseLength(int ms);

// DTR and RTS of the open port driven by hand, the board's reset and boot
// loader sequences, and the modem lines followed for the lamps. Belongs to
// the serial-port object, which attaches it when the port opens and
// detaches it before the port's descriptor closes.
//
// The Options window's two switches are what a port gets when it opens
// (and at Apply, which opens it again); the hand toggles and the sequences
// change only the open line, and are not stored. Opening a port raises DTR
// and RTS in the kernel (a board with an auto-reset circuit resets then):
// the switches' values follow in the same opening step, both lines in one
// write, before any byte is read or sent.
class PortLines : public QObject {
    Q_OBJECT
public:
    // "Reset into the boot loader" follows esptool's classic reset
    // (esptool/reset.py, ClassicReset, with both lines in one write as its
    // UnixTightReset does): on the usual ESP32/ESP8266 board RTS drives EN
    // and DTR drives IO0, each active low through a transistor, and the two
    // asserted together pull neither. RTS alone holds EN low for 100 ms;
    // then EN is released while DTR holds IO0 low, which the chip samples
    // as it starts; after 50 ms (esptool's DEFAULT_RESET_DELAY) IO0 is
    // released too.
    static constexpr int kBootResetMs = 100;
    static constexpr int kBootReleaseMs = 50;

    explicit PortLines(QObject *parent = nullptr);
    ~PortLines() override;

    // The serial-port object's part. The port opened on descriptor fd;
    // rtsOwned: RTS/CTS flow control drives RTS.
    void attach(int fd, const QString &label, bool rtsOwned);
    // Before the descriptor closes: a sequence under way stops where it is
    // and the watcher ends. Nothing is written to the line.
    void detach();
    // The Options window's switches on the open line, both in one write;
    // only DTR while flow control owns RTS. A device without modem lines
    // is left alone; a failure is reported by failure().
    void applySwitches(bool dtr, bool rts);
    // Flow control took RTS (it is asserted, so the other end may send) or
    // gave it back (it stays as it is).
    void setRtsOwned(bool owned);

    // What the windows use.
    bool isOpen() const { return m_line != nullptr; }
    // Empty when DTR and RTS can be driven; otherwise why not (the port is
    // closed, or its device has no modem lines), for a tooltip.
    QString unusable() const;
    // As last read from the device (all off while closed).
    ModemLines state() const { return m_state; }
    bool isRtsOwned() const { return m_rtsOwned; }
    // Set at once on the open line. Throw Error when the port is closed,
    // its device has no modem lines, a sequence runs, or (RTS) flow control
    // owns RTS.
    void setDtr(bool on);
    void setRts(bool on);
    // "Reset the board": DTR turned over for storedPulseLength() and back,
    // as tio pulses a line (a board resets on either edge through its
    // capacitor, or while DTR is held). Returns at once; pulseEnded follows.
    // Throws Error as setDtr does.
    void pulseDtr();
    // "Reset into the boot loader" (see kBootResetMs). Returns at once;
    // throws Error as setRts does.
    void resetIntoBootLoader();
    bool isPulsing() const { return !m_steps.empty(); }
    // The lamps are shown: the lines are followed while the port is open
    // and has them. Nothing is read while this is off.
    void setWatching(bool on);
    bool isWatching() const;

signals:
    // After every write, every change the watcher sees, and at open and close.
    void linesChanged(const kestrum::ModemLines &lines);
    // The port opened or closed: unusable() may have changed.
    void usableChanged();
    // A pulse or sequence is over, done or stopped by the port's closing.
    void pulseEnded();
    // A write that failed when nobody waited for it (a step of a sequence,
    // the switches at open).
    void failure(const QString &description);

private:
    struct Step {
        bool both;   // DTR and RTS in one write; DTR alone otherwise
        bool dtr;
        bool rts;
        int holdMs;  // before the next step
    };
    ControlLine &usableLine() const;
    void write(const Step &s);
    void run(std::vector<Step> steps);
    void nextStep();
    void endSequence();
    void refresh();
    void updateWatcher();

    std::unique_ptr<ControlLine> m_line;
    ModemLines m_state;
    bool m_rtsOwned = false;
    bool m_watchWanted = false;
    LineWatcher *m_watcher = nullptr;
    std::vector<Step> m_steps;
    size_t m_nextStep = 0;
    QTimer *m_stepTimer;
};

} // namespace kestrum
