#include "core/board/linewatcher.h"
#include "core/base/error.h"
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <chrono>

namespace kestrum {

LineWatcher::LineWatcher(ControlLine &line, QObject *parent) : QObject(parent), m_line(line)
{
    qRegisterMetaType<ModemLines>();
}

LineWatcher::~LineWatcher() { stop(); }

void LineWatcher::start()
{
    if (m_thread)
        return;
    m_stop = false;
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("LineWatcher"));
    m_thread->start();
}

void LineWatcher::stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    // A wake that comes just before the thread enters its wait is lost;
    // the next one ends it.
    m_line.interruptWait();
    while (!m_thread->wait(5))
        m_line.interruptWait();
    delete m_thread;
    m_thread = nullptr;
}

bool LineWatcher::pause(int ms) { return pauseUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)); }

bool LineWatcher::pauseUntil(std::chrono::steady_clock::time_point when)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return !m_wake.wait_until(lock, when, [this] { return m_stop.load(); });
}

void LineWatcher::run()
{
    ModemLines last;
    bool told = false;
    bool kernelWaits = true;
    QElapsedTimer sinceTold;
    // Reads at intervals keep their pace, however long each took.
    auto nextRead = std::chrono::steady_clock::now();
    try {
        while (!m_stop) {
            const ModemLines now = m_line.read();
            if (!told || now != last) {
                emit changed(now);
                last = now;
                told = true;
                sinceTold.start();
            }
            if (kernelWaits) {
                const ControlLine::Wait w = m_line.waitForChange(kWaitBoundMs);
                if (w == ControlLine::Wait::Changed) {
                    const qint64 since = sinceTold.elapsed();
                    if (since < kQuietMs && !pause(int(kQuietMs - since)))
                        break;
                }
                if (w != ControlLine::Wait::Unsupported)
                    continue;
                kernelWaits = false;
            }
            nextRead = std::max(nextRead + std::chrono::milliseconds(kPollMs), std::chrono::steady_clock::now());
            if (!pauseUntil(nextRead))
                break;
        }
    } catch (const Error &) {
        // The device failed: the port finds that out and reports it itself;
        // the lines are not followed any more.
    }
}

} // namespace kestrum
