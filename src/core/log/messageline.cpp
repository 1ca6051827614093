#include "core/log/messageline.h"
#include "core/base/clock.h"
#include "core/base/codec.h"
#include "core/settings/options.h"

namespace kestrum {

namespace {

struct LineForm {
    bool date, time, size;
    QLatin1String afterTime, marker, sizeLabel;
};

// What goes before and after the text.
std::pair<QString, QString> decorations(qsizetype size, const LineForm &f, const Stamp &stamp)
{
    QString before, after;
    const bool gap = stamp.sinceLastMs.has_value();
    if (f.date || f.time) {
        // One reading of the clock, so date and time agree.
        const QDateTime now = stamp.at.isValid() ? stamp.at : clock().now();
        if (f.date)
            before += dateText(now) + QLatin1String("   ");
        if (f.time)
            before += timeText(now, QLocale::system(), stamp.milliseconds) + (gap ? QLatin1String(" ") : f.afterTime);
    }
    if (gap)
        before += (*stamp.sinceLastMs < 0 ? QString::number(*stamp.sinceLastMs)
                                          : QLatin1Char('+') + QString::number(*stamp.sinceLastMs))
                  + QLatin1String(" ms") + f.afterTime;
    before += f.marker;
    if (f.size)
        after = f.sizeLabel + QString::number(size);
    return {before, after};
}

QString messageLine(const QString &text, const LineForm &f, qsizetype size, const Stamp &stamp)
{
    const auto [before, after] = decorations(size < 0 ? text.size() : size, f, stamp);
    return before + text + after;
}

LineForm receivedForm(const Options &o)
{
    return {o.receivedDate, o.receivedTime, o.receivedSize, QLatin1String("    "), QLatin1String(""),
            QLatin1String("  Size, byte: ")};
}

} // namespace

QByteArray receivedLine(QByteArray data, const Options &o, qsizetype *dataAt, const Stamp &stamp)
{
    const auto [before, after] = decorations(data.size(), receivedForm(o), stamp);
    if (dataAt)
        *dataAt = 0;
    if (before.isEmpty() && after.isEmpty())
        return data;
    QByteArray line;
    line.reserve(data.size() + before.size() + after.size());
    // Without the code page the decorations go as Latin-1 (they are ASCII then).
    if (!appendAnsi(before, line))
        line += before.toLatin1();
    if (dataAt)
        *dataAt = line.size();
    line += data;
    if (!appendAnsi(after, line))
        line += after.toLatin1();
    return line;
}

QString sentLine(const QString &text, const Options &o, qsizetype size, const Stamp &stamp)
{
    return messageLine(text, {o.sentDate, o.sentTime, o.sentSize, QLatin1String("   "),
                              QLatin1String("<<SenD>>   "), QLatin1String("  Size, byte ")}, size, stamp);
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
