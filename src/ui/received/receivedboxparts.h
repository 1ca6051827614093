#pragma once
// What the parts of the received box share: its limits, its private
// structures, the cache of worked-out lines and the small helpers. Private
// to ui/received/; each part is one file of its own:
//   receivedbox.cpp           the box, its document and the store's news
//   receivedbox_measure.cpp   widths, line geometry and layout (scroll bars)
//   receivedbox_hex.cpp       the hex view's mapping of columns
//   receivedbox_paint.cpp     painting the lines in view, with the marks
//   receivedbox_edit.cpp      edits, undo and redo, the clipboard
//   receivedbox_primary.cpp   the X11 primary selection
//   receivedbox_input.cpp     the caret, keys and mouse
#include "ui/received/receivedbox.h"
#include "core/document/hexview.h"
#include <QFont>
#include <QString>
#include <QTextLayout>
#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

class QScrollBar;

namespace kestrum {

namespace boxparts {

constexpr QChar kNulSymbol(0x2400);  // SYMBOL FOR NULL
// Space around the text, as in the other text boxes.
constexpr int kMargin = 4;
// A line of up to this many characters is laid out whole. A longer one is
// measured in chunks of about this many characters from a table of
// character widths, and only the part in view is laid out.
constexpr qsizetype kWholeLine = 1024;
constexpr qsizetype kChunk = 1024;
// Geometries kept for long lines.
constexpr size_t kCachedLines = 256;
constexpr size_t kCachedHexLines = 4096;
constexpr size_t kCachedSgrLines = 4096;
// A stretch of more zero-width characters than this (soft hyphens, control
// characters) is skipped when a long line is drawn: it shows nothing.
constexpr qsizetype kZeroWidthRun = 16;
// At most this many characters of one long line are laid out for a paint.
constexpr qsizetype kMostDrawn = 16384;

// A selection longer than this is converted for the clipboard aside, a
// piece of this size at a time, with progress and Cancel.
constexpr qsizetype kCopyAtOnce = qsizetype(1) << 20;

// Document text as the clipboards get it: NUL shown, every line break LF.
QString clipboardPiece(const QString &documentText);

// Characters laid out, measured and converted by every box (workDone()).
extern ReceivedBox::WorkDone g_work;

// Letters, digits and the underscore make a word (a double-click, Ctrl with
// an arrow).
bool isWordCharacter(QChar c);

// The text holds a line break (a CR or an LF).
bool breaksLine(const QString &s);

// A layout of one line of text, for measuring and drawing.
void layOut(QTextLayout &layout, const QFont &font);

// Typed or pasted text as the document keeps it: every line break CR LF,
// the NUL symbol a NUL again.
QString documentForm(const QString &typed);

// The area shows or hides a bar on its range signal, and repaints the whole
// of itself doing so: the signal goes out only when the bar becomes needed
// or not needed.
void setRangeQuietly(QScrollBar *bar, int maximum);

// What is worked out for a line, kept by the line's distance from the
// document's end (which new messages on top do not change) while its
// length stays; the whole map is dropped once it holds limit lines.
template <typename Map, typename Make>
const typename Map::mapped_type::second_type &cachedForLine(Map &lines, CharsFromEnd start, qsizetype length,
                                                            std::size_t limit, Make make)
{
    const quint64 key = quint64(start.get());
    const auto found = lines.find(key);
    if (found != lines.end() && found->second.first == length)
        return found->second.second;
    auto value = make();
    if (lines.size() >= limit)
        lines.clear();
    auto &slot = lines[key];
    slot = {length, std::move(value)};
    return slot.second;
}

} // namespace boxparts

using boxparts::kNulSymbol;

// The width of each character as the box's font draws it, measured once per
// character. The box's font neither kerns nor shapes simple scripts, so a
// run of such characters is exactly as wide as the sum of its characters:
// positions in a long line are added up, never laid out from its start.
class ReceivedBox::Advances {
public:
    void reset(const QFont &font)
    {
        m_font = font;
        m_narrow.clear();
        m_pairs.clear();
    }

    // The width of s[i] in s[0, n): the high half of a surrogate pair has
    // the pair's width, the low half none.
    double at(const QChar *s, qsizetype i, qsizetype n)
    {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, s[i + 1]);
            const auto found = m_pairs.find(u);
            if (found != m_pairs.end())
                return found->second;
            const QChar pair[2] = {c, s[i + 1]};
            return m_pairs[u] = measure(QString(pair, 2));
        }
        if (c.isLowSurrogate() && i > 0 && s[i - 1].isHighSurrogate())
            return 0;
        if (m_narrow.empty())
            m_narrow.assign(0x10000, -1.0f);
        float &w = m_narrow[c.unicode()];
        if (w < 0)
            w = float(measure(QString(c.isNull() ? kNulSymbol : c)));
        return w;
    }

private:
    // A repeated character, so that a tab is one tab stop wide.
    double measure(const QString &c) const
    {
        constexpr int kTimes = 16;
        QTextLayout layout(c.repeated(kTimes));
        layout.setFont(m_font);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        return layout.lineAt(0).cursorToX(layout.text().size()) / kTimes;
    }

    QFont m_font;
    std::vector<float> m_narrow;  // by UTF-16 code unit; -1 until measured
    std::unordered_map<char32_t, double> m_pairs;
};

// A long line as chunks of characters, each with its width.
struct ReceivedBox::LineGeometry {
    std::vector<Chunk> chunks;
    double width = 0;
};

struct ReceivedBox::Edit {
    CharsFromEnd tail;  // of the edit's end
    QString removed;
    QString inserted;
    bool typing;
};

struct ReceivedBox::Cache {
    // Long lines by the distance of their start from the end and their length.
    std::unordered_map<quint64, std::pair<qsizetype, LineGeometry>> lines;
    // The stamps of lines in the hex view, keyed the same way.
    std::unordered_map<quint64, std::pair<qsizetype, HexLine>> hexLines;
    // Lines as shown with colours on (null: as their text), keyed the same way.
    std::unordered_map<quint64, std::pair<qsizetype, std::shared_ptr<const SgrLine>>> sgrLines;
    Advances advances;
    CharsFromEnd longestKey{-1};  // -1: none worked out
    qsizetype longestLength = -1;
    qreal longestWidth = 0;
};

} // namespace kestrum
