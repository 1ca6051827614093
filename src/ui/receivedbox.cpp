#include "ui/receivedbox.h"
#include "core/search.h"
#include "core/messageline.h"
#include "core/textfile.h"
#include "ui/longwork.h"
#include "platform/platform.h"
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleHints>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <unordered_map>

namespace kestrum {

namespace {

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
// A stretch of more zero-width characters than this (soft hyphens, control
// characters) is skipped when a long line is drawn: it shows nothing.
constexpr qsizetype kZeroWidthRun = 16;
// At most this many characters of one long line are laid out for a paint.
constexpr qsizetype kMostDrawn = 16384;

// A selection longer than this is converted for the clipboard aside, a
// piece of this size at a time, with progress and Cancel.
constexpr qsizetype kCopyAtOnce = qsizetype(1) << 20;

// Document text as the clipboards get it: NUL shown, every line break LF.
QString clipboardPiece(const QString &documentText)
{
    QString t = ReceivedBox::displayForm(documentText);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

ReceivedBox::WorkDone g_work;

// A selection copied from the hex view piece by piece: each line converted
// as it is shown once its end is read.
struct HexCopy {
    HexLine first, last;
    qsizetype firstColumn;
    bool oneLine;
    // The bytes received with a parity error, as places in the selection.
    std::vector<qsizetype> errors{};
    QString line{}, out{};
    bool inFirst = true, afterCr = false;
    qsizetype at = 0, lineAt = 0;  // places in the selection: the next character, the line's start

    void feed(QStringView piece)
    {
        for (const QChar c : piece) {
            ++at;
            if (c == QLatin1Char('\n') && afterCr) {
                afterCr = false;
                lineAt = at;
                continue;
            }
            afterCr = c == QLatin1Char('\r');
            if (afterCr || c == QLatin1Char('\n')) {
                flush(false);
                lineAt = at;
                out += QLatin1Char('\n');
            } else {
                line += c;
            }
        }
    }
    QString finish()
    {
        flush(true);
        return std::move(out);
    }
    void flush(bool end)
    {
        const HexLine h = inFirst && !(end && !oneLine) ? first
                          : end ? last
                                : HexLine::of(QStringView(line).left(HexLine::kStampReach),
                                              QStringView(line).right(HexLine::kStampReach), line.size());
        const qsizetype column = inFirst ? firstColumn : 0;
        std::vector<qsizetype> marked;
        for (auto e = std::lower_bound(errors.begin(), errors.end(), lineAt);
             e != errors.end() && *e < lineAt + line.size(); ++e)
            marked.push_back(column + *e - lineAt);
        out += hexText(h, column, line, marked);
        line.clear();
        inFirst = false;
    }
};

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

bool breaksLine(const QString &s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

// A layout of one line of text, for measuring and drawing.
void layOut(QTextLayout &layout, const QFont &font)
{
    g_work.laidOut += layout.text().size();
    layout.setFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(false);
    layout.endLayout();
}

// Typed or pasted text as the document keeps it: every line break CR LF,
// the NUL symbol a NUL again.
QString documentForm(const QString &typed)
{
    QString out = withCrLf(typed);
    out.replace(kNulSymbol, QChar(0));
    return out;
}

// A scroll bar that repaints only when what it shows changes. The range of
// the box's bars grows with every message while the slider, at its shortest,
// stays where it is; a repaint of a tall bar is not cheap (the style's
// gradients are filled by worker threads that each repaint wakes).
class QuietScrollBar : public QScrollBar {
public:
    QuietScrollBar(Qt::Orientation o, QWidget *parent) : QScrollBar(o, parent) {}

protected:
    void sliderChange(SliderChange change) override
    {
        if (change != SliderStepsChange && shows() == m_shown)
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *e) override
    {
        m_shown = shows();
        QScrollBar::paintEvent(e);
    }

private:
    // What the bar shows: where the slider is, and which arrows can move it.
    std::pair<QRect, int> shows() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        return {slider, (value() > minimum() ? 1 : 0) | (value() < maximum() ? 2 : 0)};
    }

    std::pair<QRect, int> m_shown;
};

// The area shows or hides a bar on its range signal, and repaints the whole
// of itself doing so: the signal goes out only when the bar becomes needed
// or not needed.
void setRangeQuietly(QScrollBar *bar, int maximum)
{
    const QSignalBlocker blocker((bar->maximum() > 0) == (maximum > 0) ? bar : nullptr);
    bar->setRange(0, maximum);
}

} // namespace

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
    qsizetype tail;  // characters after the edit, to the end of the document
    QString removed;
    QString inserted;
    bool typing;
};

struct ReceivedBox::Cache {
    // Long lines by the distance of their start from the end and their length.
    std::unordered_map<quint64, std::pair<qsizetype, LineGeometry>> lines;
    // The stamps of lines in the hex view, keyed the same way.
    std::unordered_map<quint64, std::pair<qsizetype, HexLine>> hexLines;
    Advances advances;
    qsizetype longestKey = -1, longestLength = -1;
    qreal longestWidth = 0;
};

ReceivedBox::WorkDone ReceivedBox::workDone() { return g_work; }

QAccessibleInterface *receivedBoxAccessible(const QString &className, QObject *object);

ReceivedBox::ReceivedBox(QWidget *parent) : ReceivedBox(*new ReceivedStore, *new LongWork, parent)
{
    m_ownStore.reset(&m_store);
    m_ownLongWork.reset(&m_longWork);
}

ReceivedBox::ReceivedBox(ReceivedStore &store, LongWork &longWork, QWidget *parent)
    : QAbstractScrollArea(parent), m_store(store), m_longWork(longWork), m_cache(new Cache)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new QuietScrollBar(Qt::Horizontal, this));
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
    // Without kerning and shaping a line is as wide as its characters: a
    // long line is measured by adding widths (the family and size are still
    // the window's).
    QFont plain;
    plain.setKerning(false);
    plain.setStyleStrategy(QFont::PreferNoShaping);
    setFont(plain);
    m_cache->advances.reset(font());
    static const bool accessible = (QAccessible::installFactory(receivedBoxAccessible), true);
    Q_UNUSED(accessible);
    m_toldSize = m_store.size();
}

ReceivedBox::~ReceivedBox() = default;

QString ReceivedBox::displayForm(const QString &text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString shown = text;
    shown.replace(QChar(0), kNulSymbol);
    return shown;
}

