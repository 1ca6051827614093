#include "ui/stream/filterwindow.h"
#include "ui/common/controls.h"
#include "core/stream/linefilter.h"
#include "core/document/receivedstore.h"
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

namespace kestrum {

QAccessibleInterface *filterViewAccessible(const QString &, QObject *object);

namespace {

constexpr int kMargin = 2;
// A row shows at most this much of its line: enough to read, and a
// megabyte line costs no more than a short one.
constexpr qsizetype kShownChars = 4096;

} // namespace

FilterView::FilterView(const ReceivedStore &store, const LineFilter &filter, QWidget *parent)
    : QAbstractScrollArea(parent), m_store(store), m_filter(filter)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::green);
    setPalette(p);
    setFont(QFont(QStringLiteral("Monospace")));
    horizontalScrollBar()->setRange(0, 0);
    static const bool accessible = (QAccessible::installFactory(filterViewAccessible), true);
    Q_UNUSED(accessible);
}

qsizetype FilterView::rowCount() const { return m_filter.count(); }

qsizetype FilterView::firstShownRow() const { return verticalScrollBar()->value(); }

QRect FilterView::rowRect(qsizetype row) const
{
    const qsizetype top = firstShownRow();
    if (row < top || row > top + visibleRows() || row >= m_filter.count())
        return {};
    return QRect(0, kMargin + int(row - top) * rowHeight(), viewport()->width(), rowHeight());
}

void FilterView::setLook(const LineLook &look)
{
    m_look = look;
    viewport()->update();
}

int FilterView::rowHeight() const { return std::max(1, fontMetrics().height()); }

int FilterView::visibleRows() const { return std::max(1, (viewport()->height() - kMargin) / rowHeight()); }

qsizetype FilterView::rowAt(const QPoint &p) const
{
    const qsizetype row = verticalScrollBar()->value() + (p.y() - kMargin) / rowHeight();
    return p.y() >= kMargin && row < m_filter.count() ? row : -1;
}

void FilterView::updateRange()
{
    ++m_settingScroll;
    const qsizetype rows = m_filter.count();
    const qsizetype top = m_topDistance < 0 ? 0 : m_filter.countAbove(m_store.size() - m_topDistance);
    // The scroll bar counts in int: beyond that many rows it would need a
    // scale of its own, which a view of two billion lines does not repay.
    verticalScrollBar()->setRange(0, int(std::min<qsizetype>(std::max<qsizetype>(0, rows - visibleRows()), INT_MAX)));
    verticalScrollBar()->setPageStep(visibleRows());
    verticalScrollBar()->setValue(int(std::min<qsizetype>(top, INT_MAX)));
    --m_settingScroll;
    if (m_currentDistance >= 0)
        m_current = std::min(m_filter.countAbove(m_store.size() - m_currentDistance), rows - 1);
    viewport()->update();
}

void FilterView::linesChanged(bool restarted)
{
    if (restarted) {
        m_topDistance = m_currentDistance = -1;
        m_current = -1;
        m_all = false;
    }
    updateRange();
    tellReader(restarted);
}

void FilterView::setCurrentRow(qsizetype row)
{
    m_all = false;
    m_current = std::clamp<qsizetype>(row, -1, m_filter.count() - 1);
    m_currentDistance = m_current < 0 ? -1 : m_store.size() - m_filter.lineStart(m_current);
    ensureVisible(m_current);
    viewport()->update();
    tellReader(false);
}

void FilterView::ensureVisible(qsizetype row)
{
    if (row < 0)
        return;
    QScrollBar *bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(int(row));
    else if (row >= bar->value() + visibleRows())
        bar->setValue(int(row - visibleRows() + 1));
}

void FilterView::scrollContentsBy(int, int)
{
    if (!m_settingScroll) {
        const int top = verticalScrollBar()->value();
        m_topDistance = top == 0 || top >= m_filter.count() ? -1 : m_store.size() - m_filter.lineStart(top);
    }
    viewport()->update();
}

