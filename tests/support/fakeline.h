#pragma once
#include "core/board/controlline.h"
#include <QElapsedTimer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace kestrum::test {

// The modem lines of a device the test plays, under every port opened after
// install(): writes are recorded with their time, and play() changes the
// other end's lines, waking a wait as the kernel would.
struct FakeLines : std::enable_shared_from_this<FakeLines> {
    struct Write {
        qint64 atNs;
        bool both;  // DTR and RTS in one write; DTR alone otherwise
        bool dtr, rts;
    };
    bool kernelWaits = true;  // set before the port opens
    mutable std::mutex lock;
    std::condition_variable changed;
    ModemLines lines;
    std::vector<Write> writes;
    int reads = 0;
    quint64 changes = 0, interrupts = 0;
    QElapsedTimer clock;

    template<typename F> auto locked(F f) const { std::lock_guard<std::mutex> l(lock); return f(); }
    // CTS, DSR, DCD and RI of far become the device's.
    void play(const ModemLines &far)
    {
        std::lock_guard<std::mutex> l(lock);
        lines = {lines.dtr, lines.rts, far.cts, far.dsr, far.dcd, far.ri};
        ++changes;
        changed.notify_all();
    }

    struct Line : ControlLine {
        std::shared_ptr<FakeLines> s;
        explicit Line(std::shared_ptr<FakeLines> f) : s(std::move(f)) {}
        QString missing() const override { return QString(); }
        void setDtr(bool on) override { write(false, on, false); }
        void setDtrRts(bool dtr, bool rts) override { write(true, dtr, rts); }
        ModemLines read() override { return s->locked([&] { ++s->reads; return s->lines; }); }
        Wait waitForChange(int ms) override
        {
            std::unique_lock<std::mutex> l(s->lock);
            if (!s->kernelWaits)
                return Wait::Unsupported;
            const quint64 c = s->changes, i = s->interrupts;
            s->changed.wait_for(l, std::chrono::milliseconds(ms), [&] { return s->changes != c || s->interrupts != i; });
            return s->changes != c ? Wait::Changed : Wait::TimedOut;
        }
        void interruptWait() override { s->locked([&] { ++s->interrupts; s->changed.notify_all(); return 0; }); }
        void write(bool both, bool dtr, bool rts)
        {
            s->locked([&] {
                s->lines.dtr = dtr;
                s->lines.rts = both ? rts : s->lines.rts;
                s->writes.push_back({s->clock.nsecsElapsed(), both, dtr, s->lines.rts});
                return 0;
            });
        }
    };

    // resetProgramState() puts the system's lines back.
    void install()
    {
        clock.start();
        setControlLineMaker([s = shared_from_this()](int, const QString &) {
            // Opening raises DTR and RTS, as the kernel does.
            s->locked([&] { return s->lines.dtr = s->lines.rts = true; });
            return std::make_unique<Line>(s);
        });
    }
};

} // namespace kestrum::test
