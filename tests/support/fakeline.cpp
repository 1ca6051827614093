#include "support/fakeline.h"
#include "core/error.h"
#include <chrono>

namespace kestrum::test {

class FakeControlLine : public ControlLine {
public:
    explicit FakeControlLine(std::shared_ptr<FakeLines> s) : m_s(std::move(s)) {}

    QString missing() const override { return m_s->missing; }

    void setDtr(bool on) override { write(false, on, false); }
    void setDtrRts(bool dtr, bool rts) override { write(true, dtr, rts); }

    ModemLines read() override
    {
        std::lock_guard<std::mutex> lock(m_s->m_lock);
        ++m_s->m_reads;
        return m_s->m_lines;
    }

    Wait waitForChange(int ms) override
    {
        std::unique_lock<std::mutex> lock(m_s->m_lock);
        if (!m_s->kernelWaits)
            return Wait::Unsupported;
        const quint64 changes = m_s->m_changes, interrupts = m_s->m_interrupts;
        const bool changed = m_s->m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            return m_s->m_changes != changes || m_s->m_interrupts != interrupts;
        });
        return changed && m_s->m_changes != changes ? Wait::Changed : Wait::TimedOut;
    }

    void interruptWait() override
    {
        std::lock_guard<std::mutex> lock(m_s->m_lock);
        ++m_s->m_interrupts;
        m_s->m_changed.notify_all();
    }

private:
    void write(bool both, bool dtr, bool rts)
    {
        // The port must not drive lines its device does not have.
        if (!m_s->missing.isEmpty())
            throw Error(m_s->missing);
        std::lock_guard<std::mutex> lock(m_s->m_lock);
        m_s->m_writes.push_back({m_s->m_clock.nsecsElapsed(), both, dtr, both ? rts : m_s->m_lines.rts});
        m_s->m_lines.dtr = dtr;
        if (both)
            m_s->m_lines.rts = rts;
    }

    std::shared_ptr<FakeLines> m_s;
};

void FakeLines::play(const ModemLines &lines)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_lines.cts = lines.cts;
    m_lines.dsr = lines.dsr;
    m_lines.dcd = lines.dcd;
    m_lines.ri = lines.ri;
    ++m_changes;
    m_changed.notify_all();
}

std::vector<FakeLines::Write> FakeLines::writes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_writes;
}

int FakeLines::reads() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_reads;
}

ModemLines FakeLines::lines() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lines;
}

std::shared_ptr<FakeLines> installFakeLines()
{
    auto s = std::make_shared<FakeLines>();
    s->m_clock.start();
    setControlLineMaker([s](int, const QString &) {
        // Opening raises DTR and RTS, as the kernel does.
        std::lock_guard<std::mutex> lock(s->m_lock);
        s->m_lines.dtr = s->m_lines.rts = true;
        return std::make_unique<FakeControlLine>(s);
    });
    return s;
}

} // namespace kestrum::test
