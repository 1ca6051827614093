#include "core/base/codec.h"
#include "core/base/error.h"
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace kestrum {

namespace {
const char *const kCodePage = "windows-1251";

// The code page as two tables, made once from the system's converter: a
// received stream goes through it several times a message, and a table
// look-up is many times cheaper than the converter.
struct Tables {
    bool valid = false;
    std::array<char16_t, 256> toUnicode{};
    // 0 where the character has no byte (NUL is tested apart).
    std::array<uchar, 65536> toByte{};

    Tables()
    {
        QStringDecoder decoder(kCodePage);
        if (!decoder.isValid())
            return;
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString chars = decoder.decode(all);
        if (chars.size() != 256)
            return;
        for (int b = 0; b < 256; ++b) {
            toUnicode[size_t(b)] = chars.at(b).unicode();
            toByte[chars.at(b).unicode()] = uchar(b);
        }
        valid = true;
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}
} // namespace

QString fromAnsi(const QByteArray &bytes)
{
    const Tables &t = tables();
    if (!t.valid) {
        QStringDecoder decoder(kCodePage);
        if (!decoder.isValid())
            throw Error(QCoreApplication::translate("Codec",
                    "The Windows-1251 code page is not available on this system."));
        return decoder.decode(bytes);
    }
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const uchar *src = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = t.toUnicode[src[i]];
    return out;
}

const char16_t *ansiToUnicode()
{
    const Tables &t = tables();
    return t.valid ? t.toUnicode.data() : nullptr;
}

char ansiByteOf(char16_t c)
{
    const Tables &t = tables();
    if (!t.valid)
        return c < 0x80 ? char(c) : '?';
    const uchar b = t.toByte[c];
    return b != 0 || c == 0 ? char(b) : '?';
}

bool appendAnsi(QStringView text, QByteArray &out)
{
    const Tables &t = tables();
    if (!t.valid)
        return false;
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char *dst = out.data() + at;
    if (QtPrivate::isAscii(text)) {
        for (const QChar c : text)
            *dst++ = char(c.unicode());
        return true;
    }
    for (const QChar c : text) {
        const uchar b = t.toByte[c.unicode()];
        if (b == 0 && c.unicode() != 0) {
            out.resize(at);
            return false;
        }
        *dst++ = char(b);
    }
    return true;
}

bool fitsAnsi(const QString &text)
{
    QByteArray bytes;
    if (tables().valid)
        return appendAnsi(text, bytes);
    QStringEncoder encoder(kCodePage);
    bytes = encoder.encode(text);
    return encoder.isValid() && !encoder.hasError() && bytes.size() == text.size();
}

std::optional<Unmappable> firstUnmappable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString one = pair ? text.mid(i, 2) : text.mid(i, 1);
        if (!fitsAnsi(one)) {
            const char32_t code = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                       : char32_t(text.at(i).unicode());
            return Unmappable{i, one,
                              QStringLiteral("U+") + QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0'))};
        }
        if (pair)
            ++i;
    }
    return std::nullopt;
}

QByteArray toAnsi(const QString &text)
{
    QByteArray fast;
    if (appendAnsi(text, fast))
        return fast;
    QStringEncoder encoder(kCodePage);
    if (!encoder.isValid())
        throw Error(QCoreApplication::translate("Codec",
                "The Windows-1251 code page is not available on this system."));
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError() && bytes.size() == text.size())
        return bytes;
    // The message names the offending character.
    if (const std::optional<Unmappable> bad = firstUnmappable(text))
        throw Error(QCoreApplication::translate("Codec",
                "The character \"%1\" (%2) at position %3 cannot be sent: "
                "it has no byte in the Windows-1251 code page.")
                        .arg(bad->character, bad->codePoint)
                        .arg(bad->index + 1));
    throw Error(QCoreApplication::translate("Codec", "The text cannot be converted to the Windows-1251 code page."));
}

} // namespace kestrum
