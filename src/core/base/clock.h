#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <memory>

namespace kestrum {

// The time of day the message lines are stamped with. The program reads the
// system clock; tests install one they set by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

Clock &clock();
// Replaces the clock in use; nothing puts the system clock back.
void setClock(std::unique_ptr<Clock> c);

// The date and time texts of the message lines: the locale's short date
// form, time of day with seconds and no time zone. Where the locale's text
// has a character the Windows-1251 files cannot hold, the numeric forms
// dd.MM.yyyy and HH:mm:ss. With milliseconds, the seconds are followed by a
// point and three digits.
QString dateText(const QDateTime &when, const QLocale &locale = QLocale::system());
QString timeText(const QDateTime &when, const QLocale &locale = QLocale::system(), bool milliseconds = false);

// A time pattern without its time-zone field ("t" outside quoted literal
// text) and the blanks or empty brackets around it.
QString withoutTimeZone(const QString &format);

} // namespace kestrum
