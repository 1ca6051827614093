#include "core/search/search.h"
#include "core/base/codec.h"
#include "core/document/receivedstore.h"
#include "core/search/searchexpression.h"
#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kestrum {

namespace {

// The document is read this much at a time; the stop flag is asked as often.
constexpr qsizetype kBlock = 1 << 20;
// A line longer than this is matched in parts this long (an expression
// reaching across a part's edge is not found there).
constexpr qsizetype kLongestLine = 16 << 20;

bool isBreak(uchar c) { return c == '\r' || c == '\n'; }

// Upper and lower case of the Latin and Cyrillic letters of the code page
// as one byte.
std::array<uchar, 256> foldTable(bool matchCase)
{
    std::array<uchar, 256> t{};
    const char16_t *chars = ansiToUnicode();
    for (int b = 0; b < 256; ++b) {
        t[size_t(b)] = uchar(b);
        if (matchCase)
            continue;
        const QChar c(chars ? chars[b] : char16_t(b));
        const QChar::Script script = c.script();
        if (!c.isUpper() || (script != QChar::Script_Latin && script != QChar::Script_Cyrillic))
            continue;
        const char lower = ansiByteOf(c.toLower().unicode());
        if (lower != '?')
            t[size_t(b)] = uchar(lower);
    }
    return t;
}

// How often a byte is met in a log, roughly: the rarest byte of the needle
// is looked for with memchr, which runs at memory speed.
int commonness(uchar c)
{
    if (c == ' ' || (c >= 'a' && c <= 'z'))
        return 4;
    if (c >= '0' && c <= '9')
        return 3;
    if ((c >= 'A' && c <= 'Z') || c >= 0xC0)
        return 2;
    if (c == '.' || c == ',' || c == ':' || c == '=' || isBreak(c))
        return 2;
    return 1;
}

} // namespace

using searchdetail::linesJoin;
using searchdetail::requiredLiteral;

SearchPattern::SearchPattern(const QString &text, bool matchCase, bool regex)
    : m_fold(foldTable(matchCase)), m_text(text), m_matchCase(matchCase), m_regex(regex)
{
    QString needle = text;
    if (regex) {
        m_expression = QRegularExpression(text, matchCase ? QRegularExpression::NoPatternOption
                                                          : QRegularExpression::CaseInsensitiveOption);
        if (!m_expression.isValid())
            return;
        m_expression.optimize();
        needle = requiredLiteral(text);
        // One character rarely narrows the lines down; it costs a pass.
        if (needle.size() < 2)
            needle.clear();
        if (needle.isEmpty() && linesJoin(text)) {
            // LF as the line break whatever the library was built with.
            m_joined = QRegularExpression(QLatin1String("(*LF)") + text, m_expression.patternOptions()
                                                                             | QRegularExpression::MultilineOption);
            if (m_joined.isValid())
                m_joined.optimize();
        }
    }
    m_needle.resize(needle.size());
    for (qsizetype i = 0; i < needle.size(); ++i)
        m_needle[i] = char(m_fold[uchar(ansiByteOf(needle[i].unicode()))]);
}

bool SearchPattern::isValid() const
{
    return !m_text.isEmpty() && (!m_regex || m_expression.isValid());
}

