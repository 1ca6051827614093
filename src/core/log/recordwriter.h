#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class QSocketNotifier;

namespace kestrum {

// Appends the autosave file's records, each its line and CR LF, in the order
// given. A short record with none still waiting before it is written at once
// and its failure thrown (Error); a long one, and every one after it while
// it waits, is written on a thread of its own, so that a message of
// megabytes does not hold the window, and its failure is told by failed().
class RecordWriter : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kShort = 64 * 1024;

    explicit RecordWriter(QObject *parent = nullptr);
    // Writes what still waits first.
    ~RecordWriter() override;

    // The first length bytes of line are the record.
    void append(const QString &path, const QByteArray &line, qsizetype length);
    // Returns once every record given so far is written.
    void finish();

signals:
    void failed(const QString &description);

private:
    struct Record {
        QString path;
        QByteArray line;
        qsizetype length;
    };
    void run();
    void tell();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Record> m_waiting;
    bool m_writing = false;
    bool m_stop = false;
    QStringList m_failures;
    int m_told = -1;
    QSocketNotifier *m_notifier = nullptr;
    std::thread m_thread;
};

} // namespace kestrum
