#pragma once
#include "core/controlline.h"
#include <QElapsedTimer>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace kestrum::test {

// The modem lines of a device the test plays: every port opened while it is
// installed gets a control line over this one state. Writes are recorded
// with the time they were made; the other end's lines change when the test
// says so, waking a wait as the kernel would.
class FakeLines {
public:
    struct Write {
        qint64 atNs;
        bool both;  // DTR and RTS in one write; DTR alone otherwise
        bool dtr;
        bool rts;
    };

    // The other end's lines (CTS, DSR, DCD, RI of lines).
    void play(const ModemLines &lines);
    std::vector<Write> writes() const;
    int reads() const;
    ModemLines lines() const;

    // Set before the port opens: a device without modem lines (non-empty),
    // or a driver that cannot wait for a change.
    QString missing;
    bool kernelWaits = true;

private:
    friend class FakeControlLine;
    friend std::shared_ptr<FakeLines> installFakeLines();
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    ModemLines m_lines;
    std::vector<Write> m_writes;
    int m_reads = 0;
    quint64 m_changes = 0;
    quint64 m_interrupts = 0;
    QElapsedTimer m_clock;
};

// Installs a maker that hands every port opened from now on a line over
// the returned state; resetProgramState() puts the system's back.
std::shared_ptr<FakeLines> installFakeLines();

} // namespace kestrum::test