QString ReceivedBox::text() const { return m_store.text(); }
qsizetype ReceivedBox::textLength() const { return m_store.size(); }
bool ReceivedBox::isEmptyText() const { return m_store.isEmpty(); }

void ReceivedBox::setText(const QString &text)
{
    keepPrimary(0, m_store.size(), QString());
    const qsizetype removed = m_store.size();
    const QString old = QAccessible::isActive() && removed <= kReaderPiece ? m_store.text() : QString();
    m_store.setText(text);
    m_caret = m_anchor = m_store.size();
    m_topDistance = -1;
    m_undo.clear();
    m_redo.clear();
    forgetGeometry();
    layoutNow();
    viewport()->update();
    tellReader(0, removed, old, m_store.size());
}

void ReceivedBox::clearText() { setText(QString()); }

void ReceivedBox::prepend(const QString &text)
{
    if (text.isEmpty())
        return;
    m_store.prepend(text);
    storeGrew();
}

void ReceivedBox::storeGrew()
{
    // Nothing below the new text moves: lines, caret and undo steps are
    // counted from the end.
    scheduleLayout();
    const qsizetype grown = m_store.size() - m_toldSize;
    if (grown > 0)
        tellReader(0, 0, QString(), grown);
}

void ReceivedBox::storeChanged(qsizetype pos, qsizetype removed, qsizetype inserted)
{
    forgetGeometry();
    tellReader(pos, removed, QString(), inserted);
}

// Tells assistive technology that `removed` characters at pos became
// `inserted` characters, as Qt's own text boxes do (a removed text no
// longer at hand told as blanks of its length). A change of more than
// kReaderPiece characters on either side (an Open, a Clear of a long
// document) is told as a new value and the caret's place, which a reader
// answers by asking for the text it needs, instead of as one string the
// size of the document.
void ReceivedBox::tellReader(qsizetype pos, qsizetype removed, const QString &removedText, qsizetype inserted)
{
    m_toldSize = m_store.size();
    if (!QAccessible::isActive() || (removed == 0 && inserted == 0))
        return;
    const int at = int(std::min<qsizetype>(pos, INT_MAX));
    if (removed > kReaderPiece || inserted > kReaderPiece) {
        QAccessibleTextCursorEvent caret(this, int(std::min<qsizetype>(cursorPosition(), INT_MAX)));
        QAccessible::updateAccessibility(&caret);
    } else {
        const QString gone = removedText.size() == removed ? displayForm(removedText) : QString(removed, QLatin1Char(' '));
        const QString put = displayForm(m_store.text(pos, inserted));
        if (removed == 0) {
            QAccessibleTextInsertEvent e(this, at, put);
            QAccessible::updateAccessibility(&e);
        } else if (inserted == 0) {
            QAccessibleTextRemoveEvent e(this, at, gone);
            QAccessible::updateAccessibility(&e);
        } else {
            QAccessibleTextUpdateEvent e(this, at, gone, put);
            QAccessible::updateAccessibility(&e);
        }
    }
    // The value is the whole document: a reader asks for what it needs.
    QAccessibleValueChangeEvent changed(this, QVariant());
    QAccessible::updateAccessibility(&changed);
}

void ReceivedBox::forgetGeometry()
{
    m_cache->lines.clear();
    m_cache->hexLines.clear();
    m_cache->longestKey = -1;
    scheduleLayout();
}

// After count characters at pos became text: the lines above the edit keep
// their geometry under their new distance from the end, the lines below keep
// theirs, and the line the edit falls in is measured again only around the
// edit, so that typing in a long line costs the same wherever it is.
void ReceivedBox::textReplaced(qsizetype pos, const QString &removed, const QString &inserted)
{
    const qsizetype count = removed.size();
    const qsizetype delta = inserted.size() - count;
    const qsizetype tail = m_store.size() - pos - inserted.size();
    const qsizetype oldSize = m_store.size() - delta;
    // Without a line break on either side the edited line keeps its start
    // and only its length changes.
    const bool sameLines = !breaksLine(removed) && !breaksLine(inserted);
    // A geometry belongs to the characters from its start on, never to the
    // line as such: a line found at that start with that length later is
    // made of the same characters.
    auto &lines = m_cache->lines;
    std::unordered_map<quint64, std::pair<qsizetype, LineGeometry>> kept;
    for (auto &[key, entry] : lines) {
        const qsizetype k = qsizetype(key);
        const qsizetype start = oldSize - k;
        const qsizetype length = entry.first;
        if (sameLines && start <= pos && pos + count <= start + length) {
            patchGeometry(entry.second, start, pos - start, count, inserted.size());
            kept.emplace(quint64(k + delta), std::pair{length + delta, std::move(entry.second)});
        } else if (k <= tail) {
            kept.emplace(key, std::move(entry));
        } else if (start + length <= pos) {
            kept.emplace(quint64(k + delta), std::move(entry));
        }
    }
    lines = std::move(kept);
    m_cache->hexLines.clear();
    m_cache->longestKey = -1;
    scheduleLayout();
    tellReader(pos, count, removed, inserted.size());
}

// Measures the chunks of the line that the edit at column touched, as the
// line now reads (from start in the document).
void ReceivedBox::patchGeometry(LineGeometry &g, qsizetype start, qsizetype column, qsizetype removed,
                                qsizetype inserted) const
{
    size_t first = 0;
    qsizetype from = 0;
    while (first + 1 < g.chunks.size() && from + g.chunks[first].length < column)
        from += g.chunks[first++].length;
    size_t last = first;
    qsizetype to = from + (g.chunks.empty() ? 0 : g.chunks[first].length);
    while (last + 1 < g.chunks.size() && to < column + removed)
        to += g.chunks[++last].length;
    std::vector<Chunk> fresh = measureChunks(start + from, to - from + inserted - removed);
    for (size_t i = first; i <= last && i < g.chunks.size(); ++i)
        g.width -= g.chunks[i].width;
    for (const auto &c : fresh)
        g.width += c.width;
    if (g.chunks.empty())
        g.chunks = std::move(fresh);
    else
        g.chunks.insert(g.chunks.erase(g.chunks.begin() + qsizetype(first), g.chunks.begin() + qsizetype(last) + 1),
                        fresh.begin(), fresh.end());
}

