// What a screen reader sees of the filter window's list: a list whose items
// are the lines found, each made when asked for, so that a million lines
// cost nothing until a reader walks them.
#include "ui/stream/filterwindow.h"
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <climits>

namespace kestrum {

namespace {

class RowAccessible : public QAccessibleInterface {
public:
    RowAccessible(FilterView *view, qsizetype row) : m_view(view), m_row(row) {}

    qsizetype row() const { return m_row; }
    FilterView *view() const { return m_view; }

    bool isValid() const override { return m_view && m_row < m_view->rowCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        // NUL as the list shows it.
        return m_view->rowText(m_row).replace(QChar(0), QChar(0x2400));
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = m_view->rowRect(m_row);
        return r.isEmpty() ? r : QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        if (!isValid())
            return s;
        const bool current = m_view->currentRow() == m_row;
        s.selected = current || m_view->allSelected();
        s.focused = current && m_view->hasFocus();
        s.invisible = m_view->rowRect(m_row).isEmpty();
        s.offscreen = s.invisible;
        return s;
    }

private:
    QPointer<FilterView> m_view;
    qsizetype m_row;
};

} // namespace

class FilterViewAccessible : public QAccessibleWidget {
public:
    explicit FilterViewAccessible(FilterView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~FilterViewAccessible() override { forgetRows(); }

    FilterView *view() const { return static_cast<FilterView *>(widget()); }

    int childCount() const override { return int(std::min<qsizetype>(view()->rowCount(), INT_MAX)); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_rows.constFind(index);
        if (found != m_rows.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto *row = new RowAccessible(view(), index);
        m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
        return row;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *row = dynamic_cast<const RowAccessible *>(child);
        return row && row->view() == view() && row->isValid() ? int(row->row()) : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
        for (qsizetype row = view()->firstShownRow(); row < view()->rowCount(); ++row) {
            const QRect r = view()->rowRect(row);
            if (r.isEmpty())
                break;
            if (r.contains(at))
                return child(int(row));
        }
        return nullptr;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiSelectable = true;
        return s;
    }

    // The rows start over: the items handed out are of lines no longer there.
    void forgetRows()
    {
        for (const QAccessible::Id id : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(id);
        m_rows.clear();
    }

private:
    mutable QHash<int, QAccessible::Id> m_rows;
};

QAccessibleInterface *filterViewAccessible(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<FilterView *>(object))
        return new FilterViewAccessible(view);
    return nullptr;
}

void FilterView::tellReader(bool restarted)
{
    if (restarted)
        if (auto *list = dynamic_cast<FilterViewAccessible *>(QAccessible::queryAccessibleInterface(this)))
            list->forgetRows();
    if (!QAccessible::isActive())
        return;
    if (m_current >= 0 && m_current < INT_MAX) {
        QAccessibleEvent focus(this, hasFocus() ? QAccessible::Focus : QAccessible::Selection);
        focus.setChild(int(m_current));
        QAccessible::updateAccessibility(&focus);
    }
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace kestrum