// One search over one snapshot: the pattern's matcher and a buffer the
// document is read into.
class SearchScan {
public:
    SearchScan(const StoreSnapshot &s, const SearchPattern &p, const StopFlag &stopped)
        : m_s(s), m_p(p), m_stopped(stopped), m_size(s.size())
    {
        // The needle's rarest byte and, as far from it as may be, the next
        // rarest: the places where both stand are few even when the needle
        // is made of common letters.
        const QByteArray &needle = p.m_needle;
        int rank = 100;
        for (qsizetype i = 0; i < needle.size(); ++i) {
            const int r = commonness(uchar(needle[i]));
            if (r < rank) {
                rank = r;
                m_rare = i;
            }
        }
        m_other = m_rare;
        rank = 100;
        for (qsizetype i = 0; i < needle.size(); ++i) {
            const int r = commonness(uchar(needle[i]));
            if (i != m_rare && (r < rank || (r == rank && std::abs(i - m_rare) > std::abs(m_other - m_rare)))) {
                rank = r;
                m_other = i;
            }
        }
        if (!needle.isEmpty()) {
            m_twoCases = cases(uchar(needle[m_rare]), m_rare1) && cases(uchar(needle[m_other]), m_other1);
            m_memchr = p.m_matchCase;
            for (int b = 0; b < 256; ++b)
                m_starts[size_t(b)] = p.m_fold[size_t(b)] == uchar(needle[m_rare]);
        }
        const char16_t *chars = ansiToUnicode();
        for (int b = 0; b < 256; ++b)
            m_chars[size_t(b)] = chars ? chars[b] : char16_t(b);
    }

    bool stopped() const { return m_stopped && m_stopped(); }

    // The bytes that read as the needle's byte c (itself and its other
    // case); false when there are more than two.
    bool cases(uchar c, std::array<uchar, 2> &out) const
    {
        int n = 0;
        out = {c, c};
        for (int b = 0; b < 256; ++b)
            if (m_p.m_fold[size_t(b)] == c) {
                if (n == 2)
                    return false;
                out[size_t(n++)] = uchar(b);
            }
        return true;
    }

    bool needleAt(const uchar *p) const
    {
        const QByteArray &needle = m_p.m_needle;
        if (m_p.m_matchCase)
            return std::memcmp(p, needle.constData(), size_t(needle.size())) == 0;
        const auto &fold = m_p.m_fold;
        for (qsizetype k = 0; k < needle.size(); ++k)
            if (fold[p[k]] != uchar(needle[k]))
                return false;
        return true;
    }

    // The first place at or after `from` where the needle lies wholly in
    // buf[0, n); -1 when there is none. Without match case, sixteen places
    // at a time are sifted by the two chosen bytes in either case, and only
    // those that pass are compared whole.
    qsizetype findNeedle(const uchar *buf, qsizetype n, qsizetype from) const
    {
        const qsizetype last = n - m_p.m_needle.size();  // the last place a whole needle starts
        qsizetype p = from;
        if (m_memchr) {
            // One case: memchr on the rarest byte, which the C library
            // vectorises wider, measured as fast or faster here.
            const uchar rare = uchar(m_p.m_needle[m_rare]);
            while (p <= last) {
                const void *hit = std::memchr(buf + p + m_rare, rare, size_t(last - p) + 1);
                if (!hit)
                    return -1;
                p = static_cast<const uchar *>(hit) - m_rare - buf;
                if (needleAt(buf + p))
                    return p;
                ++p;
            }
            return -1;
        }
#ifdef __SSE2__
        if (m_twoCases) {
            const __m128i r0 = _mm_set1_epi8(char(m_rare1[0])), r1 = _mm_set1_epi8(char(m_rare1[1]));
            const __m128i o0 = _mm_set1_epi8(char(m_other1[0])), o1 = _mm_set1_epi8(char(m_other1[1]));
            for (; p + 16 <= last + 1; p += 16) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(buf + p + m_rare));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(buf + p + m_other));
                const __m128i both = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(a, r0), _mm_cmpeq_epi8(a, r1)),
                                                   _mm_or_si128(_mm_cmpeq_epi8(b, o0), _mm_cmpeq_epi8(b, o1)));
                for (unsigned mask = unsigned(_mm_movemask_epi8(both)); mask; mask &= mask - 1) {
                    const qsizetype at = p + __builtin_ctz(mask);
                    if (needleAt(buf + at))
                        return at;
                }
            }
        }