// The characters from pos in chunks of about kChunk, never splitting a
// surrogate pair, with their widths.
std::vector<ReceivedBox::Chunk> ReceivedBox::measureChunks(qsizetype pos, qsizetype count) const
{
    std::vector<Chunk> out;
    out.reserve(size_t(count / kChunk + 1));
    while (count > 0) {
        const QString t = m_store.text(pos, std::min(count, kChunk + 1));
        qsizetype n = std::min(count, kChunk);
        if (n < t.size() && t.at(n - 1).isHighSurrogate() && t.at(n).isLowSurrogate())
            ++n;
        out.push_back({n, widthOf(t.constData(), 0, n, t.size())});
        pos += n;
        count -= n;
    }
    return out;
}

double ReceivedBox::widthOf(const QChar *s, qsizetype from, qsizetype to, qsizetype n) const
{
    g_work.laidOut += to - from;
    double w = 0;
    for (qsizetype i = from; i < to; ++i)
        w += m_cache->advances.at(s, i, n);
    return w;
}

// ---- Layout ----

void ReceivedBox::scheduleLayout()
{
    if (m_layoutPending)
        return;
    m_layoutPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_layoutPending)
            return;
        layoutNow();
        viewport()->update();
    });
}

int ReceivedBox::lineHeight() const { return qMax(1, fontMetrics().height()); }

int ReceivedBox::visibleLines() const { return qMax(1, (viewport()->height() - kMargin) / lineHeight()); }

void ReceivedBox::layoutNow()
{
    m_layoutPending = false;
    const qsizetype lines = m_store.lineCount();
    QScrollBar *v = verticalScrollBar();
    QScrollBar *h = horizontalScrollBar();
    const int page = visibleLines();
    qsizetype top = 0;
    if (m_topDistance >= 0)
        top = m_store.lineOf(m_store.size() - std::min(m_topDistance, m_store.size()));
    ++m_settingScroll;
    setRangeQuietly(v, int(std::min<qsizetype>(std::max<qsizetype>(0, lines - page), INT_MAX)));
    v->setPageStep(page);
    v->setValue(int(std::min<qsizetype>(top, v->maximum())));
    if (v->value() != top)
        m_topDistance = v->value() == 0 ? -1 : m_store.size() - m_store.lineStart(v->value());

    // The widest line is taken to be the one with the most characters.
    const qsizetype longest = m_store.longestLine();
    const qsizetype key = m_store.size() - m_store.lineStart(longest);
    const qsizetype length = m_store.longestLineLength();
    if (key != m_cache->longestKey || length != m_cache->longestLength) {
        m_cache->longestKey = key;
        m_cache->longestLength = length;
        m_cache->longestWidth = lineWidth(longest);
        // In hex the widest line may be another one with fewer stamps:
        // room for the longest line's characters all as bytes.
        if (m_hex) {
            double widest = 0;
            const QString digits = QStringLiteral("0123456789ABCDEF");
            for (qsizetype i = 0; i < digits.size(); ++i)
                widest = std::max(widest, m_cache->advances.at(digits.constData(), i, digits.size()));
            m_cache->longestWidth = std::max<double>(m_cache->longestWidth, 3.0 * double(length) * widest);
        }
    }
    const int width = int(std::min<double>(std::ceil(m_cache->longestWidth) + 2 * kMargin + 1, INT_MAX / 2));
    setRangeQuietly(h, qMax(0, width - viewport()->width()));
    h->setPageStep(viewport()->width());
    --m_settingScroll;
}

void ReceivedBox::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    layoutNow();
}

void ReceivedBox::scrollContentsBy(int, int)
{
    if (!m_settingScroll) {
        const int top = verticalScrollBar()->value();
        m_topDistance = top == 0 ? -1 : m_store.size() - m_store.lineStart(top);
    }
    viewport()->update();
}

qsizetype ReceivedBox::firstVisibleLine() const { return verticalScrollBar()->value(); }

void ReceivedBox::scrollToLine(qsizetype line)
{
    verticalScrollBar()->setValue(int(std::clamp<qsizetype>(line, 0, verticalScrollBar()->maximum())));
}

namespace {
// What is worked out for a line, kept by the line's distance from the
// document's end (which new messages on top do not change) while its
// length stays; the whole map is dropped once it holds limit lines.
template <typename Map, typename Make>
const typename Map::mapped_type::second_type &cachedForLine(Map &lines, quint64 key, qsizetype length,
                                                            std::size_t limit, Make make)
{
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
} // namespace

const ReceivedBox::LineGeometry &ReceivedBox::geometry(qsizetype line) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = shownLength(line);
    return cachedForLine(m_cache->lines, quint64(m_store.size() - start), length, kCachedLines, [&] {
        LineGeometry g;
        g.chunks = m_hex ? measureShown(line, length) : measureChunks(start, length);
        for (const auto &c : g.chunks)
            g.width += c.width;
        return g;
    });
}

QString ReceivedBox::lineText(qsizetype line) const
{
    if (m_hex)
        return shownText(line, 0, shownLength(line));
    return displayForm(m_store.text(m_store.lineStart(line), m_store.lineLength(line)));
}

HexLine ReceivedBox::hexLine(qsizetype line) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = m_store.lineLength(line);
    // Asked for many times in every paint: kept as the geometry is.
    return cachedForLine(m_cache->hexLines, quint64(m_store.size() - start), length, kCachedHexLines, [&] {
        const qsizetype reach = std::min(length, HexLine::kStampReach);
        return HexLine::of(m_store.text(start, reach), m_store.text(start + length - reach, reach), length);
    });
}

qsizetype ReceivedBox::shownLength(qsizetype line) const
{
    return m_hex ? hexLine(line).shownLength() : m_store.lineLength(line);
}

QString ReceivedBox::shownText(qsizetype line, qsizetype from, qsizetype count) const
{
    const qsizetype start = m_store.lineStart(line);
    if (!m_hex)
        return m_store.text(start + from, count);
    const HexLine h = hexLine(line);
    const qsizetype first = h.toColumn(from, HexLine::Round::Down);
    const qsizetype last = h.toColumn(from + count, HexLine::Round::Up);
    const QString shown = hexText(h, first, m_store.text(start + first, last - first),
                                  m_store.errorColumns(start, first, last - first));
    return shown.mid(from - h.toShown(first), count);
}

qsizetype ReceivedBox::toShown(qsizetype line, qsizetype column) const
{
    return m_hex ? hexLine(line).toShown(column) : column;
}

qsizetype ReceivedBox::fromShown(qsizetype line, qsizetype shown) const
{
    return m_hex ? hexLine(line).toColumn(shown) : shown;
}

