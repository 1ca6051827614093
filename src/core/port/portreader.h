#pragma once
#include "core/port/framer.h"
#include "core/port/paritymarks.h"
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrum {

// The receiving side of a port: a thread of its own that sleeps in the
// kernel until bytes arrive or a message falls due, and reads every arrival
// at once, as `cat` does. A device that hangs up can then take nothing the
// kernel had handed over, and a wake-up costs a system call, not a turn of
// the window's event loop. The thread undoes parity marks, drops NUL when
// asked, and frames the messages by the bytes' arrival times; what it finds
// waits for the owner's thread, which takes it when readyFd() turns
// readable (at most once a frame under a flood). It never waits on the
// owner: with more than kMostWaiting bytes not yet taken it stops reading
// until they are, and the kernel holds the rest.
//
// Every member is called on the owner's thread.
class PortReader {
public:
    static constexpr qsizetype kMostWaiting = 64 << 20;

    PortReader();
    ~PortReader();
    PortReader(const PortReader &) = delete;
    PortReader &operator=(const PortReader &) = delete;

    // Reads this open descriptor from now on; opening tells this opening
    // of the port from the others in what the thread reports.
    void attach(int fd, quint64 opening);
    // Stops reading the descriptor (which may then be closed); returns as
    // soon as the thread has let go of it, at most one read later. A
    // message under way goes on to its end.
    void detach();

    // For messages that begin from now on.
    void setTimeout(int ms);
    void setNullDiscard(bool on);
    void setMarking(bool on);

    // What was found since the last take, oldest first. Each of the calls
    // below returns these too, before what it did itself.
    ReceiveEvents take();
    // Steps of the framing on the owner's thread (see Framer).
    ReceiveEvents begin();
    ReceiveEvents tick();
    ReceiveEvents abandonWait();
    // The device is gone: a parity mark it cut, then the message under way,
    // end now.
    ReceiveEvents endNow();

    // Readable while take() has something.
    int readyFd() const { return m_ready; }
    qsizetype gathered() const;
    // take() has something, or will have once the message under way ends.
    bool holdsAny() const;
    // Bytes read since the reader was made.
    qint64 bytesRead() const;
    Framer::State state() const;

private:
    void run();
    void ensureRunning();
    void wake();
    void readArrivals(int fd, short revents, qint64 now);
    // With m_lock held:
    ReceiveEvents takeLocked();
    void took(const char *data, qsizetype n, qint64 now);
    void decoded(const char *data, qsizetype n, qint64 now, qint64 wallMs);
    void lose(int error);
    void letGo();
    qsizetype waitingBytes() const;

    mutable std::mutex m_lock;
    std::condition_variable m_letGo;
    Framer m_framer;
    ParityMarks m_marks;
    bool m_nullDiscard = false;
    int m_fd = -1;
    quint64 m_opening = 0;
    bool m_detach = false;
    bool m_stop = false;
    // Wake-ups that found the descriptor ready and nothing in it.
    int m_emptyWakes = 0;
    ReceiveEvents m_found;
    bool m_announced = false;
    qint64 m_lastAnnounced = 0;
    bool m_holding = false;
    qint64 m_bytesRead = 0;

    // What a read lands in, the thread's alone (a terminal driver hands
    // over a few KB a read).
    char m_chunk[16384];

    int m_wake = -1;   // the owner wakes the thread
    int m_ready = -1;  // the thread tells the owner
    std::thread m_thread;
};

} // namespace kestrum
