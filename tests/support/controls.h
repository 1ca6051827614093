#pragma once
#include <QObject>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace kestrum {
class DeviceWatch;
class ReceivedBox;
}

namespace kestrum::test {

// A window's control found by its fixed object name, as the windows' users
// and tools know it (the windows keep their controls private). A control
// that is missing, or of another kind, ends the test run: the name is what
// the test relies on.
QObject *namedChild(const QObject *window, const QString &name, const QMetaObject &kind);
template <class W>
W *control(const QObject *window, const char *name)
{
    return static_cast<W *>(namedChild(window, QLatin1String(name), W::staticMetaObject));
}

// The object is the window's own, not one of a window made with it as
// parent (the Find and Ports windows have a Label1 too); a menu is its
// window's.
bool belongsTo(const QObject *o, const QObject *window);

// The main window's controls by role.
ReceivedBox *receivedBox(const QObject *main);       // Text2
QPlainTextEdit *sendBox(const QObject *main);        // Text1
QLineEdit *messageCounter(const QObject *main);      // Text3
QLabel *autosaveLine(const QObject *main);           // Label8
// By name: the lists Combo1 to Combo5, buttons, menu items and menus.
QComboBox *list(const QObject *window, const char *name);
QPushButton *button(const QObject *window, const char *name);
QAction *action(const QObject *window, const char *name);
QMenu *menu(const QObject *window, const char *name);
// The main window's wait for a lost device.
DeviceWatch *deviceWatch(const QObject *main);

} // namespace kestrum::test