std::vector<ReceivedBox::Chunk> ReceivedBox::measureShown(qsizetype line, qsizetype length) const
{
    std::vector<Chunk> out;
    for (qsizetype from = 0; from < length; from += kChunk) {
        const QString t = shownText(line, from, std::min(kChunk, length - from));
        out.push_back({t.size(), widthOf(t.constData(), 0, t.size(), t.size())});
    }
    return out;
}

void ReceivedBox::setHexView(bool on)
{
    if (on == m_hex)
        return;
    m_hex = on;
    m_wantedX = -1;
    forgetGeometry();
    layoutNow();
    viewport()->update();
}

qreal ReceivedBox::lineWidth(qsizetype line) const
{
    if (shownLength(line) > kWholeLine)
        return geometry(line).width;
    QTextLayout layout(lineText(line));
    layOut(layout, font());
    return layout.lineAt(0).naturalTextWidth();
}

qreal ReceivedBox::columnToX(qsizetype line, qsizetype column) const
{
    column = toShown(line, column);
    if (shownLength(line) <= kWholeLine) {
        QTextLayout layout(lineText(line));
        layOut(layout, font());
        return layout.lineAt(0).cursorToX(int(column));
    }
    const LineGeometry &g = geometry(line);
    double x = 0;
    qsizetype from = 0;
    qsizetype left = column;
    for (const auto &c : g.chunks) {
        if (left <= c.length) {
            const QString t = shownText(line, from, c.length);
            return x + widthOf(t.constData(), 0, left, t.size());
        }
        x += c.width;
        left -= c.length;
        from += c.length;
    }
    return x;
}

qsizetype ReceivedBox::xToColumn(qsizetype line, qreal x) const
{
    const qsizetype length = shownLength(line);
    if (x <= 0 || length == 0)
        return 0;
    if (length <= kWholeLine) {
        QTextLayout layout(lineText(line));
        layOut(layout, font());
        return fromShown(line, layout.lineAt(0).xToCursor(x));
    }
    const LineGeometry &g = geometry(line);
    double at = 0;
    qsizetype column = 0;
    for (const auto &c : g.chunks) {
        if (at + c.width <= x) {
            at += c.width;
            column += c.length;
            continue;
        }
        // The nearest character edge in this chunk.
        const QString t = shownText(line, column, c.length);
        g_work.laidOut += t.size();
        for (qsizetype i = 0; i < t.size(); ++i) {
            const double w = m_cache->advances.at(t.constData(), i, t.size());
            if (x < at + w / 2)
                return fromShown(line, column + i - (t.at(i).isLowSurrogate() && i > 0 && t.at(i - 1).isHighSurrogate() ? 1 : 0));
            at += w;
        }
        return fromShown(line, column + c.length);
    }
    return fromShown(line, length);
}

qsizetype ReceivedBox::positionAt(const QPoint &p) const
{
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + (p.y() - kMargin) / lineHeight()
                                                     - (p.y() < kMargin ? 1 : 0),
                                                 0, m_store.lineCount() - 1);
    return m_store.lineStart(line) + xToColumn(line, p.x() - kMargin + horizontalScrollBar()->value());
}

QRect ReceivedBox::caretRectAt(qsizetype pos) const
{
    const qsizetype line = m_store.lineOf(pos);
    const int x = int(kMargin + columnToX(line, pos - m_store.lineStart(line))) - horizontalScrollBar()->value();
    const int y = kMargin + int(line - firstVisibleLine()) * lineHeight();
    return QRect(x, y, 1, lineHeight());
}

void ReceivedBox::ensureCaretVisible()
{
    if (m_layoutPending)
        layoutNow();
    const qsizetype line = m_store.lineOf(cursorPosition());
    const qsizetype top = firstVisibleLine();
    if (line < top)
        scrollToLine(line);
    else if (line >= top + visibleLines())
        scrollToLine(line - visibleLines() + 1);
    const QRect r = caretRect();
    QScrollBar *h = horizontalScrollBar();
    const int w = viewport()->width();
    if (r.left() < kMargin)
        h->setValue(h->value() + r.left() - kMargin - w / 4);
    else if (r.right() >= w - kMargin)
        h->setValue(h->value() + r.right() - w + kMargin + w / 4);
}

// ---- Painting ----

void ReceivedBox::paintEvent(QPaintEvent *e)
{
    if (m_layoutPending)
        layoutNow();
    QPainter painter(viewport());
    const QRect clip = e->rect();
    const int h = lineHeight();
    const qsizetype top = firstVisibleLine();
    const qsizetype lines = m_store.lineCount();
    const int first = qMax(0, (clip.top() - kMargin) / h);
    for (qsizetype i = top + first; i < lines; ++i) {
        const int y = kMargin + int(i - top) * h;
        if (y > clip.bottom())
            break;
        drawLine(painter, i, y, clip);
    }
    if (m_caretShown && hasFocus()) {
        const QRect r = caretRect();
        if (r.intersects(clip))
            painter.fillRect(r, palette().text());
    }
}

// The matches to mark among the columns [from, to) of the line at start,
// in columns of the line. A long line is matched from a little before what
// is drawn, so a match that begins left of the view, or reaches over the
// edge of a piece drawn, is marked whole.
void ReceivedBox::findMarks(qsizetype start, qsizetype length, qsizetype from, qsizetype to,
                            std::vector<SearchHit> &out) const
{
    out.clear();
    if (!m_marks)
        return;
    const qsizetype reach = std::max<qsizetype>(kChunk, m_marks->text().size());
    const qsizetype first = std::max<qsizetype>(0, from - reach);
    const qsizetype last = std::min(length, to + reach);
    // One character before the view is context, so that the cut does not
    // read as the line's start.
    m_marks->matchesInLine(m_store.text(start + first, last - first), out, first > 0 ? 1 : 0);
    for (SearchHit &h : out)
        h.pos += first;
}

