#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

namespace kestrum {

// A colour an escape sequence asks for: the box's own, one of the 256 of the
// terminal palette, or red, green and blue.
class SgrColour {
public:
    constexpr SgrColour() = default;
    static constexpr SgrColour palette(int index) { return SgrColour(kPalette | quint32(index & 0xFF)); }
    static constexpr SgrColour rgb(int r, int g, int b)
    {
        return SgrColour(kRgb | quint32(r & 0xFF) << 16 | quint32(g & 0xFF) << 8 | quint32(b & 0xFF));
    }
    constexpr bool isDefault() const { return m_code == 0; }
    constexpr bool isPalette() const { return (m_code & kKind) == kPalette; }
    constexpr int index() const { return isPalette() ? int(m_code & 0xFF) : -1; }
    // 0xRRGGBB; the palette's colours as xterm shows them. 0 for the default.
    quint32 toRgb() const;
    constexpr bool operator==(SgrColour o) const { return m_code == o.m_code; }
    constexpr bool operator!=(SgrColour o) const { return m_code != o.m_code; }

private:
    static constexpr quint32 kPalette = 1u << 24, kRgb = 2u << 24, kKind = 0xFFu << 24;
    constexpr explicit SgrColour(quint32 code) : m_code(code) {}
    quint32 m_code = 0;
};

// What the text looks like from some point on: only what the box draws
// differently (weight and two colours). The other renditions a sequence
// may ask for (underline, blink, italics) are taken in and ignored.
struct SgrAttributes {
    SgrColour text, back;
    bool bold = false;
    bool isDefault() const { return text.isDefault() && back.isDefault() && !bold; }
    bool operator==(const SgrAttributes &o) const { return text == o.text && back == o.back && bold == o.bold; }
    bool operator!=(const SgrAttributes &o) const { return !(*this == o); }
};

// One line as the box shows it with colours on: the characters without the
// escape sequences, the attributes in runs, and how a place in what is shown
// maps to a place in the line's characters (bytes of the code page, one a
// character) and back.
//
// Only ESC [ (CSI) and ESC ] (OSC, ended by BEL or ESC \) begin a sequence:
// CSI ... m is applied, every other CSI and every OSC is hidden. A lone ESC,
// or a sequence that breaks the grammar, runs past the end of the line or
// grows longer than kLongestCsi / kLongestOsc, is shown as its characters;
// 0x9B is a character of the code page, not an 8-bit CSI.
struct SgrLine {
    struct Run {
        qsizetype start;  // in the shown text; a run lasts to the next one
        SgrAttributes attributes;
    };
    // Where what is shown jumps over hidden characters: shown[shown] is
    // the line's character `source`, and so on until the next jump.
    struct Jump {
        qsizetype shown;
        qsizetype source;
    };

    QString text;
    std::vector<Run> runs;    // never empty; the first starts at 0
    std::vector<Jump> jumps;  // none in a line without sequences
    SgrAttributes end;        // in force after the line, for the next one

    // The line's character shown at `shown` (text.size(): the line's end).
    qsizetype toSource(qsizetype shown) const;
    // Where the line's character `source` is shown; a hidden one is shown
    // where the first character after it is.
    qsizetype toShown(qsizetype source) const;
    SgrAttributes attributesAt(qsizetype shown) const;
};

constexpr qsizetype kLongestCsi = 64;
constexpr qsizetype kLongestOsc = 256;

// Parses a line that may come in pieces (a long line read part by part):
// the pieces together give what the whole line would, also when a piece
// ends inside a sequence.
class SgrParser {
public:
    explicit SgrParser(SgrAttributes start = {});
    void feed(QStringView piece);
    // Bytes of the code page.
    void feed(QByteArrayView piece);
    // The line is over: a sequence still open shows as characters.
    SgrLine finish();

private:
    void scan(QStringView in, qsizetype base, bool last);
    void show(QStringView chars, qsizetype source);
    void set(const SgrAttributes &a);

    SgrLine m_line;
    SgrAttributes m_now;
    QString m_open;          // a sequence begun and not yet ended
    qsizetype m_openAt = 0;  // where it begins in the line
    qsizetype m_fed = 0;     // characters fed so far
};

SgrLine parseSgrLine(QStringView line, SgrAttributes start = {});
SgrLine parseSgrLine(QByteArrayView line, SgrAttributes start = {});

// The attributes in force after the text (lines and their breaks), from
// those at its start; nothing else is made.
SgrAttributes sgrAfter(QStringView text, SgrAttributes start = {});

// The attributes in force where a line of the document begins: each message
// starts in the default ones and carries them from line to line. They are
// found by looking back from lineStart to the nearest sequence that settles
// all of them (a reset), to messageStart (where the line's message begins,
// -1 when it is not known), or at most kSgrLookBack characters, and parsing
// forward from there. text(pos, count) reads the document. When neither a
// reset nor the message's start lies within reach, the text before the
// reach does not count: a colour set further up and never reset is lost.
constexpr qsizetype kSgrLookBack = 64 * 1024;
SgrAttributes sgrAttributesAt(qsizetype lineStart, qsizetype messageStart,
                              const std::function<QString(qsizetype, qsizetype)> &text);

} // namespace kestrum
