#include "core/sending/sendbytes.h"
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/settings/settingkeys.h"
#include <QCoreApplication>

namespace kestrum {

SendMode storedSendMode()
{
    const QString v = readSetting(Setting::SendMode).trimmed();
    if (v == QLatin1String("1"))
        return SendMode::Hex;
    if (v == QLatin1String("2"))
        return SendMode::Escapes;
    return SendMode::Text;
}

void storeSendMode(SendMode mode) { writeSetting(Setting::SendMode, QString::number(int(mode))); }

LineEnding storedLineEnding()
{
    bool ok = false;
    const int v = readSetting(Setting::LineEnding).trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 3 ? LineEnding(v) : LineEnding::None;
}

void storeLineEnding(LineEnding ending) { writeSetting(Setting::LineEnding, QString::number(int(ending))); }

QByteArray lineEndingBytes(LineEnding ending, SendMode mode)
{
    if (mode == SendMode::Hex)
        return QByteArray();
    switch (ending) {
    case LineEnding::CR: return QByteArrayLiteral("\r");
    case LineEnding::LF: return QByteArrayLiteral("\n");
    case LineEnding::CRLF: return QByteArrayLiteral("\r\n");
    case LineEnding::None: break;
    }
    return QByteArray();
}

bool storedEnterSends() { return readSetting(Setting::EnterSends).trimmed() == QLatin1String("1"); }

void storeEnterSends(bool on) { writeSetting(Setting::EnterSends, on ? QStringLiteral("1") : QStringLiteral("0")); }

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool isGap(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// The character as a message names it: the invisible ones by name.
QString named(QChar c)
{
    switch (c.unicode()) {
    case ' ': return QCoreApplication::translate("Send", "The blank");
    case '\t': return QCoreApplication::translate("Send", "The tab");
    case '\r':
    case '\n': return QCoreApplication::translate("Send", "The line break");
    default: break;
    }
    if (c.category() == QChar::Other_Control || c.isSurrogate())
        return QCoreApplication::translate("Send", "The character U+%1")
            .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    return QStringLiteral("\"%1\"").arg(c);
}

// "position 14 (line 2, column 3)"; the line only when there is more than one.
QString where(const QString &text, qsizetype i)
{
    const QString position = QCoreApplication::translate("Send", "position %1").arg(i + 1);
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return position;
    const QStringView before = QStringView(text).left(i);
    const qsizetype lineStart = qMax(before.lastIndexOf(QLatin1Char('\n')), before.lastIndexOf(QLatin1Char('\r'))) + 1;
    return QCoreApplication::translate("Send", "%1 (line %2, column %3)").arg(position).arg(before.count(QLatin1Char('\n')) + 1).arg(i - lineStart + 1);
}

[[noreturn]] void refuse(const QString &text, qsizetype i, const QString &what)
{
    const QString who = i < text.size() ? named(text.at(i)) : QCoreApplication::translate("Send", "The end of the text");
    throw Error(QCoreApplication::translate("Send", "%1 at %2 %3 Nothing was sent.").arg(who, where(text, i), what));
}

QString hexRule()
{
    return QCoreApplication::translate("Send", "Send hex takes bytes as pairs of the digits 0-9 and A-F, "
                                               "with blanks or line breaks between them (01 03 0A).");
}

QByteArray fromHex(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() / 2);
    qsizetype pairStart = -1;
    int high = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const int v = hexValue(c);
        if (v < 0) {
            if (!isGap(c))
                refuse(text, i, QCoreApplication::translate("Send", "is not a hex digit. ") + hexRule());
            if (pairStart >= 0)
                refuse(text, i, QCoreApplication::translate("Send", "splits a byte. ") + hexRule());
            continue;
        }
        if (pairStart < 0) {
            pairStart = i;
            high = v;
        } else {
            out += char(high << 4 | v);
            pairStart = -1;
        }
    }
    if (pairStart >= 0)
        refuse(text, text.size(), QCoreApplication::translate("Send", "comes in the middle of a byte. ") + hexRule());
    return out;
}

QByteArray fromEscapes(const QString &text)
{
    const QString rule = QCoreApplication::translate("Send", "Send with escapes knows \\r, \\n, \\t, \\\\ and \\xNN (two hex digits).");
    QByteArray out;
    out.reserve(text.size());
    qsizetype plain = 0;   // start of the characters not yet converted
    auto flush = [&](qsizetype end) {
        const QString part = text.mid(plain, end - plain);
        if (appendAnsi(part, out))
            return;
        if (const std::optional<Unmappable> bad = firstUnmappable(part))
            throw Error(QCoreApplication::translate("Send", "%1 at %2 has no byte in the Windows-1251 code page. Nothing was sent.")
                            .arg(named(part.at(bad->index)), where(text, plain + bad->index)));
        out += toAnsi(part);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\'))
            continue;
        flush(i);
        const QChar e = i + 1 < text.size() ? text.at(i + 1) : QChar();
        switch (e.unicode()) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            const int h = i + 2 < text.size() ? hexValue(text.at(i + 2)) : -1;
            if (h < 0)
                refuse(text, i + 2, QCoreApplication::translate("Send", "is not the first hex digit of \\x. ") + rule);
            const int l = i + 3 < text.size() ? hexValue(text.at(i + 3)) : -1;
            if (l < 0)
                refuse(text, i + 3, QCoreApplication::translate("Send", "is not the second hex digit of \\x. ") + rule);
            out += char(h << 4 | l);
            i += 2;
            break;
        }
        default:
            refuse(text, i, QCoreApplication::translate("Send", "begins no escape. ") + rule);
        }
        ++i;
        plain = i + 1;
    }
    flush(text.size());
    return out;
}

} // namespace

QByteArray sendBytes(const QString &text, SendMode mode)
{
    switch (mode) {
    case SendMode::Hex: return fromHex(text);
    case SendMode::Escapes: return fromEscapes(text);
    case SendMode::Text: break;
    }
    return toAnsi(text);
}

} // namespace kestrum