#endif
        for (; p <= last; ++p)
            if (m_starts[buf[p + m_rare]] && needleAt(buf + p))
                return p;
        return -1;
    }

    // Reads [from, to) into the buffer.
    const uchar *read(qsizetype from, qsizetype to)
    {
        const qsizetype n = to - from;
        if (qsizetype(m_buf.size()) < n)
            m_buf.resize(size_t(n));
        m_s.readBytes(from, n, reinterpret_cast<char *>(m_buf.data()));
        return m_buf.data();
    }

    // Plain text: hit(pos) for each match starting in [from, to), each
    // after the end of the one before, until hit returns false. False when
    // stopped.
    template <class Hit>
    bool forwardPlain(qsizetype from, qsizetype to, Hit &&hit)
    {
        const qsizetype len = m_p.m_needle.size();
        qsizetype next = from;
        for (qsizetype block = from; block < to; block += kBlock) {
            if (stopped())
                return false;
            const qsizetype blockEnd = std::min(block + kBlock, to);
            const qsizetype readEnd = std::min(blockEnd + len - 1, m_size);
            const uchar *buf = read(block, readEnd);
            for (qsizetype i = std::max(next, block) - block;;) {
                i = findNeedle(buf, readEnd - block, i);
                if (i < 0 || block + i >= blockEnd)
                    break;
                if (!hit(block + i))
                    return true;
                next = block + i + len;
                i += len;
            }
            if (m_progress)
                m_progress(blockEnd);
        }
        return true;
    }

    // Plain text: the last match that starts at or after `lo` and ends at
    // or before `to`.
    SearchHit lastPlain(qsizetype lo, qsizetype to)
    {
        const qsizetype len = m_p.m_needle.size();
        for (qsizetype blockEnd = to; blockEnd > lo; blockEnd -= kBlock) {
            if (stopped())
                return {};
            const qsizetype block = std::max(lo, blockEnd - kBlock);
            const qsizetype readEnd = std::min(blockEnd + len - 1, to);
            const uchar *buf = read(block, readEnd);
            qsizetype last = -1;
            for (qsizetype i = 0; (i = findNeedle(buf, readEnd - block, i)) >= 0 && block + i < blockEnd; ++i)
                last = i;
            if (last >= 0)
                return {block + last, len};
        }
        return {};
    }

    // Where the line holding pos starts: after the nearest line break
    // before it, no further back than kLongestLine.
    qsizetype lineStartBefore(qsizetype pos)
    {
        const qsizetype limit = std::max<qsizetype>(0, pos - kLongestLine);
        char buf[4096];
        for (qsizetype end = pos; end > limit;) {
            const qsizetype from = std::max(limit, end - qsizetype(sizeof buf));
            m_s.readBytes(from, end - from, buf);
            for (qsizetype i = end - from - 1; i >= 0; --i)
                if (isBreak(uchar(buf[i])))
                    return from + i + 1;
            end = from;
        }
        return limit;
    }

    // Where the line holding pos ends: at the next line break, no further
    // than kLongestLine, or the end of the document.
    qsizetype lineEndAfter(qsizetype pos)
    {
        const qsizetype limit = std::min(m_size, pos + kLongestLine);
        char buf[4096];
        for (qsizetype from = pos; from < limit;) {
            const qsizetype n = std::min(limit - from, qsizetype(sizeof buf));
            m_s.readBytes(from, n, buf);
            for (qsizetype i = 0; i < n; ++i)
                if (isBreak(uchar(buf[i])))
                    return from + i;
            from += n;
        }
        return limit;
    }

    // An expression over the whole lines of [from, to): onMatch(pos, length)
    // for every match of every line, in order, until it returns false.
    // With a needle, only lines that hold it are matched.
    template <class OnMatch>
    bool matchLines(qsizetype from, qsizetype to, OnMatch &&onMatch)
    {
        const uchar *buf = read(from, to);
        const qsizetype n = to - from;
        const qsizetype len = m_p.m_needle.size();
        if (len == 0 && m_p.m_joined.isValid())
            return matchJoined(buf, from, n, onMatch);
        for (qsizetype i = 0; i < n;) {
            qsizetype start = i, end = i;
            if (len > 0) {
                const qsizetype q = findNeedle(buf, n, i);
                if (q < 0)
                    return true;
                start = q;
                while (start > i && !isBreak(buf[start - 1]))
                    --start;
                end = q + len;
            }
            while (end < n && !isBreak(buf[end]))
                ++end;
            if (!matchLine(buf, from, start, end, onMatch))
                return false;
            // Past the line break, CR LF as one.
            i = end + (end + 1 < n && buf[end] == '\r' && buf[end + 1] == '\n' ? 2 : 1);
        }
        return true;
    }

    // One line, buf[start, end).
    template <class OnMatch>
    bool matchLine(const uchar *buf, qsizetype from, qsizetype start, qsizetype end, OnMatch &&onMatch)
    {
        if (end <= start)
            return true;
        m_line.resize(end - start);
        char16_t *dst = reinterpret_cast<char16_t *>(m_line.data());
        for (qsizetype k = start; k < end; ++k)
            *dst++ = m_chars[buf[k]];
        m_matches.clear();
        m_p.matchesInLine(m_line, m_matches);
        for (const SearchHit &m : m_matches)
            if (!onMatch(from + start + m.pos, m.length))
                return false;
        return true;
    }

    // An expression with no literal part: the lines of the block are
    // matched as one text, and only the lines its matches meet are matched
    // one by one (what counts), which spares a call a line.
    template <class OnMatch>
    bool matchJoined(const uchar *buf, qsizetype from, qsizetype n, OnMatch &&onMatch)
    {
        m_block.resize(n);
        char16_t *dst = reinterpret_cast<char16_t *>(m_block.data());
        for (qsizetype k = 0; k < n; ++k)
            dst[k] = isBreak(buf[k]) ? u'\n' : m_chars[buf[k]];
        qsizetype done = 0;  // the lines before this are matched
        QRegularExpressionMatchIterator it = m_p.m_joined.globalMatch(m_block);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const qsizetype first = m.capturedStart(), last = std::max(first, m.capturedEnd() - 1);
            if (last < done)
                continue;
            qsizetype start = std::max(done, first);
            while (start > done && !isBreak(buf[start - 1]))
                --start;
            for (;;) {
                qsizetype end = start;
                while (end < n && !isBreak(buf[end]))
                    ++end;
                if (!matchLine(buf, from, start, end, onMatch))
                    return false;
                done = std::min(n, end + 1);
                if (end >= last || end >= n)
                    break;
                start = end + 1;
            }
        }
        return true;
    }

    // An expression: hit(pos, length) for each match starting in [from,
    // to), until hit returns false. False when stopped.
    template <class Hit>
    bool forwardRegex(qsizetype from, qsizetype to, Hit &&hit)
    {
        for (qsizetype p = lineStartBefore(from); p < to;) {
            if (stopped())
                return false;
            const qsizetype end = lineEndAfter(std::min(p + kBlock, m_size));
            bool goOn = true;
            matchLines(p, end, [&](qsizetype pos, qsizetype length) {
                if (pos >= to)
                    return goOn = false;
                if (pos >= from)
                    goOn = hit(pos, length);
                return goOn;
            });
            if (!goOn)
                return true;
            if (m_progress)
                m_progress(end);
            p = end;
        }
        return true;
    }

    // An expression: the last match that ends at or before `to`, in the
    // lines from the one starting at `lo`.
    SearchHit lastRegex(qsizetype lo, qsizetype to)
    {
        for (qsizetype end = lineEndAfter(to); end > lo;) {
            if (stopped())
                return {};
            const qsizetype start = std::max(lo, lineStartBefore(std::max(lo, end - kBlock)));
            SearchHit last;
            matchLines(start, end, [&](qsizetype pos, qsizetype length) {
                if (pos + length > to)
                    return false;
                last = {pos, length};
                return true;
            });
            if (last.found())
                return last;
            // A line longer than a block: go on before where it was cut.
            end = start < end ? start : std::max(lo, end - kBlock);
        }
        return {};
    }

    template <class Hit>
    bool forward(qsizetype from, qsizetype to, Hit &&hit)
    {
        if (m_p.m_regex)
            return forwardRegex(from, to, hit);
        const qsizetype len = m_p.m_needle.size();
        return forwardPlain(from, to, [&](qsizetype pos) { return hit(pos, len); });
    }

    SearchHit last(qsizetype lo, qsizetype to) { return m_p.m_regex ? lastRegex(lo, to) : lastPlain(lo, to); }

    std::function<void(qsizetype)> m_progress;

