#include "core/log/logchoices.h"
#include "core/settings/settingkeys.h"
#include <cmath>

namespace kestrum {

namespace {

bool storedOn(Setting s) { return readSetting(s).trimmed() == QLatin1String("1"); }

QString onOff(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

qint64 LogChoices::fileSizeBytes() const
{
    // At least a byte: a size of nothing would start a file for every record.
    return qMax<qint64>(1, qint64(std::llround(fileSizeMB * 1048576.0)));
}

LogChoices LogChoices::stored()
{
    LogChoices c;
    bool ok = false;
    const int files = readSetting(Setting::LogFiles).trimmed().toInt(&ok);
    if (ok && files >= 0 && files <= 2)
        c.files = FilePolicy(files);
    const double size = readSetting(Setting::LogFileSize).trimmed().toDouble(&ok);
    if (ok && std::isfinite(size) && size > 0 && size <= 1e9)
        c.fileSizeMB = size;
    c.portEvents = storedOn(Setting::LogPortEvents);
    c.milliseconds = storedOn(Setting::LogMilliseconds);
    c.sinceLast = storedOn(Setting::LogSinceLast);
    return c;
}

void LogChoices::store() const
{
    writeSetting(Setting::LogFiles, QString::number(int(files)));
    writeSetting(Setting::LogFileSize, QString::number(fileSizeMB));
    writeSetting(Setting::LogPortEvents, onOff(portEvents));
    writeSetting(Setting::LogMilliseconds, onOff(milliseconds));
    writeSetting(Setting::LogSinceLast, onOff(sinceLast));
}

} // namespace kestrum
