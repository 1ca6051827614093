#include "core/base/clock.h"
#include "core/base/codec.h"

namespace kestrum {

namespace {

class SystemClock : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

std::unique_ptr<Clock> &current()
{
    static std::unique_ptr<Clock> c;
    return c;
}

} // namespace

Clock &clock()
{
    if (!current())
        current() = std::make_unique<SystemClock>();
    return *current();
}

void setClock(std::unique_ptr<Clock> c) { current() = std::move(c); }

QString withoutTimeZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (c == QLatin1Char('t') && !quoted)
            continue;
        out += c;
    }
    out.replace(QLatin1String("()"), QString());
    return out.trimmed();
}

QString dateText(const QDateTime &when, const QLocale &locale)
{
    const QString text = locale.toString(when.date(), QLocale::ShortFormat);
    return fitsAnsi(text) ? text : QLocale::c().toString(when.date(), QStringLiteral("dd.MM.yyyy"));
}

namespace {

// The pattern with ".zzz" after its seconds field (the last run of "s"
// outside quoted literal text), so that "h:mm:ss AP" reads 2:05:09.123 PM.
QString withMilliseconds(const QString &format)
{
    qsizetype after = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && format.at(i) == QLatin1Char('s'))
            after = i + 1;
    }
    if (after < 0)
        return format;
    return format.left(after) + QLatin1String(".zzz") + format.mid(after);
}

} // namespace

QString timeText(const QDateTime &when, const QLocale &locale, bool milliseconds)
{
    // The locale's long time form carries seconds and a time zone; drop the zone.
    QString format = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    if (!format.contains(QLatin1Char('s')))
        format = QStringLiteral("HH:mm:ss");
    QString numeric = QStringLiteral("HH:mm:ss");
    if (milliseconds) {
        format = withMilliseconds(format);
        numeric = withMilliseconds(numeric);
    }
    const QString text = locale.toString(when.time(), format);
    return fitsAnsi(text) ? text : QLocale::c().toString(when.time(), numeric);
}

} // namespace kestrum
