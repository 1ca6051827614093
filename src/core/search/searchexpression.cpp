// Reading a regular expression as typed, without running it: where its
// escapes, classes, groups and quantifiers end, the text every match must
// hold, and whether its lines may be matched joined.
#include "core/search/searchexpression.h"
#include "core/base/codec.h"
#include <QRegularExpression>

namespace kestrum {

namespace searchdetail {

namespace {

bool isAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

// Where the run of pattern from `from` that ends at `close` ends (after
// it), or -1 when there is no such character.
qsizetype after(const QString &pattern, qsizetype from, QChar close)
{
    const qsizetype at = pattern.indexOf(close, from);
    return at < 0 ? -1 : at + 1;
}

// Where the escape at pattern[i] (a backslash) ends, with what it stands
// for in `plain` when that is one character that can be told (a backslash
// before anything but an ASCII letter or digit, \xhh, \x{hhh}); -1 when
// its end cannot be told. Escapes take arguments: \x41, \x{263a}, \o{101},
// \101, \cA, \N{U+41}, \p{Lu}, \g{-1}, \k<name>.
qsizetype escapeEnd(const QString &pattern, qsizetype i, QChar *plain)
{
    *plain = QChar();
    const qsizetype n = pattern.size();
    if (i + 1 >= n)
        return -1;
    const QChar c = pattern[i + 1];
    const QChar arg = i + 2 < n ? pattern[i + 2] : QChar();
    if (!isAsciiAlnum(c)) {
        *plain = c;
        return i + 2;
    }
    switch (c.unicode()) {
    case 'x': {
        if (arg == QLatin1Char('{')) {
            const qsizetype end = after(pattern, i + 3, QLatin1Char('}'));
            bool ok = false;
            const uint code = end < 0 ? 0 : pattern.mid(i + 3, end - i - 4).toUInt(&ok, 16);
            if (ok && code <= 0xFFFF)
                *plain = QChar(char16_t(code));
            return end;
        }
        qsizetype j = i + 2;
        while (j < n && j < i + 4 && isAsciiAlnum(pattern[j]) && QChar(pattern[j]).toLower() <= QLatin1Char('f'))
            ++j;
        if (j > i + 2)
            *plain = QChar(char16_t(pattern.mid(i + 2, j - i - 2).toUInt(nullptr, 16)));
        return j;
    }
    case 'o':
        return arg == QLatin1Char('{') ? after(pattern, i + 3, QLatin1Char('}')) : -1;
    case 'c':
        return arg.isNull() ? -1 : i + 3;
    case 'N':
    case 'p':
    case 'P':
        if (arg == QLatin1Char('{'))
            return after(pattern, i + 3, QLatin1Char('}'));
        return c == QLatin1Char('N') ? i + 2 : (arg.isNull() ? -1 : i + 3);
    case 'g':
    case 'k':
        if (arg == QLatin1Char('{'))
            return after(pattern, i + 3, QLatin1Char('}'));
        if (arg == QLatin1Char('<'))
            return after(pattern, i + 3, QLatin1Char('>'));
        if (arg == QLatin1Char('\''))
            return after(pattern, i + 3, QLatin1Char('\''));
        if (c == QLatin1Char('k'))
            return -1;
        break;
    default:
        break;
    }
    // \0 and up to two octal digits, a reference or an octal number, \g1:
    // every digit that follows is taken as the escape's.
    qsizetype j = i + 2;
    if (c.isDigit() || c == QLatin1Char('g')) {
        if (c == QLatin1Char('g') && (arg == QLatin1Char('-') || arg == QLatin1Char('+')))
            ++j;
        while (j < n && pattern[j].unicode() < 128 && pattern[j].isDigit())
            ++j;
    }
    return j;
}

// Moves j past the escape at pattern[j] (a backslash) when only its extent
// matters; false when that cannot be told.
bool stepOverEscape(const QString &pattern, qsizetype &j)
{
    QChar plain;
    j = escapeEnd(pattern, j, &plain);
    return j >= 0;
}

// Where the class opening at pattern[i] ('[') ends, after its ']'; -1 when
// that cannot be told. A ']' first is a member; [:digit:] inside is a
// class of its own, whose ']' does not end the outer one.
qsizetype classEnd(const QString &pattern, qsizetype i)
{
    const qsizetype n = pattern.size();
    qsizetype j = i + 1;
    if (j < n && pattern[j] == QLatin1Char('^'))
        ++j;
    if (j < n && pattern[j] == QLatin1Char(']'))
        ++j;
    while (j < n) {
        const QChar c = pattern[j];
        if (c == QLatin1Char(']'))
            return j + 1;
        if (c == QLatin1Char('\\')) {
            if (!stepOverEscape(pattern, j))
                return -1;
            continue;
        }
        if (c == QLatin1Char('[') && j + 1 < n && pattern[j + 1] == QLatin1Char(':')) {
            qsizetype k = j + 2;
            if (k < n && pattern[k] == QLatin1Char('^'))
                ++k;
            const qsizetype name = k;
            while (k < n && isAsciiAlnum(pattern[k]) && !pattern[k].isDigit())
                ++k;
            if (k > name && QStringView(pattern).mid(k, 2) == QLatin1String(":]")) {
                j = k + 2;
                continue;
            }
        }
        ++j;
    }
    return -1;
}

// Where the group opening at pattern[i] ('(') ends, after its ')'; -1 when
// that cannot be told.
qsizetype groupEnd(const QString &pattern, qsizetype i)
{
    const qsizetype n = pattern.size();
    int depth = 0;
    for (qsizetype j = i; j < n;) {
        const QChar c = pattern[j];
        if (c == QLatin1Char('\\')) {
            if (!stepOverEscape(pattern, j))
                return -1;
            continue;
        }
        if (c == QLatin1Char('[')) {
            j = classEnd(pattern, j);
            if (j < 0)
                return -1;
            continue;
        }
        if (QStringView(pattern).mid(j, 3) == QLatin1String("(?#")) {
            // A comment ends at the first ')', whatever it holds.
            j = after(pattern, j + 3, QLatin1Char(')'));
            if (j < 0)
                return -1;
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth == 0)
            return j + 1;
        ++j;
    }
    return -1;
}

// Where the quantifier {n}, {n,}, {n,m} opening at pattern[i] ends, or -1
// when the brace is no quantifier (then it is a character). Read loosely
// ({,m}, blanks inside): a brace taken for a quantifier only makes the
// atom before it optional.
qsizetype braceEnd(const QString &pattern, qsizetype i)
{
    qsizetype j = i + 1;
    bool digit = false;
    for (; j < pattern.size(); ++j) {
        const QChar c = pattern[j];
        if (c.unicode() < 128 && c.isDigit())
            digit = true;
        else if (c != QLatin1Char(',') && c != QLatin1Char(' '))
            break;
    }
    return digit && j < pattern.size() && pattern[j] == QLatin1Char('}') ? j + 1 : -1;
}

} // namespace

// The part of an expression every match must contain, as it is typed:
// the longest run of plain characters outside any group or class, in an
// expression without alternatives at its top. Empty when that cannot be
// told for certain (options set inside, verbs, quoting): the lines are
// then all matched, never only those holding a text the expression might
// not need.
QString requiredLiteral(const QString &pattern)
{
    static const QRegularExpression unreadable(QStringLiteral("\\(\\*|\\\\[QE]|\\(\\?[A-Za-z^-]"));
    if (pattern.contains(unreadable))
        return QString();
    QString best, run;
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        QChar plain;
        qsizetype next = i + 1;
        if (c == QLatin1Char('\\'))
            next = escapeEnd(pattern, i, &plain);
        else if (QStringView(pattern).mid(i, 3) == QLatin1String("(?#")) {
            // A comment is not there: a quantifier after it is the atom's
            // before it.
            next = after(pattern, i + 3, QLatin1Char(')'));
            if (next < 0 || (next < n && QStringLiteral("?*+{").contains(pattern[next])))
                return QString();
            i = next;
            continue;
        } else if (c == QLatin1Char('('))
            next = groupEnd(pattern, i);
        else if (c == QLatin1Char('['))
            next = classEnd(pattern, i);
        else if (c == QLatin1Char('|') || c == QLatin1Char(')'))
            return QString();
        else if (!QStringLiteral(".^$*+?{}").contains(c))
            plain = c;
        if (next < 0)
            return QString();
        // Quantifiers after the atom: ?, * and {} make it optional, + has
        // it at least once (and lazy or possessive forms are read as
        // optional, which only gives up some of the run).
        bool optional = false, repeated = false;
        for (;;) {
            const QChar q = next < n ? pattern[next] : QChar();
            if (q == QLatin1Char('?') || q == QLatin1Char('*')) {
                optional = true;
                ++next;
            } else if (q == QLatin1Char('+')) {
                optional = optional || repeated;
                repeated = true;
                ++next;
            } else if (q == QLatin1Char('{') && braceEnd(pattern, next) > 0) {
                optional = true;
                next = braceEnd(pattern, next);
            } else {
                break;
            }
        }
        const bool literal = !plain.isNull() && plain != QLatin1Char('\r') && plain != QLatin1Char('\n')
                             && ansiByteOf(plain.unicode()) != '?';
        if (literal && !optional)
            run += plain;
        if (!literal || optional || repeated)
            endRun();
        i = next;
    }
    endRun();
    return best;
}

// Whether the lines of a block may be matched as one text (line breaks as
// LF, ^ and $ at each) to find the lines worth matching one by one: every
// line that has a match of its own then meets a match of the joined text.
// That holds while nothing in the expression looks past a line's ends
// other than ^, $ and \b, and nothing stops the search from backtracking
// (look-around, atomic groups, possessive quantifiers, verbs, \z,
// subroutines, options switched off inside).
bool linesJoin(const QString &pattern)
{
    static const char *const barred[] = {"(*", "\\z", "\\Z", "\\A", "\\G", "\\K", "\\g", "++", "*+", "?+", "}+"};
    for (const char *b : barred)
        if (pattern.contains(QLatin1String(b)))
            return false;
    for (qsizetype i = pattern.indexOf(QLatin1String("(?")); i >= 0; i = pattern.indexOf(QLatin1String("(?"), i + 2)) {
        const QChar k = i + 2 < pattern.size() ? pattern[i + 2] : QChar();
        const QChar k2 = i + 3 < pattern.size() ? pattern[i + 3] : QChar();
        const bool named = (k == QLatin1Char('<') && k2 != QLatin1Char('=') && k2 != QLatin1Char('!'))
                           || k == QLatin1Char('\'') || (k == QLatin1Char('P') && k2 == QLatin1Char('<'));
        if (!named && !QStringLiteral(":|#imnsxJU)").contains(k))
            return false;
    }
    return true;
}

} // namespace searchdetail

} // namespace kestrum
