#include "ui/common/controls.h"
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <algorithm>

namespace kestrum {

namespace {

// Where a control on a tab page was drawn, measured from the tab control.
const char *const kTabPosition = "kestrumTabPosition";

// Places the controls of the pages again whenever the pages are laid out.
class TabPagePlacer : public QObject {
public:
    explicit TabPagePlacer(QTabWidget *tabs) : QObject(tabs), m_tabs(tabs)
    {
        if (auto *stack = tabs->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly))
            stack->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)
            placeTabControls(m_tabs);
        return false;
    }

private:
    QTabWidget *m_tabs;
};

} // namespace

QWidget *placeControl(QWidget *w, QWidget *parent, const char *name, const QRect &r)
{
    if (w->parentWidget() != parent)
        w->setParent(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(r);
    if (parent && parent->parentWidget() && parent->parentWidget()->inherits("QStackedWidget"))
        w->setProperty(kTabPosition, r.topLeft());
    return w;
}

QWidget *nameControl(QWidget *w, QWidget *parent, const char *name)
{
    w->setObjectName(QLatin1String(name));
    w->setParent(parent);
    return w;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &r, bool wordWrap)
{
    auto *l = place(new QLabel(caption, parent), parent, name, r);
    l->setWordWrap(wordWrap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &r)
{
    auto *b = place(new QPushButton(caption, parent), parent, name, r);
    b->setAutoDefault(false);
    return b;
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QRect &r) { return place(new QGroupBox, parent, name, r); }
QCheckBox *makeCheck(QWidget *parent, const char *name, const QRect &r) { return place(new QCheckBox, parent, name, r); }
QLineEdit *makeText(QWidget *parent, const char *name, const QRect &r) { return place(new QLineEdit, parent, name, r); }

void placeTabControls(QTabWidget *tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget *page = tabs->widget(i);
        const QPoint offset = page->mapTo(tabs, QPoint(0, 0));
        for (QObject *child : page->children()) {
            auto *w = qobject_cast<QWidget *>(child);
            if (!w)
                continue;
            const QVariant at = w->property(kTabPosition);
            if (at.isValid())
                w->move(at.toPoint() - offset);
        }
    }
}

void keepTabControlsPlaced(QTabWidget *tabs)
{
    new TabPagePlacer(tabs);
    placeTabControls(tabs);
}

void fitCaptions(QWidget *container, const QSize &area, bool onTab)
{
    struct Item {
        QWidget *w;
        QRect r;
    };
    QList<Item> items;
    for (QObject *o : container->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow())
            continue;
        const QRect r = onTab ? QRect(w->property(kTabPosition).toPoint(), w->size()) : w->geometry();
        items.append({w, r});
    }
    const int gap = 2;
    for (int i = 0; i < items.size(); ++i) {
        QRect r = items[i].r;
        QWidget *w = items[i].w;
        auto *check = qobject_cast<QCheckBox *>(w);
        auto *label = qobject_cast<QLabel *>(w);
        if (check) {
            const QSize hint = check->sizeHint();
            if (hint.width() > r.width()) {
                int right = area.width() - gap;
                for (const Item &s : items)
                    if (s.w != w && s.r.left() >= r.right() && s.r.top() <= r.bottom() && s.r.bottom() >= r.top())
                        right = std::min(right, s.r.left() - gap);
                r.setWidth(std::max(r.width(), std::min(hint.width(), right - r.left())));
            }
            if (hint.height() > r.height()) {
                // About its middle, short of the controls above and below.
                int top = gap, bottom = area.height() - gap;
                for (const Item &s : items) {
                    if (s.w == w || s.r.left() > r.right() || s.r.right() < r.left())
                        continue;
                    if (s.r.bottom() < r.top())
                        top = std::max(top, s.r.bottom() + 1);
                    else if (s.r.top() > r.bottom())
                        bottom = std::min(bottom, s.r.top() - 1);
                }
                const int extra = hint.height() - r.height();
                const int newTop = std::max(top, r.top() - extra / 2);
                const int newBottom = std::min(bottom, newTop + hint.height() - 1);
                if (newTop <= r.top() && newBottom >= r.bottom())
                    r = QRect(QPoint(r.left(), newTop), QPoint(r.right(), newBottom));
            }
        } else if (label && label->wordWrap()) {
            const int need = label->heightForWidth(r.width());
            if (need > r.height()) {
                int bottom = area.height() - gap;
                for (const Item &s : items)
                    if (s.w != w && s.r.top() >= r.bottom() && s.r.left() <= r.right() && s.r.right() >= r.left())
                        bottom = std::min(bottom, s.r.top() - gap);
                r.setHeight(std::max(r.height(), std::min(need, bottom - r.top())));
            }
        } else {
            continue;
        }
        if (r == items[i].r)
            continue;
        items[i].r = r;
        if (onTab) {
            w->setProperty(kTabPosition, r.topLeft());
            w->resize(r.size());
        } else {
            w->setGeometry(r);
        }
    }
}

static double logicalDpi()
{
    if (const QScreen *s = QGuiApplication::primaryScreen())
        return s->logicalDotsPerInchY();
    return 96.0;
}

int twips(int value) { return qRound(value * logicalDpi() / 1440.0); }

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

void setClientTwips(QWidget *window, int width, int height)
{
    window->resize(twips(width), twips(height));
}

} // namespace kestrum
