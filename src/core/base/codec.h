#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrum {

// One byte per character in the Windows-1251 code page, both ways and
// lossless: 0x98, which the code page leaves undefined, is U+0098.
QString fromAnsi(const QByteArray &bytes);
// Whether every character of the text has a byte in the code page.
bool fitsAnsi(const QString &text);
// The first character of a text that has no byte in the code page: where it
// stands, the character itself (a surrogate pair is one) and its code point
// as "U+0416".
struct Unmappable {
    qsizetype index;
    QString character;
    QString codePoint;
};
std::optional<Unmappable> firstUnmappable(const QString &text);
// Throws Error naming the first character that has no byte in the code page.
QByteArray toAnsi(const QString &text);
// Appends the text's bytes; false, and nothing appended, when a character
// has none.
bool appendAnsi(QStringView text, QByteArray &out);
// The character of each byte, 256 of them; null when the code page is not
// available.
const char16_t *ansiToUnicode();
// The byte of one character, or '?' when the code page has none, as the
// code page's converter writes it.
char ansiByteOf(char16_t c);

} // namespace kestrum
