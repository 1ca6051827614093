#pragma once
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QFileSystemWatcher;

namespace kestrum {

// Waits for a device path to come back after its device was lost, and opens
// it when it does. Event-driven: it watches the folders the path and its
// link target live in (and /dev), so waiting costs no processor time. What
// is at the path when the watch starts is the device that was lost: it is
// not opened again until the path has gone or names another node (for a
// pseudo-terminal: until a link at the path is pointed anew). A device
// node often appears before udev has given it its group, so a refused open
// is retried for a short while, then again at the next change.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    // Opens the device; false when the open was refused.
    using Opener = std::function<bool(const QString &device)>;

    explicit DeviceWatch(Opener open, QObject *parent = nullptr);

    // Starts waiting for the device (replacing any earlier watch).
    void watch(const QString &device);
    void stop();

    bool isWatching() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }

    // How long, and how often, a refused open is tried again.
    static constexpr int kRetryForMs = 500;
    static constexpr int kRetryEveryMs = 40;

signals:
    void watchingChanged(bool watching);

private:
    void changed();
    void attempt();
    void watchFolders();

    Opener m_open;
    QString m_device;
    // The node at the path that may not be opened again ("" once the path
    // has gone).
    QString m_lostNode;
    // The link at the path when the device was lost ("" when none).
    QString m_lostLink;
    QFileSystemWatcher *m_folders = nullptr;
    QTimer m_retry;
    QTimer m_fallback;
    QDeadlineTimer m_retryUntil;
};

} // namespace kestrum
