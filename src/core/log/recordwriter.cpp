#include "core/log/recordwriter.h"
#include "core/base/error.h"
#include "core/document/textfile.h"
#include <QSocketNotifier>
#include <cerrno>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrum {

RecordWriter::RecordWriter(QObject *parent) : QObject(parent), m_told(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    m_notifier = new QSocketNotifier(m_told, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &RecordWriter::tell);
}

RecordWriter::~RecordWriter()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    delete m_notifier;
    ::close(m_told);
}

void RecordWriter::append(const QString &path, const QByteArray &line, qsizetype length)
{
    {
        std::unique_lock lock(m_lock);
        if (length >= kShort || m_writing || !m_waiting.empty()) {
            m_waiting.push_back({path, line, length});
            if (!m_thread.joinable()) {
                m_thread = std::thread(&RecordWriter::run, this);
                pthread_setname_np(m_thread.native_handle(), "kestrum-writer");
            }
            lock.unlock();
            m_changed.notify_all();
            return;
        }
    }
    appendRecordBytes(path, QByteArrayView(line.constData(), length));
}

void RecordWriter::finish()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_waiting.empty() && !m_writing; });
}

void RecordWriter::run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
        if (m_waiting.empty())
            return;
        const Record r = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_writing = true;
        lock.unlock();
        QString failure;
        try {
            appendRecordBytes(r.path, QByteArrayView(r.line.constData(), r.length));
        } catch (const Error &e) {
            failure = e.description();
        }
        lock.lock();
        m_writing = false;
        if (!failure.isEmpty()) {
            m_failures << failure;
            const quint64 one = 1;
            while (::write(m_told, &one, sizeof one) < 0 && errno == EINTR) {
            }
        }
        m_changed.notify_all();
    }
}

void RecordWriter::tell()
{
    QStringList failures;
    {
        const std::lock_guard lock(m_lock);
        quint64 count;
        while (::read(m_told, &count, sizeof count) < 0 && errno == EINTR) {
        }
        failures.swap(m_failures);
    }
    for (const QString &f : failures)
        emit failed(f);
}

} // namespace kestrum
