#include "ui/common/windowholds.h"
#include <algorithm>

namespace kestrum {

void WindowHolds::hold(QWidget *window, const QObject *holder)
{
    if (!window)
        return;
    const bool held = std::any_of(m_holds.cbegin(), m_holds.cend(),
                                  [&](const Hold &h) { return h.window == window && h.holder == holder; });
    if (!held)
        m_holds.append({window, holder});
    window->setEnabled(false);
}

void WindowHolds::release(const QObject *holder, QWidget *window)
{
    QList<QPointer<QWidget>> freed;
    for (qsizetype i = m_holds.size() - 1; i >= 0; --i) {
        const Hold &h = m_holds.at(i);
        if (h.window.isNull()) {
            m_holds.removeAt(i);
        } else if (h.holder == holder && (!window || h.window == window)) {
            freed.prepend(h.window);
            m_holds.removeAt(i);
        }
    }
    for (const QPointer<QWidget> &w : freed)
        if (w && holders(w) == 0)
            w->setEnabled(true);
}

int WindowHolds::holders(const QWidget *window) const
{
    return int(std::count_if(m_holds.cbegin(), m_holds.cend(), [&](const Hold &h) { return h.window == window; }));
}

} // namespace kestrum