void FilterView::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    updateRange();
}

QString FilterView::rowText(qsizetype row) const
{
    const qsizetype start = m_filter.lineStart(row);
    const qsizetype length = m_store.lineLength(m_store.lineOf(start));
    const QString text = m_store.text(start, std::min(length, kShownChars));
    const auto sgr = m_look.parse(m_store, start, text);
    return sgr ? sgr->text : text;
}

QString FilterView::selectedText() const
{
    if (!m_all)
        return m_current >= 0 ? rowText(m_current) : QString();
    QString out;
    for (qsizetype row = 0; row < m_filter.count(); ++row) {
        if (row)
            out += QLatin1Char('\n');
        out += rowText(row);
    }
    return out;
}

void FilterView::copy() const
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void FilterView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int h = rowHeight();
    const qsizetype top = verticalScrollBar()->value();
    const qsizetype rows = m_filter.count();
    const qreal x = kMargin - horizontalScrollBar()->value();
    for (qsizetype row = top; row < rows && row <= top + visibleRows(); ++row) {
        const int y = kMargin + int(row - top) * h;
        const qsizetype start = m_filter.lineStart(row);
        const qsizetype length = m_store.lineLength(m_store.lineOf(start));
        const QString raw = m_store.text(start, std::min(length, kShownChars));
        const auto sgr = m_look.parse(m_store, start, raw);
        QString shown = sgr ? sgr->text : raw;
        shown.replace(QChar(0), QChar(0x2400));
        QTextLayout layout(shown, font());
        QList<QTextLayout::FormatRange> formats = m_look.formats(sgr.get(), shown);
        if (m_all || row == m_current) {
            QTextLayout::FormatRange r;
            r.start = 0;
            r.length = int(shown.size());
            r.format.setBackground(palette().highlight());
            r.format.setForeground(palette().highlightedText());
            formats.append(r);
            painter.fillRect(QRect(0, y, viewport()->width(), h), palette().highlight());
        }
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine().setLeadingIncluded(false);
        layout.endLayout();
        painter.setPen(palette().text().color());
        layout.draw(&painter, QPointF(x, y), QList<QTextLayout::FormatRange>(formats));
    }
}

void FilterView::keyPressEvent(QKeyEvent *e)
{
    if (e->matches(QKeySequence::SelectAll)) {
        m_all = true;
        viewport()->update();
        return;
    }
    if (e->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    const qsizetype rows = m_filter.count();
    qsizetype row = m_current;
    switch (e->key()) {
    case Qt::Key_Up: row = std::max<qsizetype>(0, row - 1); break;
    case Qt::Key_Down: row = std::min(rows - 1, row + 1); break;
    case Qt::Key_PageUp: row = std::max<qsizetype>(0, row - visibleRows()); break;
    case Qt::Key_PageDown: row = std::min(rows - 1, row + visibleRows()); break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = rows - 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_current >= 0)
            emit chosen(m_filter.lineStart(m_current));
        return;
    default: QAbstractScrollArea::keyPressEvent(e); return;
    }
    if (rows > 0)
        setCurrentRow(row);
}

void FilterView::mousePressEvent(QMouseEvent *e)
{
    const qsizetype row = rowAt(e->position().toPoint());
    if (row >= 0)
        setCurrentRow(row);
}

void FilterView::mouseDoubleClickEvent(QMouseEvent *e)
{
    const qsizetype row = rowAt(e->position().toPoint());
    if (row >= 0) {
        setCurrentRow(row);
        emit chosen(m_filter.lineStart(row));
    }
}

