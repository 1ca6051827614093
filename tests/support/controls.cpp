#include "support/controls.h"
#include "core/devicewatch.h"
#include "ui/received/receivedbox.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrum::test {

bool belongsTo(const QObject *o, const QObject *window)
{
    for (const QObject *p = o->parent(); p && p != window; p = p->parent())
        if (auto *w = qobject_cast<const QWidget *>(p); w && w->isWindow() && !qobject_cast<const QMenu *>(w))
            return false;
    return true;
}

QObject *namedChild(const QObject *window, const QString &name, const QMetaObject &kind)
{
    const QList<QObject *> found = window->findChildren<QObject *>(name);
    QObject *match = nullptr;
    int matches = 0;
    for (QObject *o : found)
        if (kind.cast(o) && belongsTo(o, window)) {
            match = o;
            ++matches;
        }
    if (matches != 1)
        match = nullptr;
    if (!match)
        qFatal("%s has no single %s named %s", qPrintable(window->objectName()), kind.className(), qPrintable(name));
    return match;
}

ReceivedBox *receivedBox(const QObject *main) { return control<ReceivedBox>(main, "Text2"); }
QPlainTextEdit *sendBox(const QObject *main) { return control<QPlainTextEdit>(main, "Text1"); }
QLineEdit *messageCounter(const QObject *main) { return control<QLineEdit>(main, "Text3"); }
QLabel *autosaveLine(const QObject *main) { return control<QLabel>(main, "Label8"); }
QComboBox *list(const QObject *window, const char *name) { return control<QComboBox>(window, name); }
QPushButton *button(const QObject *window, const char *name) { return control<QPushButton>(window, name); }
QAction *action(const QObject *window, const char *name) { return control<QAction>(window, name); }
QMenu *menu(const QObject *window, const char *name) { return control<QMenu>(window, name); }

DeviceWatch *deviceWatch(const QObject *main)
{
    DeviceWatch *w = main->findChild<DeviceWatch *>();
    if (!w)
        qFatal("the main window has no wait for a lost device");
    return w;
}

} // namespace kestrum::test
