#include "core/board/portlines.h"
#include "core/base/error.h"
#include "core/board/linewatcher.h"
#include "core/settings/settingkeys.h"
#include <QCoreApplication>
#include <QTimer>

namespace kestrum {

int storedPulseLength()
{
    bool ok = false;
    const int ms = readSetting(Setting::PulseDTR).trimmed().toInt(&ok);
    return ok && ms >= kShortestPulseMs && ms <= kLongestPulseMs ? ms : kDefaultPulseMs;
}

void storePulseLength(int ms) { writeSetting(Setting::PulseDTR, QString::number(ms)); }

PortLines::PortLines(QObject *parent) : QObject(parent), m_stepTimer(new QTimer(this))
{
    qRegisterMetaType<ModemLines>();
    m_stepTimer->setSingleShot(true);
    // A coarse timer may end a pulse several percent early.
    m_stepTimer->setTimerType(Qt::PreciseTimer);
    connect(m_stepTimer, &QTimer::timeout, this, &PortLines::nextStep);
}

PortLines::~PortLines() { detach(); }

void PortLines::attach(int fd, const QString &label, bool rtsOwned)
{
    detach();
    m_line = makeControlLine(fd, label);
    m_rtsOwned = rtsOwned;
    refresh();
    updateWatcher();
    emit usableChanged();
}

void PortLines::detach()
{
    if (!m_line)
        return;
    const bool pulsing = isPulsing();
    m_stepTimer->stop();
    m_steps.clear();
    delete m_watcher;
    m_watcher = nullptr;
    m_line.reset();
    m_state = ModemLines();
    if (pulsing)
        emit pulseEnded();
    emit linesChanged(m_state);
    emit usableChanged();
}

QString PortLines::unusable() const
{
    if (!m_line)
        return QCoreApplication::translate("Port", "The port is not open.");
    return m_line->missing();
}

ControlLine &PortLines::usableLine() const
{
    const QString why = unusable();
    if (!why.isEmpty())
        throw Error(why);
    if (isPulsing())
        throw Error(QCoreApplication::translate("Port", "The board is being reset: wait for the reset to end."));
    return *m_line;
}

void PortLines::applySwitches(bool dtr, bool rts)
{
    if (!m_line || !m_line->missing().isEmpty())
        return;
    try {
        write({!m_rtsOwned, dtr, rts, 0});
    } catch (const Error &e) {
        emit failure(e.description());
    }
    refresh();
}

void PortLines::setRtsOwned(bool owned)
{
    m_rtsOwned = owned;
    if (!owned || !m_line || !m_line->missing().isEmpty())
        return;
    try {
        m_line->setDtrRts(m_line->read().dtr, true);
    } catch (const Error &e) {
        emit failure(e.description());
    }
    refresh();
}

void PortLines::write(const Step &s)
{
    if (s.both)
        m_line->setDtrRts(s.dtr, s.rts);
    else
        m_line->setDtr(s.dtr);
}

void PortLines::setDtr(bool on)
{
    usableLine().setDtr(on);
    refresh();
}

void PortLines::setRts(bool on)
{
    ControlLine &line = usableLine();
    if (m_rtsOwned)
        throw Error(QCoreApplication::translate("Port",
                "RTS cannot be set by hand while RTS/CTS flow control drives it. Choose another "
                "flow control first."));
    // DTR written again with it: see ControlLine::setDtrRts.
    line.setDtrRts(line.read().dtr, on);
    refresh();
}

void PortLines::pulseDtr()
{
    const bool dtr = usableLine().read().dtr;
    run({{false, !dtr, false, storedPulseLength()}, {false, dtr, false, 0}});
}

void PortLines::resetIntoBootLoader()
{
    usableLine();
    if (m_rtsOwned)
        throw Error(QCoreApplication::translate("Port",
                "The board cannot be reset into its boot loader while RTS/CTS flow control drives RTS. "
                "Choose another flow control first."));
    run({{true, false, true, kBootResetMs}, {true, true, false, kBootReleaseMs}, {true, false, false, 0}});
}

void PortLines::run(std::vector<Step> steps)
{
    // The first step is written now, so that a line that refuses it is the
    // caller's failure.
    write(steps.front());
    m_steps = std::move(steps);
    m_nextStep = 1;
    refresh();
    m_stepTimer->start(m_steps.front().holdMs);
}

void PortLines::nextStep()
{
    if (!m_line || m_nextStep >= m_steps.size())
        return;
    const Step s = m_steps[m_nextStep++];
    try {
        write(s);
    } catch (const Error &e) {
        endSequence();
        emit failure(e.description());
        return;
    }
    refresh();
    if (m_nextStep < m_steps.size())
        m_stepTimer->start(s.holdMs);
    else
        endSequence();
}

void PortLines::endSequence()
{
    m_steps.clear();
    m_nextStep = 0;
    emit pulseEnded();
}

void PortLines::refresh()
{
    if (!m_line || !m_line->missing().isEmpty())
        return;
    try {
        m_state = m_line->read();
    } catch (const Error &) {
        // The device is failing: the port reports that itself.
        return;
    }
    emit linesChanged(m_state);
}

void PortLines::setWatching(bool on)
{
    m_watchWanted = on;
    updateWatcher();
}

bool PortLines::isWatching() const { return m_watcher && m_watcher->isRunning(); }

void PortLines::updateWatcher()
{
    const bool run = m_watchWanted && m_line && m_line->missing().isEmpty();
    if (!run) {
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    if (m_watcher)
        return;
    m_watcher = new LineWatcher(*m_line, this);
    // The lines are read again here: a change the watcher read just before
    // a write made here would otherwise show the line as it was.
    connect(m_watcher, &LineWatcher::changed, this, &PortLines::refresh, Qt::QueuedConnection);
    m_watcher->start();
}

} // namespace kestrum