// Draws the characters from..to of the line (from start in the document),
// laid out from x, with the marks (in columns of the line) and the part of
// the selection among them.
void ReceivedBox::drawPiece(QPainter &painter, const QString &text, std::pair<qsizetype, qsizetype> selected, qsizetype from, bool lineEnd,
                            QPointF at, const QRect &clip, const std::vector<SearchHit> &marks) const
{
    QTextLayout layout(displayForm(text));
    layOut(layout, font());
    QList<QTextLayout::FormatRange> selections;
    const qsizetype to = from + text.size();
    for (const SearchHit &h : marks) {
        if (h.end() <= from || h.pos >= to)
            continue;
        // Amber under black text: it reads on the box's black and stands
        // apart from the selection, which is drawn over it.
        QTextLayout::FormatRange r;
        r.start = int(std::max(h.pos, from) - from);
        r.length = int(std::min(h.end(), to) - from - r.start);
        r.format.setBackground(QColor(255, 191, 0));
        r.format.setForeground(QColor(Qt::black));
        selections.append(r);
    }
    {
        const qsizetype end = std::min(selected.second, lineEnd ? to + 1 : to);
        const qsizetype begin = std::max(selected.first, from);
        if (end > begin) {
            QTextLayout::FormatRange r;
            r.start = int(begin - from);
            r.length = int(end - begin);
            r.format.setBackground(palette().highlight());
            r.format.setForeground(palette().highlightedText());
            selections.append(r);
        }
    }
    painter.setPen(palette().text().color());
    layout.draw(&painter, at, selections, clip);
}

// A line laid out whole, or of a long line the characters in view: found by
// the chunks' widths, laid out in runs between tabs and between stretches of
// zero-width characters, each run from where the sum of the widths before it
// puts it.
void ReceivedBox::drawLine(QPainter &painter, qsizetype line, int y, const QRect &clip) const
{
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = shownLength(line);
    const qreal origin = kMargin - horizontalScrollBar()->value();
    // The selection in columns of what is shown; one past the end when it
    // takes in the line break.
    std::pair<qsizetype, qsizetype> selected{0, 0};
    if (hasSelection()) {
        const qsizetype a = std::min(cursorPosition(), m_store.size() - m_anchor) - start;
        const qsizetype b = std::max(cursorPosition(), m_store.size() - m_anchor) - start;
        const qsizetype columns = m_store.lineLength(line);
        if (b > 0 && a <= columns)
            selected = {toShown(line, std::max<qsizetype>(a, 0)),
                        b > columns ? length + 1 : toShown(line, b)};
    }
    // Marks are of the document's text, which the hex view does not show.
    const SearchPattern *marking = m_hex ? nullptr : m_marks.get();
    std::vector<SearchHit> marks;
    if (length <= kWholeLine) {
        const QString text = shownText(line, 0, length);
        if (marking)
            marking->matchesInLine(text, marks);
        drawPiece(painter, text, selected, 0, true, QPointF(origin, y), clip, marks);
        return;
    }
    // The marks of the columns from marked to markedTo.
    qsizetype marked = 0, markedTo = 0;
    // A glyph may reach a little outside its width (italics, accents).
    const qreal slack = 2 * QFontMetricsF(font()).maxWidth();
    const double left = clip.left() - origin - slack, right = clip.right() + 1 - origin + slack;
    const LineGeometry &g = geometry(line);
    double x = 0;
    qsizetype column = 0, drawn = 0;
    for (const auto &c : g.chunks) {
        if (x > right || drawn > kMostDrawn)
            break;
        if (x + c.width < left || c.width == 0) {
            x += c.width;
            column += c.length;
            continue;
        }
        const QString t = shownText(line, column, c.length);
        g_work.laidOut += t.size();
        if (marking && (column < marked || column + c.length > markedTo)) {
            marked = column;
            markedTo = std::min(length, column + kMostDrawn + 2 * kChunk);
            findMarks(start, length, marked, markedTo, marks);
        }
        qsizetype runStart = -1, zeros = 0, i = 0;
        double runX = 0;
        auto flush = [&](qsizetype end) {
            if (runStart >= 0 && end > runStart) {
                drawPiece(painter, t.mid(runStart, end - runStart), selected, column + runStart,
                          column + end == length, QPointF(origin + runX, y), clip, marks);
                drawn += end - runStart;
            }
            runStart = -1;
        };
        for (; i < t.size() && x <= right; ++i) {
            const double w = m_cache->advances.at(t.constData(), i, t.size());
            const bool tab = t.at(i) == QLatin1Char('\t');
            zeros = w == 0 ? zeros + 1 : 0;
            if (tab || x + w < left || zeros > kZeroWidthRun) {
                flush(i - (zeros > kZeroWidthRun ? zeros - 1 : 0));
            } else if (runStart < 0) {
                runStart = i;
                runX = x;
            }
            x += w;
        }
        flush(i);
        column += c.length;
    }
}

// ---- Caret and selection ----

qsizetype ReceivedBox::cursorPosition() const { return m_store.size() - m_caret; }

void ReceivedBox::setCursorPosition(qsizetype pos, bool keepAnchor) { moveCaret(pos, keepAnchor); }

void ReceivedBox::setMarks(const SearchPattern &pattern)
{
    m_marks = pattern.isValid() ? std::make_shared<const SearchPattern>(pattern) : nullptr;
    viewport()->update();
}

QString ReceivedBox::selectedText() const
{
    return clipboardText(std::min(m_caret, m_anchor), std::max(m_caret, m_anchor));
}

// Characters between two distances from the end, as the clipboards get them.
QString ReceivedBox::clipboardText(qsizetype near, qsizetype far) const
{
    if (!m_hex)
        return clipboardForm(m_store.text(m_store.size() - far, far - near));
    // As shown: line by line, each line's part as hex.
    const qsizetype from = m_store.size() - far, to = m_store.size() - near;
    QString out;
    for (qsizetype line = m_store.lineOf(from); line < m_store.lineCount(); ++line) {
        const qsizetype start = m_store.lineStart(line), length = m_store.lineLength(line);
        const qsizetype a = std::max(from, start) - start, b = std::min(to, start + length) - start;
        if (b > a) {
            g_work.converted += b - a;
            out += hexText(hexLine(line), a, m_store.text(start + a, b - a), m_store.errorColumns(start, a, b - a));
        }
        if (to <= start + length)
            break;
        out += QLatin1Char('\n');
    }
    return out;
}

// The selection as the window system's primary selection holds it. It is
// converted only when a program asks for it, so a drag over a big document
// hands over nothing at each step. When the box's selection goes, the last
// one stays what the primary selection holds: kept by its place while the
// document below it is unchanged, converted before an edit would change it.
class ReceivedBox::PrimarySelection : public QMimeData {
public:
    explicit PrimarySelection(const ReceivedBox *box) : m_box(box) {}

    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString &mime) const override { return mime == QLatin1String("text/plain"); }

    enum class State { Live, Pinned, Kept };
    State state = State::Live;
    qsizetype near = 0, far = 0;  // while pinned
    QString text;                 // once kept

