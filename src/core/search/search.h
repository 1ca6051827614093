#pragma once
#include <QRegularExpression>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace kestrum {

class StoreSnapshot;

// Toward older messages (further down the box, larger positions) or toward
// newer ones (up, towards position 0).
enum class SearchDirection { Down, Up };

struct SearchHit {
    qsizetype pos = -1;
    qsizetype length = 0;
    bool found() const { return pos >= 0; }
    qsizetype end() const { return pos + length; }
};

// What is looked for, prepared once. Plain text is compared as the file
// code page's bytes, without match case through a table that folds the
// Latin and Cyrillic letters of the code page; an expression is matched
// line by line (a match never spans a line break) and only non-empty
// matches count. Characters the code page cannot hold read as '?' on both
// sides, as the store's snapshot gives them.
class SearchPattern {
public:
    SearchPattern() = default;
    SearchPattern(const QString &text, bool matchCase, bool regex);

    const QString &text() const { return m_text; }
    bool matchCase() const { return m_matchCase; }
    bool isRegex() const { return m_regex; }
    // Something to look for: a non-empty text, an expression that compiles.
    bool isValid() const;
    // Why the expression does not compile, and where (from 0); empty when
    // it does.
    QString errorString() const { return m_regex && !m_expression.isValid() ? m_expression.errorString() : QString(); }
    qsizetype errorOffset() const { return m_regex && !m_expression.isValid() ? m_expression.patternErrorOffset() : -1; }

    // Every match in one line (text without a line break), left to right,
    // not overlapping: what the search counts and the view marks. Matches
    // start at or after `from`; the text before it is only context (what an
    // expression's ^ or look-behind sees).
    void matchesInLine(QStringView line, std::vector<SearchHit> &out, qsizetype from = 0) const;

private:
    friend class SearchScan;
    // The bytes of the pattern (folded without match case), or for an
    // expression a text every match must contain, when one can be told
    // from the pattern; empty when not.
    QByteArray m_needle;
    std::array<uchar, 256> m_fold{};
    QRegularExpression m_expression;
    // For an expression with no such text, the expression over a block of
    // lines joined by LF, when its matches there tell which lines have any.
    QRegularExpression m_joined;
    QString m_text;
    bool m_matchCase = false;
    bool m_regex = false;
};

// Searching a snapshot, on the calling thread (the searcher's worker calls
// these). `stopped` is asked between blocks; once it says true the search
// gives up and reports nothing found.
using StopFlag = std::function<bool()>;

// The next match from a position: down, the first that starts at or after
// `from`; up, the last that ends at or before it. When there is none that
// way, the search goes on from the other end of the document (`wrapped`).
struct FindResult {
    SearchHit hit;
    bool wrapped = false;
};
FindResult findNext(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, SearchDirection d,
                    const StopFlag &stopped = {});

// How many matches the document holds (each one after the end of the one
// before), and how many of them start at or before `mark` (-1: none asked);
// `progress` hears the fraction done now and then.
struct CountResult {
    qsizetype total = 0;
    qsizetype upToMark = 0;
    bool complete = false;
};
CountResult countMatches(const StoreSnapshot &s, const SearchPattern &p, qsizetype mark, const StopFlag &stopped = {},
                         const std::function<void(double)> &progress = {});

// Every match that starts in [from, to), in order, each after the end of the
// one before, handed to onMatch(pos, length) until it returns false; false
// when stopped. What the filter runs over a snapshot, part by part.
bool forEachMatch(const StoreSnapshot &s, const SearchPattern &p, qsizetype from, qsizetype to,
                  const std::function<bool(qsizetype, qsizetype)> &onMatch, const StopFlag &stopped = {});

} // namespace kestrum
