#include "core/messageline.h"
#include "core/clock.h"
#include "core/options.h"

namespace kestrum {

namespace {

struct LineForm {
    bool date, time, size;
    QLatin1String afterTime, marker, sizeLabel;
};

QString messageLine(const QString &text, const LineForm &f)
{
    QString line;
    if (f.date || f.time) {
        // One reading of the clock, so date and time agree.
        const QDateTime now = clock().now();
        if (f.date)
            line += dateText(now) + QLatin1String("   ");
        if (f.time)
            line += timeText(now) + f.afterTime;
    }
    line += f.marker;
    line += text;
    if (f.size)
        line += f.sizeLabel + QString::number(text.size());
    return line;
}

} // namespace

QString receivedLine(const QString &data, const Options &o)
{
    return messageLine(data, {o.receivedDate, o.receivedTime, o.receivedSize, QLatin1String("    "),
                              QLatin1String(""), QLatin1String("  Size, byte: ")});
}

QString sentLine(const QString &text, const Options &o)
{
    return messageLine(text, {o.sentDate, o.sentTime, o.sentSize, QLatin1String("   "),
                              QLatin1String("<<SenD>>   "), QLatin1String("  Size, byte ")});
}

QString withCrLf(const QString &typed)
{
    QString out;
    out.reserve(typed.size() + typed.size() / 16);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator
            || c == QChar::LineSeparator) {
            if (c == QLatin1Char('\r') && i + 1 < typed.size() && typed.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace kestrum