protected:
    QVariant retrieveData(const QString &mime, QMetaType) const override
    {
        if (mime != QLatin1String("text/plain"))
            return {};
        if (state == State::Kept || !m_box)
            return text;
        return state == State::Live ? m_box->selectedText() : m_box->clipboardText(near, far);
    }

private:
    QPointer<const ReceivedBox> m_box;
};

void ReceivedBox::moveCaret(qsizetype pos, bool keepAnchor, bool keepColumn)
{
    pos = std::clamp<qsizetype>(pos, 0, m_store.size());
    // Never between the CR and the LF of one line break.
    if (pos > 0 && pos < m_store.size() && m_store.at(pos) == QLatin1Char('\n') && m_store.at(pos - 1) == QLatin1Char('\r'))
        --pos;
    const bool hadSelection = hasSelection();
    if (hadSelection && !keepAnchor)
        pinPrimary();
    m_caret = m_store.size() - pos;
    if (!keepAnchor)
        m_anchor = m_caret;
    if (!keepColumn)
        m_wantedX = -1;
    if (hasSelection())
        selectionToX11();
    restartBlink();
    ensureCaretVisible();
    if (hadSelection || hasSelection())
        viewport()->update();
    tellCaret();
}

void ReceivedBox::tellCaret()
{
    if (!QAccessible::isActive())
        return;
    const int caret = int(std::min<qsizetype>(cursorPosition(), INT_MAX));
    if (hasSelection()) {
        const qsizetype size = m_store.size();
        QAccessibleTextSelectionEvent selection(this, int(std::min<qsizetype>(size - std::max(m_caret, m_anchor), INT_MAX)),
                                                int(std::min<qsizetype>(size - std::min(m_caret, m_anchor), INT_MAX)));
        selection.setCursorPosition(caret);
        QAccessible::updateAccessibility(&selection);
    } else {
        QAccessibleTextCursorEvent moved(this, caret);
        QAccessible::updateAccessibility(&moved);
    }
}

void ReceivedBox::selectAll()
{
    m_anchor = m_store.size();
    m_caret = 0;
    selectionToX11();
    viewport()->update();
    tellCaret();
}

void ReceivedBox::selectionToX11()
{
    QClipboard *c = QGuiApplication::clipboard();
    if (!c->supportsSelection() || !hasSelection())
        return;
    // While the clipboard holds ours, it follows the selection as it is.
    if (m_primary) {
        m_primary->state = PrimarySelection::State::Live;
        m_primary->text.clear();
        return;
    }
    m_primary = new PrimarySelection(this);
    c->setMimeData(m_primary, QClipboard::Selection);
}

// The selection is about to go: the primary selection keeps it by its place.
void ReceivedBox::pinPrimary()
{
    if (!m_primary || m_primary->state != PrimarySelection::State::Live)
        return;
    m_primary->state = PrimarySelection::State::Pinned;
    m_primary->near = std::min(m_caret, m_anchor);
    m_primary->far = std::max(m_caret, m_anchor);
}

// Before count characters at pos are replaced (removed is what they are):
// a primary selection the edit would change is converted now.
void ReceivedBox::keepPrimary(qsizetype pos, qsizetype count, const QString &removed)
{
    pinPrimary();
    if (!m_primary || m_primary->state != PrimarySelection::State::Pinned)
        return;
    const qsizetype from = m_store.size() - m_primary->far, to = m_store.size() - m_primary->near;
    if (pos + count <= from)
        return;  // above it: its characters and their distances from the end stay
    m_primary->text = pos == from && count == to - from && removed.size() == count ? clipboardForm(removed)
                                                        : clipboardText(m_primary->near, m_primary->far);
    m_primary->state = PrimarySelection::State::Kept;
}

QString ReceivedBox::clipboardForm(const QString &documentText)
{
    g_work.converted += documentText.size();
    return clipboardPiece(documentText);
}

qsizetype ReceivedBox::stepRight(qsizetype pos) const
{
    if (pos >= m_store.size())
        return pos;
    if (m_store.at(pos) == QLatin1Char('\r') && pos + 1 < m_store.size() && m_store.at(pos + 1) == QLatin1Char('\n'))
        return pos + 2;
    return pos + 1;
}

qsizetype ReceivedBox::stepLeft(qsizetype pos) const
{
    if (pos <= 0)
        return 0;
    if (pos >= 2 && m_store.at(pos - 1) == QLatin1Char('\n') && m_store.at(pos - 2) == QLatin1Char('\r'))
        return pos - 2;
    return pos - 1;
}

qsizetype ReceivedBox::wordEnd(qsizetype pos) const
{
    const qsizetype n = m_store.size();
    while (pos < n && !isWordCharacter(m_store.at(pos)))
        ++pos;
    while (pos < n && isWordCharacter(m_store.at(pos)))
        ++pos;
    return pos;
}

qsizetype ReceivedBox::wordStart(qsizetype pos) const
{
    while (pos > 0 && !isWordCharacter(m_store.at(pos - 1)))
        --pos;
    while (pos > 0 && isWordCharacter(m_store.at(pos - 1)))
        --pos;
    return pos;
}

void ReceivedBox::restartBlink()
{
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void ReceivedBox::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
}

void ReceivedBox::focusInEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
}

void ReceivedBox::focusOutEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    m_caretShown = false;
    viewport()->update();
}

void ReceivedBox::changeEvent(QEvent *e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        QFont f = font();
        if (f.kerning() || !(f.styleStrategy() & QFont::PreferNoShaping)) {
            f.setKerning(false);
            f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
            setFont(f);
            return;
        }
        m_cache->advances.reset(f);
        forgetGeometry();
        layoutNow();
    }
}

// ---- Editing ----

