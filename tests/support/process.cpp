#include "support/process.h"
#include <QFile>

namespace kestrum::test {

double cpuSeconds(int who)
{
    struct rusage u;
    ::getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long statusKiB(const QByteArray &field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
    return -1;
}

long vmRssKiB() { return statusKiB("VmRSS"); }
long rssAnonKiB() { return statusKiB("RssAnon"); }

} // namespace kestrum::test
