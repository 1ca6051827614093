#pragma once
#include "core/board/controlline.h"
#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class QThread;

namespace kestrum {

// Follows the modem lines of an open port on a thread of its own, while it
// runs: it sleeps in the kernel until CTS, DSR, DCD or RI changes where the
// driver can wait for that, and otherwise reads the lines every kPollMs.
// Each change is told by changed(), queued to the watcher's owner.
class LineWatcher : public QObject {
    Q_OBJECT
public:
    // At most 20 reads a second where the driver cannot wait for a change.
    static constexpr int kPollMs = 50;
    // One wait in the kernel lasts at most this long: a change that came
    // between a read and the wait that follows (microseconds) is caught by
    // the next read, at the latest this much later.
    static constexpr int kWaitBoundMs = 1000;
    // Changes closer together than this (CTS under flow control moves
    // thousands of times a second) are told together.
    static constexpr int kQuietMs = 20;

    explicit LineWatcher(ControlLine &line, QObject *parent = nullptr);
    // Stops first.
    ~LineWatcher() override;

    void start();
    // Returns once the thread has ended, a wait in the kernel cut short:
    // the line may be closed then.
    void stop();
    bool isRunning() const { return m_thread != nullptr; }

signals:
    // From the watcher's thread: the lines as read after a change (and once
    // at the start).
    void changed(const kestrum::ModemLines &lines);

private:
    void run();
    // Sleeps ms, or until the time given, unless stopped meanwhile; false
    // when stopped.
    bool pause(int ms);
    bool pauseUntil(std::chrono::steady_clock::time_point when);

    ControlLine &m_line;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::condition_variable m_wake;
};

} // namespace kestrum