void ReceivedBox::edit(qsizetype pos, qsizetype count, const QString &text, bool typing)
{
    if ((count == 0 && text.isEmpty()) || m_hex)
        return;
    const qsizetype tail = m_store.size() - pos - count;
    const QString removed = m_store.text(pos, count);
    Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
    // Characters typed one after another are undone together.
    if (typing && last && last->typing && count == 0 && last->tail == tail)
        last->inserted += text;
    else
        m_undo.push_back({tail, removed, text, typing});
    m_redo.clear();
    keepPrimary(pos, count, removed);
    m_store.replace(pos, count, text);
    m_caret = m_anchor = tail;
    textReplaced(pos, removed, text);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::removeSelection()
{
    const qsizetype a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(m_store.size() - b, b - a, QString());
}

void ReceivedBox::insertTyped(const QString &text)
{
    const qsizetype a = std::min(m_caret, m_anchor), b = std::max(m_caret, m_anchor);
    edit(m_store.size() - b, b - a, documentForm(text), a == b);
}

void ReceivedBox::applyEdit(const Edit &e, bool forward)
{
    const QString &out = forward ? e.removed : e.inserted;
    const QString &in = forward ? e.inserted : e.removed;
    const qsizetype pos = m_store.size() - e.tail - out.size();
    keepPrimary(pos, out.size(), out);
    m_store.replace(pos, out.size(), in);
    m_caret = e.tail;
    m_anchor = e.tail + in.size();
    textReplaced(pos, out, in);
    restartBlink();
    ensureCaretVisible();
}

void ReceivedBox::undo()
{
    if (m_undo.empty() || m_hex)
        return;
    m_redo.push_back(m_undo.back());
    m_undo.pop_back();
    m_redo.back().typing = false;
    applyEdit(m_redo.back(), false);
}

void ReceivedBox::redo()
{
    if (m_redo.empty() || m_hex)
        return;
    m_undo.push_back(m_redo.back());
    m_redo.pop_back();
    applyEdit(m_undo.back(), true);
}

void ReceivedBox::copy() { copySelection(); }

// False when nothing was copied (no selection, or the user cancelled).
bool ReceivedBox::copySelection()
{
    if (!hasSelection())
        return false;
    const qsizetype near = std::min(m_caret, m_anchor), count = std::max(m_caret, m_anchor) - near;
    if (count <= kCopyAtOnce) {
        QGuiApplication::clipboard()->setText(selectedText());
        return true;
    }
    if (m_longWork.running())
        return false;
    // A big selection is read from a snapshot on another thread, so that the
    // window goes on answering and messages go on arriving meanwhile.
    const std::shared_ptr<const StoreSnapshot> text = m_store.snapshot();
    const qsizetype from = text->size() - near - count;
    QString out;
    Progress progress;
    progress.total = count;
    // In hex view the lines at either end are taken from their starts, for
    // their stamps; the lines between are whole.
    const qsizetype firstLine = m_store.lineOf(from), lastLine = m_store.lineOf(from + count);
    HexCopy hex{hexLine(firstLine), hexLine(lastLine), from - m_store.lineStart(firstLine), firstLine == lastLine};
    if (m_hex)
        hex.errors = m_store.errorColumns(from, 0, count);
    try {
        m_longWork.run(tr("Копирование выделенного текста..."), progress, [&] {
            if (m_hex) {
                for (qsizetype done = 0; done < count && !progress.cancelled; progress.done = done) {
                    const qsizetype n = std::min(kCopyAtOnce, count - done);
                    hex.feed(text->text(from + done, n));
                    done += n;
                }
                out = hex.finish();
                return;
            }
            out.reserve(count);
            bool afterCr = false;  // a CR ended the piece before: its LF is no second break
            for (qsizetype done = 0; done < count && !progress.cancelled; progress.done = done) {
                const qsizetype n = std::min(kCopyAtOnce, count - done);
                QString piece = text->text(from + done, n);
                const bool endsWithCr = piece.endsWith(QLatin1Char('\r'));
                if (afterCr && piece.startsWith(QLatin1Char('\n')))
                    piece.remove(0, 1);
                out += clipboardPiece(piece);
                afterCr = endsWithCr;
                done += n;
            }
        });
    } catch (const std::bad_alloc &) {
        showMessage(QCoreApplication::translate("Clipboard", "Nothing was copied: the selection of %1 characters "
                                                             "does not fit in memory.")
                        .arg(count));
        return false;
    }
    if (progress.cancelled)
        return false;
    g_work.converted += count;
    QGuiApplication::clipboard()->setText(out);
    return true;
}

void ReceivedBox::cut()
{
    if (m_hex)
        return;
    if (copySelection())
        removeSelection();
}

void ReceivedBox::paste()
{
    const QString t = QGuiApplication::clipboard()->text();
    if (!t.isEmpty())
        insertTyped(t);
}

// ---- Keyboard and mouse ----

namespace {

enum class Move { None, Right, Left, Down, Up, LineStart, LineEnd, Start, End, PageDown, PageUp, WordRight, WordLeft };

struct KeyMove {
    QKeySequence::StandardKey key;
    Move move;
    bool select;
};

const KeyMove kMoves[] = {
    {QKeySequence::MoveToNextChar, Move::Right, false},       {QKeySequence::SelectNextChar, Move::Right, true},
    {QKeySequence::MoveToPreviousChar, Move::Left, false},    {QKeySequence::SelectPreviousChar, Move::Left, true},
    {QKeySequence::MoveToNextLine, Move::Down, false},        {QKeySequence::SelectNextLine, Move::Down, true},
    {QKeySequence::MoveToPreviousLine, Move::Up, false},      {QKeySequence::SelectPreviousLine, Move::Up, true},
    {QKeySequence::MoveToStartOfLine, Move::LineStart, false}, {QKeySequence::SelectStartOfLine, Move::LineStart, true},
    {QKeySequence::MoveToEndOfLine, Move::LineEnd, false},    {QKeySequence::SelectEndOfLine, Move::LineEnd, true},
    {QKeySequence::MoveToStartOfDocument, Move::Start, false}, {QKeySequence::SelectStartOfDocument, Move::Start, true},
    {QKeySequence::MoveToEndOfDocument, Move::End, false},    {QKeySequence::SelectEndOfDocument, Move::End, true},
    {QKeySequence::MoveToNextPage, Move::PageDown, false},    {QKeySequence::SelectNextPage, Move::PageDown, true},
    {QKeySequence::MoveToPreviousPage, Move::PageUp, false},  {QKeySequence::SelectPreviousPage, Move::PageUp, true},
    {QKeySequence::MoveToNextWord, Move::WordRight, false},   {QKeySequence::SelectNextWord, Move::WordRight, true},
    {QKeySequence::MoveToPreviousWord, Move::WordLeft, false}, {QKeySequence::SelectPreviousWord, Move::WordLeft, true},
};

const QKeySequence::StandardKey kEditKeys[] = {QKeySequence::Copy,  QKeySequence::Cut,       QKeySequence::Paste,
                                               QKeySequence::Undo,  QKeySequence::Redo,      QKeySequence::SelectAll,
                                               QKeySequence::Delete, QKeySequence::Backspace};

} // namespace

bool ReceivedBox::event(QEvent *e)
{
    // The box's own keys win over the window's shortcuts, as in any text box.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *k = static_cast<QKeyEvent *>(e);
        bool mine = !k->text().isEmpty() && k->text().at(0).isPrint()
                    && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        for (const auto key : kEditKeys)
            mine = mine || k->matches(key);
        for (const KeyMove &m : kMoves)
            mine = mine || k->matches(m.key);
        if (mine) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool ReceivedBox::focusNextPrevChild(bool) { return false; }

void ReceivedBox::keyPressEvent(QKeyEvent *e)
{
    for (const KeyMove &m : kMoves) {
        if (!e->matches(m.key))
            continue;
        const qsizetype pos = cursorPosition();
        const qsizetype line = m_store.lineOf(pos);
        const qsizetype lineStart = m_store.lineStart(line);
        qsizetype to = pos;
        bool keepColumn = false;
        auto toLine = [&](qsizetype target) {
            if (m_wantedX < 0)
                m_wantedX = columnToX(line, pos - lineStart);
            target = std::clamp<qsizetype>(target, 0, m_store.lineCount() - 1);
            keepColumn = true;
            return m_store.lineStart(target) + xToColumn(target, m_wantedX);
        };
        switch (m.move) {
        case Move::Right: to = stepRight(pos); break;
        case Move::Left: to = stepLeft(pos); break;
        case Move::Down: to = toLine(line + 1); break;
        case Move::Up: to = toLine(line - 1); break;
        case Move::LineStart: to = lineStart; break;
        case Move::LineEnd: to = lineStart + m_store.lineLength(line); break;
        case Move::Start: to = 0; break;
        case Move::End: to = m_store.size(); break;
        case Move::PageDown:
            scrollToLine(firstVisibleLine() + visibleLines());
            to = toLine(line + visibleLines());
            break;
        case Move::PageUp:
            scrollToLine(firstVisibleLine() - visibleLines());
            to = toLine(line - visibleLines());
            break;
        case Move::WordRight: to = wordEnd(pos); break;
        case Move::WordLeft: to = wordStart(pos); break;
        case Move::None: break;
        }
        moveCaret(to, m.select, keepColumn);
        return;
    }
    if (e->matches(QKeySequence::SelectAll))
        selectAll();
    else if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::Cut))
        cut();
    else if (e->matches(QKeySequence::Paste))
        paste();
    else if (e->matches(QKeySequence::Undo))
        undo();
    else if (e->matches(QKeySequence::Redo))
        redo();
    else if (e->matches(QKeySequence::Delete) || e->key() == Qt::Key_Delete) {
        if (hasSelection())
            removeSelection();
        else
            edit(cursorPosition(), stepRight(cursorPosition()) - cursorPosition(), QString());
    } else if (e->matches(QKeySequence::Backspace) || e->key() == Qt::Key_Backspace) {
        if (hasSelection()) {
            removeSelection();
        } else {
            const qsizetype to = stepLeft(cursorPosition());
            edit(to, cursorPosition() - to, QString());
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        insertTyped(QStringLiteral("\n"));
    } else if (!e->text().isEmpty() && (e->text().at(0).isPrint() || e->text().at(0) == QLatin1Char('\t'))
               && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        insertTyped(e->text());
    } else {
        e->ignore();
    }
}

void ReceivedBox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        m_dragging = true;
        moveCaret(positionAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
    } else if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        const QString t = QGuiApplication::clipboard()->text(QClipboard::Selection);
        moveCaret(positionAt(e->position().toPoint()), false);
        if (!t.isEmpty())
            insertTyped(t);
    }
}

