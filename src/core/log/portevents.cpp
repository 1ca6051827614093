#include "core/log/portevents.h"
#include "core/base/clock.h"
#include "core/base/codec.h"
#include "core/base/error.h"
#include <QCoreApplication>

namespace kestrum {

namespace {

QString label(const PortEvent &e)
{
    return e.device.isEmpty() ? e.port : QStringLiteral("%1 (%2)").arg(e.port, shownPath(e.device));
}

QString isoTime(const QDateTime &at, bool milliseconds)
{
    return at.toString(milliseconds ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

PortEvent PortEventLog::note(PortEvent::Kind kind, const QString &port, const QString &device)
{
    PortEvent e;
    e.kind = kind;
    e.at = (m_clock ? *m_clock : clock()).now();
    e.port = port;
    e.device = device;
    if (kind == PortEvent::Lost) {
        m_lost = true;
        m_losses.push_back(e.at);
    } else if (kind == PortEvent::Opened && m_lost) {
        m_lost = false;
        e.kind = PortEvent::OpenedAgain;
        while (!m_losses.empty() && m_losses.front().msecsTo(e.at) > kResetWindowMs)
            m_losses.pop_front();
        e.resetting = int(m_losses.size()) >= kResets;
    }
    return e;
}

QByteArray portEventLine(const PortEvent &e, bool milliseconds)
{
    static const char *const what[] = {"opened", "closed", "lost", "opened again"};
    QString line = QStringLiteral("<<Port %1 %2 %3").arg(label(e), QLatin1String(what[e.kind]), isoTime(e.at, milliseconds));
    if (e.resetting)
        line += QLatin1String(": the board seems to be resetting again and again");
    line += QLatin1String(">>");
    if (!fitsAnsi(line))
        for (QChar &c : line)
            if (!fitsAnsi(QString(c)))
                c = QLatin1Char('?');
    return toAnsi(line);
}

QString portEventMessage(const PortEvent &e)
{
    const QString when = isoTime(e.at, false);
    switch (e.kind) {
    case PortEvent::Opened:
        return QCoreApplication::translate("Log", "%1 %2 opened").arg(when, label(e));
    case PortEvent::Closed:
        return QCoreApplication::translate("Log", "%1 %2 closed").arg(when, label(e));
    case PortEvent::Lost:
        return QCoreApplication::translate("Log", "%1 %2 lost: the device went away").arg(when, label(e));
    case PortEvent::OpenedAgain:
        break;
    }
    if (e.resetting)
        return QCoreApplication::translate("Log", "%1 %2 opened again: the board seems to be resetting again and again")
            .arg(when, label(e));
    return QCoreApplication::translate("Log", "%1 %2 opened again").arg(when, label(e));
}

} // namespace kestrum
