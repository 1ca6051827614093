#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QFileSystemWatcher;

namespace kestrum {

// What a device path led to when the port was opened on it: the node (""
// when nothing) and the link at the path itself ("" when none). A node that
// is removed and created again, or a link pointed elsewhere, gives another
// identity.
struct DeviceIdentity {
    QString node;
    QString link;
};
DeviceIdentity deviceIdentity(const QString &path);

// Waits for a device path to come back after its device was lost, and opens
// it when it does. Event-driven: it watches the folders the path and its
// link target live in (and /dev), so waiting costs no processor time. The
// device that was lost is not opened again until the path has gone or names
// another node (for a pseudo-terminal: until a link at the path is pointed
// anew). Opening raises DTR, which resets many boards, so a device is opened
// only once this user may open it (a node often appears before udev has
// given it its group; the change of group is a change in its folder), and a
// node that refused an open is not tried again until it changes.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    // Opens the device; false when the open was refused.
    using Opener = std::function<bool(const QString &device)>;

    explicit DeviceWatch(Opener open, QObject *parent = nullptr);

    // Starts waiting for the device (replacing any earlier watch); lost is
    // what the path led to when the port was opened on it.
    void watch(const QString &device, const DeviceIdentity &lost);
    void stop();

    bool isWatching() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }

signals:
    void watchingChanged(bool watching);

private:
    void changed();
    void attempt();
    void watchFolders();

    Opener m_open;
    QString m_device;
    // The node that may not be opened again ("" once the path has gone).
    DeviceIdentity m_lost;
    // The node that refused the last open.
    QString m_refusedNode;
    QFileSystemWatcher *m_folders = nullptr;
    QTimer m_fallback;
};

// Tells when serial devices may have come or gone: watches /dev and the
// folder of stable device links (event-driven, no polling). A burst of
// changes (a node, then its links and its group from udev) is told once.
class DeviceArrivals : public QObject {
    Q_OBJECT
public:
    explicit DeviceArrivals(QObject *parent = nullptr);
    static constexpr int kSettleMs = 300;

signals:
    void devicesChanged();

private:
    void watchFolders();

    QFileSystemWatcher *m_folders;
    QTimer m_settle;
};

} // namespace kestrum
