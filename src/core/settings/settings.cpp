#include "core/settings/settings.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kestrum {

namespace {

bool g_writeFailureReported = false;
std::function<void(const QString &)> g_warn;

std::unique_ptr<QSettings> openStore()
{
    auto s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                         QStringLiteral("Kestrum"), QStringLiteral("Kestrum"));
    return s;
}

// The stored spelling of a name among the candidates, matched without regard
// to case; the name itself when it is not stored yet.
QString storedName(const QStringList &candidates, const QString &name)
{
    for (const QString &c : candidates)
        if (c.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return QString();
}

// QSettings keeps "General" for keys outside any group; every section of this
// program is a group of its own, so the names map one to one.
QString findSection(QSettings &s, const QString &section)
{
    return storedName(s.childGroups(), section);
}

QString findKey(QSettings &s, const QString &key)
{
    return storedName(s.childKeys(), key);
}

void reportWriteFailure(QSettings &s)
{
    if (s.status() == QSettings::NoError || g_writeFailureReported)
        return;
    g_writeFailureReported = true;
    if (g_warn)
        g_warn(QCoreApplication::translate("Settings",
                "Settings cannot be saved to %1: the file or its folder is not writable. "
                "Changes made in this session will be lost when the program ends.")
                    .arg(QDir::toNativeSeparators(s.fileName())));
}

} // namespace

QString readSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    auto s = openStore();
    // The store answers whatever QSettings could make of the file, whatever
    // its status: a format error is reported only to the first reader after
    // the file changed (refusing on it would answer one thing now and
    // another on the next read), and a store that cannot be written still
    // holds the file with this session's unsaved changes on top. A file
    // that cannot be read at all simply holds nothing.
    const QString group = findSection(*s, section);
    if (group.isEmpty())
        return defaultValue;
    s->beginGroup(group);
    const QString k = findKey(*s, key);
    if (k.isEmpty())
        return defaultValue;
    const QVariant v = s->value(k);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void writeSetting(const QString &section, const QString &key, const QString &value)
{
    auto s = openStore();
    QString group = findSection(*s, section);
    if (group.isEmpty())
        group = section;
    s->beginGroup(group);
    QString k = findKey(*s, key);
    if (k.isEmpty())
        k = key;
    s->setValue(k, value);
    s->endGroup();
    s->sync();
    reportWriteFailure(*s);
}

void removeSetting(const QString &section, const QString &key)
{
    auto s = openStore();
    const QString group = findSection(*s, section);
    if (group.isEmpty())
        return;
    s->beginGroup(group);
    const QString k = findKey(*s, key);
    if (k.isEmpty())
        return;
    s->remove(k);
    s->endGroup();
    s->sync();
    reportWriteFailure(*s);
}

void deleteAllSettings()
{
    auto s = openStore();
    // Only the program's own sections: "Ports" is the user's hand-written
    // map of ports to devices, and losing it would silently point a port at
    // another device.
    const QStringList own{QStringLiteral("Lng"), QStringLiteral("OtherSet"), QStringLiteral("Setings"),
                          QStringLiteral("Parametr"), QStringLiteral("History"), QStringLiteral("Find"),
                          QStringLiteral("Transmit"), QStringLiteral("View"), QStringLiteral("Highlights"),
                          QStringLiteral("Board"), QStringLiteral("Log")};
    for (const QString &group : s->childGroups())
        if (own.contains(group, Qt::CaseInsensitive))
            s->remove(group);
    s->sync();
    reportWriteFailure(*s);
}

QString settingsFilePath() { return openStore()->fileName(); }

QString defaultDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir::toNativeSeparators(QDir::cleanPath(dir) + QLatin1Char('/'));
}

QString defaultDocumentFile() { return defaultDirectory() + QStringLiteral("SaveBlock.txt"); }
QString defaultAutosaveFile() { return defaultDirectory() + QStringLiteral("SaveBlock1.txt"); }

void setStoreWarningHandler(std::function<void(const QString &)> handler) { g_warn = std::move(handler); }

void resetStoreWarnings() { g_writeFailureReported = false; }

} // namespace kestrum
