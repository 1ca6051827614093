#pragma once
#include <QByteArray>
#include <atomic>
#include <functional>
#include <thread>

namespace kestrum::test {

// Byte i of a test stream: printable, never CR or LF, so that the records
// of the received box and the autosave file can be joined back into it.
char streamByte(qint64 i);
QByteArray streamBytes(qint64 count);

// Joins the records of a received box (newest first) or an autosave file
// (oldest first) back into one stream.
QByteArray joinRecords(const QByteArray &text, bool newestFirst);

// Runs the event loop until the condition holds (false after timeoutMs).
// Unlike QTest's waits it never sleeps outside the loop, so a fast stream is
// drained as it would be in the running program.
bool runUntil(const std::function<bool()> &condition, int timeoutMs);

// Plays a device sending without pause at a given rate on the master side of
// a pseudo-terminal, from a thread of its own.
class PacedWriter {
public:
    ~PacedWriter() { stop(); }
    // onRound, when given, runs on the writer's thread after every round.
    void start(int fd, qint64 bytesPerSecond, int seconds, std::function<void()> onRound = {});
    // Ends the stream early (or waits for its end) and joins the thread.
    void stop();
    void wait();
    bool done() const { return m_done; }
    qint64 sent() const { return m_sent; }
    // The most bytes ever due but not yet taken by the line.
    qint64 worstLag() const { return m_worstLag; }
    // Processor time of the writer's thread, once it has ended.
    double threadCpu() const { return m_threadCpu; }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<qint64> m_sent{0};
    std::atomic<qint64> m_worstLag{0};
    std::atomic<double> m_threadCpu{0};
};

} // namespace kestrum::test