private:
    const StoreSnapshot &m_s;
    const SearchPattern &m_p;
    const StopFlag &m_stopped;
    const qsizetype m_size;
    qsizetype m_rare = 0;
    std::array<char16_t, 256> m_chars{};
    qsizetype m_other = 0;
    // Both cases of the bytes at m_rare and m_other, when each has two.
    std::array<uchar, 2> m_rare1{}, m_other1{};
    bool m_twoCases = false;
    bool m_memchr = false;
    std::array<bool, 256> m_starts{};
    std::vector<uchar> m_buf;
    std::vector<SearchHit> m_matches;
    QString m_line, m_block;
};

void SearchPattern::matchesInLine(QStringView line, std::vector<SearchHit> &out, qsizetype from) const
{
    if (!isValid())
        return;
    if (m_regex) {
        QRegularExpressionMatchIterator it = m_expression.globalMatch(line, from);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedLength() > 0)
                out.push_back({m.capturedStart(), m.capturedLength()});
        }
        return;
    }
    const qsizetype len = m_needle.size();
    for (qsizetype i = from; i + len <= line.size();) {
        qsizetype k = 0;
        while (k < len && m_fold[uchar(ansiByteOf(line[i + k].unicode()))] == uchar(m_needle[k]))
            ++k;
        if (k == len) {
            out.push_back({i, len});
            i += len;
        } else {
            ++i;
        }
    }
}