void ReceivedBox::mouseMoveEvent(QMouseEvent *e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        moveCaret(positionAt(e->position().toPoint()), true);
}

void ReceivedBox::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_dragging = false;
}

void ReceivedBox::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const qsizetype pos = positionAt(e->position().toPoint());
    qsizetype from = pos, to = pos;
    while (from > 0 && isWordCharacter(m_store.at(from - 1)))
        --from;
    while (to < m_store.size() && isWordCharacter(m_store.at(to)))
        ++to;
    if (from == to && to < m_store.size())
        to = stepRight(to);
    moveCaret(from, false);
    moveCaret(to, true);
}

void ReceivedBox::contextMenuEvent(QContextMenuEvent *e)
{
    QMenu menu(this);
    auto add = [&](const char *caption, QKeySequence::StandardKey key, bool enabled, void (ReceivedBox::*slot)()) {
        QString text = QCoreApplication::translate("QWidgetTextControl", caption);
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        if (!shortcut.isEmpty())
            text += QLatin1Char('\t') + shortcut;
        QAction *a = menu.addAction(text, this, slot);
        a->setEnabled(enabled);
    };
    const bool editable = !m_hex;
    if (m_hex) {
        menu.addAction(tr("Только чтение: шестнадцатеричный вид"))->setEnabled(false);
        menu.addSeparator();
    }
    add("&Undo", QKeySequence::Undo, editable && !m_undo.empty(), &ReceivedBox::undo);
    add("&Redo", QKeySequence::Redo, editable && !m_redo.empty(), &ReceivedBox::redo);
    menu.addSeparator();
    add("Cu&t", QKeySequence::Cut, editable && hasSelection(), &ReceivedBox::cut);
    add("&Copy", QKeySequence::Copy, hasSelection(), &ReceivedBox::copy);
    add("&Paste", QKeySequence::Paste, editable && !QGuiApplication::clipboard()->text().isEmpty(),
        &ReceivedBox::paste);
    add("Delete", QKeySequence::UnknownKey, editable && hasSelection(), &ReceivedBox::removeSelection);
    menu.addSeparator();
    add("Select All", QKeySequence::SelectAll, !m_store.isEmpty(), &ReceivedBox::selectAll);
    menu.exec(e->globalPos());
}

void ReceivedBox::inputMethodEvent(QInputMethodEvent *e)
{
    if (!e->commitString().isEmpty())
        insertTyped(e->commitString());
    e->accept();
}

QVariant ReceivedBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return caretRect();
    case Qt::ImFont: return font();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace kestrum
