#include "platform/codec.h"
#include "platform/error.h"
#include <QStringDecoder>
#include <QStringEncoder>

namespace kestrum {

namespace {
const char *const kCodePage = "windows-1251";
}

QString fromAnsi(const QByteArray &bytes)
{
    QStringDecoder decoder(kCodePage);
    if (!decoder.isValid())
        throw Error(QStringLiteral("The Windows-1251 code page is not available on this system."));
    return decoder.decode(bytes);
}

bool fitsAnsi(const QString &text)
{
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder.encode(text);
    return encoder.isValid() && !encoder.hasError() && bytes.size() == text.size();
}

QByteArray toAnsi(const QString &text)
{
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid())
        throw Error(QStringLiteral("The Windows-1251 code page is not available on this system."));
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError() && bytes.size() == text.size())
        return bytes;
    // Find the offending character so the message can name it.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
        const QString one = pair ? text.mid(i, 2) : text.mid(i, 1);
        QStringEncoder single(kCodePage);
        const QByteArray b = single.encode(one);
        if (single.hasError() || b.size() != 1) {
            const char32_t code = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                       : char32_t(text.at(i).unicode());
            const QString hex = QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            throw Error(QStringLiteral("The character \"%1\" (U+%2) at position %3 cannot be sent: "
                                       "it has no byte in the Windows-1251 code page.")
                            .arg(one, hex)
                            .arg(i + 1));
        }
        if (pair)
            ++i;
    }
    throw Error(QStringLiteral("The text cannot be converted to the Windows-1251 code page."));
}

} // namespace kestrum
