#pragma once
#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <string>
#include <vector>

namespace kestrum {

// "This expression in this colour": the text and the background colour are
// each on or off (off: the line's own colour stays), as 0xRRGGBB. A rule
// that is not enabled is kept but colours nothing.
struct HighlightRule {
    QString expression;
    bool regex = false;
    bool matchCase = false;
    bool textOn = false;
    quint32 text = 0;
    bool backOn = false;
    quint32 back = 0;
    bool enabled = true;
    bool operator==(const HighlightRule &o) const;
    bool operator!=(const HighlightRule &o) const { return !(*this == o); }
};

// The rules as one set, compiled once, applied to the lines the view
// draws. Each character takes the colours of the first rule, in order,
// that has a match over it. Plain text is looked for directly (without
// match case in a copy of the line folded once); the expressions are first
// matched as one, so that a line none of them matches costs one call.
class Highlighter {
public:
    Highlighter() = default;
    explicit Highlighter(std::vector<HighlightRule> rules);

    const std::vector<HighlightRule> &rules() const { return m_rules; }
    // Nothing to colour: no rule enabled and valid.
    bool isEmpty() const { return m_compiled.empty(); }
    // The rules whose expression does not compile, with the reason.
    QString errorString(int rule) const;

    struct Range {
        qsizetype start;
        qsizetype length;
        int rule;  // into rules()
    };
    // The coloured ranges of one line as shown (text without its line
    // break), left to right, none overlapping. out is cleared first.
    void apply(QStringView line, std::vector<Range> &out) const;

private:
    struct Compiled {
        int rule;
        std::u16string plain;  // a plain rule's text, folded without match case
        bool folded;
        QRegularExpression expression;
    };
    std::vector<HighlightRule> m_rules;
    std::vector<Compiled> m_compiled;
    bool m_folds = false;
    // The expressions as alternatives of one: no match of it on a line, no
    // expression's match there.
    QRegularExpression m_anyExpression;
};

// The rules kept in the settings file (section "Highlights", which clearing
// the settings removes). With none kept, the ready ones, not enabled.
std::vector<HighlightRule> highlightRules();
void storeHighlightRules(const std::vector<HighlightRule> &rules);
std::vector<HighlightRule> readyHighlightRules();

} // namespace kestrum
