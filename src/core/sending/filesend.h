#pragma once
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

class QTimer;

namespace kestrum {

class MSComm;

// Sends a file's bytes as they are, paced by the line: never ahead of what
// the line's speed allows since the start by more than the port's transmit
// buffer, and never more queued in the port than that buffer. A device that
// takes bytes faster than the line's speed (a pseudo-terminal, a USB device
// that ignores the baud rate) therefore still gets them at that speed, as a
// bootloader behind it expects. The work is done in short steps on the
// port's thread, so receiving goes on meanwhile.
class FileSender : public QObject {
    Q_OBJECT
public:
    explicit FileSender(MSComm *port, QObject *parent = nullptr);
    ~FileSender() override;

    // Opens the file; throws Error when it cannot be read.
    void open(const QString &path);
    // Starts sending the file opened. Throws Error when the port is not
    // open: nothing is sent then and the file is closed.
    void start();
    // Stops at once: what is still queued in the port is dropped. finished
    // follows.
    void cancel();

    bool isSending() const { return m_file.isOpen(); }
    QString fileName() const { return m_path; }
    qint64 total() const { return m_total; }
    // Bytes the port has passed on to the device.
    qint64 sent() const;
    // The count of a send cut short is what the system told; false where
    // it could not tell what it dropped.
    bool countKnown() const { return m_countKnown; }
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

signals:
    // At most every 100 ms while sending.
    void progress(qint64 sent, qint64 total);
    // The send is over: complete, cancelled or failed (failure says why).
    void finished(qint64 sent, bool complete, const QString &failure);

private:
    void step();
    void end(bool complete, const QString &failure);

    MSComm *m_port;
    QTimer *m_timer;
    QFile m_file;
    QString m_path;
    qint64 m_total = 0;
    qint64 m_handed = 0;
    double m_bytesPerMs = 0;
    qint64 m_window = 512;
    QElapsedTimer m_clock;
    qint64 m_lastProgress = -1;
    bool m_countKnown = true;
};

} // namespace kestrum
