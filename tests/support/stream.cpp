#include "support/stream.h"
#include "support/process.h"
#include <QEventLoop>
#include <QList>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace kestrum::test {

bool runUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    poll.start(20);
    return loop.exec() == 0 || condition();
}

char streamByte(qint64 i) { return char(33 + i % 94); }

QByteArray streamBytes(qint64 count)
{
    QByteArray out;
    out.resize(count);
    for (qint64 i = 0; i < count; ++i)
        out[i] = streamByte(i);
    return out;
}

QByteArray joinRecords(const QByteArray &text, bool newestFirst)
{
    QList<QByteArray> lines = text.split('\n');
    if (newestFirst)
        std::reverse(lines.begin(), lines.end());
    QByteArray out;
    out.reserve(text.size());
    for (QByteArray l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
        out += l;
    }
    return out;
}

void PacedWriter::start(int fd, qint64 bytesPerSecond, int seconds, std::function<void()> onRound)
{
    stop();
    m_stop = false;
    m_done = false;
    m_sent = 0;
    m_worstLag = 0;
    m_thread = std::thread([this, fd, bytesPerSecond, seconds, onRound] {
        using Clock = std::chrono::steady_clock;
        const auto begin = Clock::now();
        const auto end = begin + std::chrono::seconds(seconds);
        qint64 n = 0;
        char buf[4096];
        while (!m_stop && Clock::now() < end) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
            qint64 due = qint64(elapsed * double(bytesPerSecond)) - n;
            while (due > 0 && !m_stop) {
                const int chunk = int(std::min<qint64>(due, qint64(sizeof buf)));
                for (int i = 0; i < chunk; ++i)
                    buf[i] = streamByte(n + i);
                const ssize_t w = ::write(fd, buf, size_t(chunk));
                if (w <= 0)
                    break;  // the line is full: the rest is due next round
                n += w;
                due -= w;
                m_sent = n;
            }
            if (due > m_worstLag)
                m_worstLag = due;
            if (onRound)
                onRound();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_threadCpu = cpuSeconds(RUSAGE_THREAD);
        m_done = true;
    });
}

void PacedWriter::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void PacedWriter::stop()
{
    m_stop = true;
    wait();
}

} // namespace kestrum::test