FindResult findNext(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, SearchDirection d,
                    const StopFlag &stopped)
{
    FindResult r;
    if (!p.isValid())
        return r;
    SearchScan scan(s, p, stopped);
    from = std::clamp<qsizetype>(from, 0, s.size());
    auto first = [&](qsizetype pos, qsizetype length) {
        r.hit = {pos, length};
        return false;
    };
    if (d == SearchDirection::Down) {
        if (!scan.forward(from, s.size(), first))
            return {};
        if (!r.hit.found()) {
            r.wrapped = true;
            if (!scan.forward(0, from, first))
                return {};
        }
        return r;
    }
    r.hit = scan.last(0, from);
    if (!r.hit.found() && !scan.stopped()) {
        // Every match ending at `from` or before has been seen.
        r.wrapped = true;
        const qsizetype lo = p.isRegex() ? scan.lineStartBefore(from)
                                         : std::max<qsizetype>(0, from - p.text().size() + 1);
        r.hit = scan.last(lo, s.size());
    }
    if (scan.stopped())
        return {};
    return r;
}

CountResult countMatches(const StoreSnapshot &s, const SearchPattern &p, qsizetype mark, const StopFlag &stopped,
                         const std::function<void(double)> &progress)
{
    CountResult r;
    if (!p.isValid()) {
        r.complete = true;
        return r;
    }
    SearchScan scan(s, p, stopped);
    const qsizetype size = s.size();
    if (progress)
        scan.m_progress = [&](qsizetype done) { progress(double(done) / double(std::max<qsizetype>(size, 1))); };
    r.complete = scan.forward(0, size, [&](qsizetype pos, qsizetype) {
        ++r.total;
        if (pos <= mark)
            ++r.upToMark;
        return true;
    });
    return r;
}

bool forEachMatch(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, qsizetype to,
                  const std::function<bool(qsizetype, qsizetype)> &onMatch, const StopFlag &stopped)
{
    if (!p.isValid())
        return true;
    SearchScan scan(s, p, stopped);
    from = std::clamp<qsizetype>(from, 0, s.size());
    return scan.forward(from, std::clamp<qsizetype>(to, from, s.size()), onMatch);
}

} // namespace kestrum