FilterWindow::FilterWindow(const ReceivedStore &store, QWidget *parent)
    : Recaptioned(parent, Qt::Window), m_filter(std::make_unique<LineFilter>(store))
{
    setObjectName(QStringLiteral("FilterWindow"));
    Label1 = named(new QLabel, this, "Label1");
    Text1 = named(new QLineEdit, this, "Text1");
    Check1 = named(new QCheckBox, this, "Check1");
    Check2 = named(new QCheckBox, this, "Check2");
    Check3 = named(new QCheckBox, this, "Check3");
    Label2 = named(new QLabel, this, "Label2");
    Text2 = named(new FilterView(store, *m_filter), this, "Text2");
    Label1->setBuddy(Text1);
    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1, 1, 3);
    grid->addWidget(Check1, 1, 1);
    grid->addWidget(Check2, 1, 2);
    grid->addWidget(Check3, 1, 3);
    grid->addWidget(Text2, 2, 0, 1, 4);
    grid->addWidget(Label2, 3, 0, 1, 4);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(3, 1);
    resize(640, 420);
    retranslateUi();

    // Typing goes on without a filter started at every key.
    m_typing.setSingleShot(true);
    m_typing.setInterval(150);
    connect(&m_typing, &QTimer::timeout, this, &FilterWindow::applyPattern);
    connect(Text1, &QLineEdit::textEdited, this, [this] { m_typing.start(); });
    connect(Text1, &QLineEdit::returnPressed, this, &FilterWindow::applyPattern);
    for (QCheckBox *c : {Check1, Check2, Check3})
        connect(c, &QCheckBox::toggled, this, &FilterWindow::applyPattern);
    connect(m_filter.get(), &LineFilter::linesChanged, this, [this] {
        Text2->linesChanged(m_filter->count() == 0);
        showCount();
    });
    connect(m_filter.get(), &LineFilter::progress, this, [this](int percent) {
        m_percent = percent;
        showCount();
    });
    connect(m_filter.get(), &LineFilter::busyChanged, this, [this] { showCount(); });
    connect(Text2, &FilterView::chosen, this, &FilterWindow::chosen);
}

FilterWindow::~FilterWindow() = default;

void FilterWindow::retranslateUi()
{
    setWindowTitle(tr("Фильтр"));
    Label1->setText(tr("Что:"));
    Check1->setText(tr("С учетом регистра"));
    Check2->setText(tr("Регулярное выражение"));
    Check3->setText(tr("Не совпадающие"));
    Text2->setAccessibleName(tr("Найденные строки"));
    showCount();
}

void FilterWindow::applyPattern()
{
    m_typing.stop();
    m_stale = false;
    m_percent = 0;
    m_filter->setPattern(SearchPattern(Text1->text(), Check1->isChecked(), Check2->isChecked()), Check3->isChecked());
    Text2->linesChanged(true);
    showCount();
}

void FilterWindow::showCount()
{
    const SearchPattern &p = m_filter->pattern();
    if (!p.errorString().isEmpty()) {
        Label2->setText(QCoreApplication::translate("Filter", "The expression is not valid: %1").arg(p.errorString()));
        return;
    }
    if (!p.isValid()) {
        Label2->clear();
        return;
    }
    const QString count = QCoreApplication::translate("Filter", "Lines: %1").arg(m_filter->count());
    Label2->setText(m_filter->isBusy() ? QCoreApplication::translate("Filter", "%1 (filtering, %2%)").arg(count).arg(m_percent) : count);
}

void FilterWindow::documentGrew()
{
    if (isVisible())
        m_filter->documentGrew();
    else
        m_stale = true;
}

void FilterWindow::documentChanged()
{
    if (isVisible()) {
        m_filter->documentChanged();
        Text2->linesChanged(true);
    } else {
        m_stale = true;
    }
}

void FilterWindow::showEvent(QShowEvent *e)
{
    Recaptioned::showEvent(e);
    if (m_stale)
        applyPattern();
}

void FilterWindow::hideEvent(QHideEvent *e)
{
    Recaptioned::hideEvent(e);
    // Closed, it costs nothing while the port floods: the next show filters
    // the document afresh.
    m_stale = m_filter->pattern().isValid();
    m_filter->setPattern(SearchPattern());
}

} // namespace kestrum
