#include "core/document/hexview.h"
#include "core/base/codec.h"
#include <QRegularExpression>
#include <algorithm>

namespace kestrum {

namespace {

// The date and time texts are the locale's numeric short date and time of
// day with seconds (see clock.h); a message that begins with such a text
// and the blanks the stamps put after it cannot be told from a stamped one.
const QString kDate = QStringLiteral(R"(\d{1,4}[./\-] ?\d{1,2}[./\-] ?\d{1,4}\.?)");
const QString kTime = QStringLiteral(R"(\d{1,2}[:.]\d{2}[:.]\d{2}(?: ?[A-Za-z.]{1,4})?)");

} // namespace

HexLine HexLine::of(QStringView head, QStringView tail, qsizetype length)
{
    static const QRegularExpression sent(QStringLiteral("^(?:%1   )?(?:%2   )?<<SenD>>   ").arg(kDate, kTime));
    static const QRegularExpression received(QStringLiteral("^(?:%1   )?(?:%2    )?").arg(kDate, kTime));
    static const QRegularExpression size(QStringLiteral(R"(  Size, byte:? \d+$)"));
    HexLine l;
    // Every stamp before the data begins with a digit or the marker, the
    // size after it ends with a digit: most lines of data need no pattern.
    const QChar first = head.isEmpty() ? QChar() : head.front();
    if (first.isDigit() || first == QLatin1Char('<')) {
        const QString h = head.toString();
        QRegularExpressionMatch m = sent.match(h);
        if (!m.hasMatch())
            m = received.match(h);
        l.prefix = std::min(length, m.capturedLength());
    }
    if (!tail.isEmpty() && tail.back().isDigit()) {
        const QRegularExpressionMatch m = size.match(tail.toString());
        if (m.hasMatch())
            l.suffix = std::min(length - l.prefix, m.capturedLength());
    }
    l.data = length - l.prefix - l.suffix;
    return l;
}

qsizetype HexLine::toShown(qsizetype column) const
{
    if (column <= prefix)
        return column;
    if (column < prefix + data)
        return prefix + 3 * (column - prefix);
    return prefix + hexLength() + (column - prefix - data);
}

qsizetype HexLine::toColumn(qsizetype shown, Round round) const
{
    if (shown <= prefix)
        return shown;
    const qsizetype hexEnd = prefix + hexLength();
    if (shown >= hexEnd)
        return std::min(prefix + data + (shown - hexEnd), prefix + data + suffix);
    const qsizetype x = shown - prefix;
    const qsizetype byte = round == Round::Down ? x / 3 : round == Round::Up ? (x + 2) / 3 : (x + 1) / 3;
    return prefix + std::min(byte, data);
}

QString hexText(const HexLine &line, qsizetype from, QStringView text, const std::vector<qsizetype> &errors)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 3);
    auto error = std::lower_bound(errors.begin(), errors.end(), from);
    const qsizetype dataEnd = line.prefix + line.data;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype column = from + i;
        if (column < line.prefix || column >= dataEnd) {
            out += text[i];
            continue;
        }
        while (error != errors.end() && *error < column)
            ++error;
        if (error != errors.end() && *error == column) {
            out += QLatin1String("??");
        } else {
            const auto b = uchar(ansiByteOf(text[i].unicode()));
            out += QLatin1Char(digits[b >> 4]);
            out += QLatin1Char(digits[b & 15]);
        }
        if (column + 1 < dataEnd)
            out += QLatin1Char(' ');
    }
    return out;
}

} // namespace kestrum
