#include "core/stream/sgr.h"
#include "core/base/codec.h"
#include <algorithm>
#include <array>

namespace kestrum {

namespace {

constexpr char16_t kEsc = 0x1B;
constexpr char16_t kBel = 0x07;

bool isBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

struct Sequence {
    enum Kind { Shown, Open, Sgr, Hidden } kind;
    qsizetype length = 0;
};

// What begins at in[0], an ESC: a sequence and its length, the start of
// one that the text ends inside (Open), or an ESC shown as a character.
Sequence sequenceAt(QStringView in)
{
    const qsizetype n = in.size();
    if (n < 2)
        return {Sequence::Open};
    if (in[1] == u'[') {
        // Parameter bytes, then intermediate bytes, then the final byte.
        bool intermediate = false;
        qsizetype k = 2;
        for (; k < n && k < kLongestCsi; ++k) {
            const char16_t c = in[k].unicode();
            if (c >= 0x30 && c <= 0x3F && !intermediate)
                continue;
            if (c >= 0x20 && c <= 0x2F) {
                intermediate = true;
                continue;
            }
            if (c < 0x40 || c > 0x7E)
                return {Sequence::Shown};
            // A private marker (< = > ?) makes it some other command.
            const bool sgr = c == u'm' && !intermediate && (k == 2 || in[2] < u'<');
            return {sgr ? Sequence::Sgr : Sequence::Hidden, k + 1};
        }
        return {k >= kLongestCsi ? Sequence::Shown : Sequence::Open};
    }
    if (in[1] == u']') {
        qsizetype k = 2;
        for (; k < n && k < kLongestOsc; ++k) {
            const char16_t c = in[k].unicode();
            if (c == kBel)
                return {Sequence::Hidden, k + 1};
            if (c == kEsc) {
                if (k + 1 >= kLongestOsc)
                    return {Sequence::Shown};
                if (k + 1 >= n)
                    return {Sequence::Open};
                return in[k + 1] == u'\\' ? Sequence{Sequence::Hidden, k + 2} : Sequence{Sequence::Shown};
            }
            if (c < 0x20)
                return {Sequence::Shown};
        }
        return {k >= kLongestOsc ? Sequence::Shown : Sequence::Open};
    }
    return {Sequence::Shown};
}

// The parameters of an SGR sequence, ESC [ ... m, applied in order.
void applySgr(QStringView sequence, SgrAttributes &a)
{
    // Each parameter with its sub-parameters (38:2::255:0:0); -1 for one
    // left empty.
    struct Param {
        std::array<int, 6> v{-1, -1, -1, -1, -1, -1};
        int count = 1;
    };
    std::vector<Param> params(1);
    for (qsizetype k = 2; k + 1 < sequence.size(); ++k) {
        const char16_t c = sequence[k].unicode();
        Param &p = params.back();
        int &value = p.v[size_t(std::min(p.count, 6) - 1)];
        if (c >= u'0' && c <= u'9')
            value = std::min((value < 0 ? 0 : value * 10) + (c - u'0'), 99999);
        else if (c == u';')
            params.emplace_back();
        else if (c == u':')
            ++p.count;
        else
            return;  // not a rendition the box knows: nothing changes
    }
    auto byte = [](int v) { return v < 0 ? 0 : v; };
    const qsizetype n = qsizetype(params.size());
    for (qsizetype i = 0; i < n; ++i) {
        const Param &p = params[size_t(i)];
        const int code = std::max(p.v[0], 0);
        if (code == 38 || code == 48) {
            SgrColour c;
            bool valid = false;
            int mode = -1, r = -1, g = -1, b = -1, index = -1;
            if (p.count > 1) {
                mode = p.v[1];
                if (mode == 5)
                    index = p.v[2];
                // 38:2:r:g:b, or with the colour space first, 38:2:cs:r:g:b.
                const size_t at = p.count >= 6 ? 3 : 2;
                if (mode == 2 && p.count >= 5)
                    r = byte(p.v[at]), g = byte(p.v[at + 1]), b = byte(p.v[at + 2]);
            } else {
                if (i + 1 >= n)
                    return;
                mode = params[size_t(i + 1)].v[0];
                const qsizetype more = mode == 5 ? 1 : mode == 2 ? 3 : 0;
                if (i + 1 + more >= n)
                    return;  // cut short: the rest cannot be read
                if (mode == 5)
                    index = params[size_t(i + 2)].v[0];
                if (mode == 2)
                    r = byte(params[size_t(i + 2)].v[0]), g = byte(params[size_t(i + 3)].v[0]),
                    b = byte(params[size_t(i + 4)].v[0]);
                i += 1 + more;
            }
            if (mode == 5 && index >= 0 && index <= 255) {
                c = SgrColour::palette(index);
                valid = true;
            } else if (mode == 2 && r >= 0 && r <= 255 && g <= 255 && b <= 255) {
                c = SgrColour::rgb(r, g, b);
                valid = true;
            }
            if (valid)
                (code == 38 ? a.text : a.back) = c;
            continue;
        }
        if (code == 0)
            a = SgrAttributes{};
        else if (code == 1)
            a.bold = true;
        else if (code == 22)
            a.bold = false;
        else if (code >= 30 && code <= 37)
            a.text = SgrColour::palette(code - 30);
        else if (code == 39)
            a.text = SgrColour();
        else if (code >= 40 && code <= 47)
            a.back = SgrColour::palette(code - 40);
        else if (code == 49)
            a.back = SgrColour();
        else if (code >= 90 && code <= 97)
            a.text = SgrColour::palette(code - 90 + 8);
        else if (code >= 100 && code <= 107)
            a.back = SgrColour::palette(code - 100 + 8);
    }
}

// Whether the sequence at in[0] leaves the same attributes whatever was in
// force before it: text before it then need not be read.
bool settlesAll(QStringView in)
{
    const Sequence s = sequenceAt(in);
    if (s.kind != Sequence::Sgr)
        return false;
    SgrAttributes none, all{SgrColour::rgb(1, 2, 3), SgrColour::rgb(4, 5, 6), true};
    applySgr(in.first(s.length), none);
    applySgr(in.first(s.length), all);
    return none == all;
}

} // namespace

quint32 SgrColour::toRgb() const
{
    if ((m_code & kKind) == kRgb)
        return m_code & 0xFFFFFF;
    if (!isPalette())
        return 0;
    static const quint32 basic[16] = {0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
                                      0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const int i = index();
    if (i < 16)
        return basic[i];
    if (i >= 232) {
        const quint32 grey = quint32(8 + 10 * (i - 232));
        return grey << 16 | grey << 8 | grey;
    }
    static const quint32 level[6] = {0, 95, 135, 175, 215, 255};
    const int c = i - 16;
    return level[c / 36] << 16 | level[c / 6 % 6] << 8 | level[c % 6];
}

qsizetype SgrLine::toSource(qsizetype shown) const
{
    const auto it = std::upper_bound(jumps.begin(), jumps.end(), shown,
                                     [](qsizetype s, const Jump &j) { return s < j.shown; });
    if (it == jumps.begin())
        return shown;
    return std::prev(it)->source + (shown - std::prev(it)->shown);
}

qsizetype SgrLine::toShown(qsizetype source) const
{
    // The last jump landing at or before the character.
    const auto it = std::upper_bound(jumps.begin(), jumps.end(), source,
                                     [](qsizetype s, const Jump &j) { return s < j.source; });
    if (it == jumps.begin())
        return std::min(source, jumps.empty() ? source : jumps.front().shown);
    const Jump &j = *std::prev(it);
    const qsizetype shown = j.shown + (source - j.source);
    // Past the characters shown after that jump: inside the next hidden run.
    return it == jumps.end() ? std::min(shown, text.size()) : std::min(shown, it->shown);
}

SgrAttributes SgrLine::attributesAt(qsizetype shown) const
{
    const auto it = std::upper_bound(runs.begin(), runs.end(), shown,
                                     [](qsizetype s, const Run &r) { return s < r.start; });
    return it == runs.begin() ? runs.front().attributes : std::prev(it)->attributes;
}

SgrParser::SgrParser(SgrAttributes start) : m_now(start) { m_line.runs.push_back({0, start}); }

void SgrParser::feed(QStringView piece)
{
    const qsizetype base = m_fed;
    m_fed += piece.size();
    if (m_open.isEmpty()) {
        scan(piece, base, false);
        return;
    }
    // A sequence cut by the end of the last piece: read again with this one.
    QString joined = std::exchange(m_open, QString());
    joined.append(piece);
    scan(joined, m_openAt, false);
}

void SgrParser::feed(QByteArrayView piece)
{
    const char16_t *table = ansiToUnicode();
    QString chars(piece.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(chars.data());
    for (qsizetype i = 0; i < piece.size(); ++i)
        out[i] = table ? table[uchar(piece[i])] : char16_t(uchar(piece[i]));
    feed(QStringView(chars));
}

void SgrParser::scan(QStringView in, qsizetype base, bool last)
{
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype esc = in.indexOf(QChar(kEsc), i);
        const qsizetype stop = esc < 0 ? n : esc;
        if (stop > i)
            show(in.sliced(i, stop - i), base + i);
        if (esc < 0)
            return;
        const Sequence s = sequenceAt(in.sliced(esc));
        if (s.kind == Sequence::Open && !last) {
            m_open = in.sliced(esc).toString();
            m_openAt = base + esc;
            return;
        }
        if (s.kind == Sequence::Sgr || s.kind == Sequence::Hidden) {
            if (s.kind == Sequence::Sgr) {
                SgrAttributes a = m_now;
                applySgr(in.sliced(esc, s.length), a);
                set(a);
            }
            i = esc + s.length;
            continue;
        }
        // The ESC is a character; what follows it is read afresh.
        show(in.sliced(esc, 1), base + esc);
        i = esc + 1;
    }
}

void SgrParser::show(QStringView chars, qsizetype source)
{
    const qsizetype shown = m_line.text.size();
    const qsizetype expected =
        m_line.jumps.empty() ? shown : m_line.jumps.back().source + (shown - m_line.jumps.back().shown);
    if (source != expected)
        m_line.jumps.push_back({shown, source});
    m_line.text += chars;
}

void SgrParser::set(const SgrAttributes &a)
{
    if (a == m_now)
        return;
    m_now = a;
    auto &runs = m_line.runs;
    if (runs.back().start == m_line.text.size()) {
        runs.back().attributes = a;
        if (runs.size() > 1 && runs[runs.size() - 2].attributes == a)
            runs.pop_back();
    } else {
        runs.push_back({m_line.text.size(), a});
    }
}

SgrLine SgrParser::finish()
{
    if (!m_open.isEmpty()) {
        const QString open = std::exchange(m_open, QString());
        scan(open, m_openAt, true);
    }
    // Hidden characters at the end: the line's end is past them.
    const qsizetype shown = m_line.text.size();
    const qsizetype expected =
        m_line.jumps.empty() ? shown : m_line.jumps.back().source + (shown - m_line.jumps.back().shown);
    if (m_fed != expected)
        m_line.jumps.push_back({shown, m_fed});
    if (m_line.runs.size() > 1 && m_line.runs.back().start == shown)
        m_line.runs.pop_back();
    m_line.end = m_now;
    SgrLine out = std::move(m_line);
    m_line = SgrLine();
    m_line.runs.push_back({0, m_now});
    m_fed = 0;
    return out;
}

SgrLine parseSgrLine(QStringView line, SgrAttributes start)
{
    SgrParser p(start);
    p.feed(line);
    return p.finish();
}

SgrLine parseSgrLine(QByteArrayView line, SgrAttributes start)
{
    SgrParser p(start);
    p.feed(line);
    return p.finish();
}

SgrAttributes sgrAfter(QStringView text, SgrAttributes start)
{
    // Only lines holding an ESC can change anything; each is parsed whole,
    // since a sequence never reaches over a line break.
    SgrAttributes a = start;
    for (qsizetype esc = text.indexOf(QChar(kEsc)); esc >= 0;) {
        qsizetype from = esc;
        while (from > 0 && !isBreak(text[from - 1].unicode()))
            --from;
        qsizetype to = esc;
        while (to < text.size() && !isBreak(text[to].unicode()))
            ++to;
        a = parseSgrLine(text.sliced(from, to - from), a).end;
        esc = to < text.size() ? text.indexOf(QChar(kEsc), to) : -1;
    }
    return a;
}

SgrAttributes sgrAttributesAt(qsizetype lineStart, qsizetype messageStart,
                              const std::function<QString(qsizetype, qsizetype)> &text)
{
    const qsizetype lo = std::max({qsizetype(0), messageStart, lineStart - kSgrLookBack});
    if (lo >= lineStart)
        return {};
    const QString before = text(lo, lineStart - lo);
    const QStringView t(before);
    qsizetype from = 0;
    for (qsizetype k = t.lastIndexOf(QChar(kEsc)); k >= 0; k = k > 0 ? t.lastIndexOf(QChar(kEsc), k - 1) : -1) {
        if (settlesAll(t.sliced(k))) {
            from = k;
            break;
        }
    }
    return sgrAfter(t.sliced(from));
}

} // namespace kestrum
