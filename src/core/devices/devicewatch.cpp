#include "core/devices/devicewatch.h"
#include "core/devices/serialdevices.h"
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace kestrum {

namespace {

// What the path leads to now, "" when nothing: a node that is removed and
// created again, or a link pointed elsewhere, gives another text.
QString nodeAt(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(st.st_dev)
        .arg(st.st_ino)
        .arg(st.st_rdev)
        .arg(st.st_ctim.tv_sec)
        .arg(st.st_ctim.tv_nsec);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    return info.canonicalFilePath() + QLatin1Char('@')
           + QString::number(info.metadataChangeTime().toMSecsSinceEpoch());
#endif
}

// The link at the path itself, "" for a path that is no link: a link that
// is made again or pointed elsewhere gives another text.
QString linkAt(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return QString();
    return QStringLiteral("%1:%2:%3.%4").arg(st.st_dev).arg(st.st_ino).arg(st.st_ctim.tv_sec).arg(st.st_ctim.tv_nsec);
#else
    return QFileInfo(path).symLinkTarget();
#endif
}

// A closed pseudo-terminal never comes back: its number goes to the next
// program that asks for one.
bool pseudoTerminal(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136
           && major(st.st_rdev) <= 143;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// The folder a path lives in, or the nearest one above it that exists (a
// folder such as /dev/serial/by-id goes with the last adapter).
QString nearestFolder(const QString &path)
{
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            break;
        folder = up;
    }
    return folder;
}

// Whether this user may open the device for reading and writing, asked
// without opening it.
bool mayOpen(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK | W_OK, AT_EACCESS) == 0;
#else
    const QFileInfo info(path);
    return info.isReadable() && info.isWritable();
#endif
}

} // namespace

DeviceIdentity deviceIdentity(const QString &path)
{
    return DeviceIdentity{nodeAt(path), linkAt(path)};
}

DeviceWatch::DeviceWatch(Opener open, QObject *parent) : QObject(parent), m_open(std::move(open))
{
    // Only when no folder can be watched (the system's watch limit reached).
    m_fallback.setInterval(1000);
    connect(&m_fallback, &QTimer::timeout, this, &DeviceWatch::changed);
}

void DeviceWatch::watch(const QString &device, const DeviceIdentity &lost)
{
    if (device.isEmpty()) {
        stop();
        return;
    }
    const bool was = isWatching();
    m_device = device;
    m_lost = lost;
    m_refusedNode.clear();
    watchFolders();
    // The device may have come back before its loss was noticed; asked once
    // the loss has been reported everywhere.
    QMetaObject::invokeMethod(this, &DeviceWatch::attempt, Qt::QueuedConnection);
    if (!was)
        emit watchingChanged(true);
}

void DeviceWatch::stop()
{
    const bool was = isWatching();
    m_device.clear();
    m_lost = DeviceIdentity();
    m_refusedNode.clear();
    m_fallback.stop();
    if (m_folders && !m_folders->directories().isEmpty())
        m_folders->removePaths(m_folders->directories());
    if (was)
        emit watchingChanged(false);
}

void DeviceWatch::watchFolders()
{
    if (!m_folders) {
        m_folders = new QFileSystemWatcher(this);
        connect(m_folders, &QFileSystemWatcher::directoryChanged, this, &DeviceWatch::changed);
    }
    QSet<QString> wanted{nearestFolder(m_device)};
    const QFileInfo info(m_device);
    if (info.isSymLink())
        wanted << nearestFolder(info.symLinkTarget());
    if (QFileInfo(QStringLiteral("/dev")).isDir())
        wanted << QStringLiteral("/dev");
    QStringList gone;
    for (const QString &d : m_folders->directories())
        if (!wanted.remove(d))
            gone << d;
    if (!gone.isEmpty())
        m_folders->removePaths(gone);
    if (!wanted.isEmpty())
        m_folders->addPaths(QStringList(wanted.begin(), wanted.end()));
    if (m_folders->directories().isEmpty())
        m_fallback.start();
    else
        m_fallback.stop();
}

void DeviceWatch::changed()
{
    if (!isWatching())
        return;
    // A folder that has appeared since may be the device's own.
    watchFolders();
    attempt();
}

void DeviceWatch::attempt()
{
    if (!isWatching())
        return;
    const QString node = nodeAt(m_device);
    if (node.isEmpty()) {
        m_lost.node.clear();
        return;
    }
    if (node == m_lost.node || node == m_refusedNode)
        return;
    // Only a link pointed anew leads to a pseudo-terminal that stands for
    // the device; one reached otherwise belongs to some other program.
    if (pseudoTerminal(m_device) && linkAt(m_device) == m_lost.link)
        return;
    // Not yet this user's: its group or mode changing is a change in its
    // folder, which asks again.
    if (!mayOpen(m_device))
        return;
    const QString device = m_device;
    if (m_open(device)) {
        stop();
        return;
    }
    if (m_device == device)
        m_refusedNode = node;
}

DeviceArrivals::DeviceArrivals(QObject *parent) : QObject(parent), m_folders(new QFileSystemWatcher(this))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        // The by-id folder comes with the first adapter and goes with the last.
        watchFolders();
        emit devicesChanged();
    });
    connect(m_folders, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    watchFolders();
}

void DeviceArrivals::watchFolders()
{
    QStringList wanted{QStringLiteral("/dev"), nearestFolder(byIdFolder() + QStringLiteral("/."))};
    wanted.removeDuplicates();
    for (const QString &d : m_folders->directories())
        if (!wanted.removeOne(d))
            m_folders->removePath(d);
    for (const QString &d : wanted)
        if (QFileInfo(d).isDir())
            m_folders->addPath(d);
}

} // namespace kestrum
