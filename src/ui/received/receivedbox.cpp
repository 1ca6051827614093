// The received box: its making, its document, the store's news, the caret's blink and focus.
#include "ui/received/receivedboxparts.h"
#include "ui/common/longwork.h"
#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionSlider>
#include <algorithm>
#include <climits>

namespace kestrum {

using namespace boxparts;

namespace {

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

} // namespace

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
    m_caret = m_anchor = fromEnd(CharFromTop(0), m_store.size());
    m_topDistance.reset();
    m_undo.clear();
    m_redo.clear();
    forgetGeometry();
    layoutNow();
    viewport()->update();
    tellReader(0, removed, old, m_store.size());
    emit documentEdited();
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
    scheduleLayout(true);
    const qsizetype grown = m_store.size() - m_toldSize;
    if (grown > 0)
        tellReader(0, 0, QString(), grown);
}

void ReceivedBox::storeChanged(qsizetype pos, qsizetype removed, qsizetype inserted)
{
    forgetGeometry();
    tellReader(pos, removed, QString(), inserted);
    emit documentEdited();
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
    m_cache->sgrLines.clear();
    m_cache->longestKey = CharsFromEnd(-1);
    scheduleLayout();
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
        viewport()->update();
    }
}

} // namespace kestrum
