#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>

namespace kestrum {

// Which window keeps which disabled. A window that must be answered first
// holds the windows behind it while the caller goes on; a held window takes
// no input until every one of its holders has let go, so one answer never
// enables a window that another window still holds.
//
// Qt's window modality would block the same input, but it leaves the windows
// behind enabled (they are read back as disabled), and it cannot give the
// main window back while the Options window is still up, as the warning's OK
// and the save prompt's Cancel do.
class WindowHolds {
public:
    // Disables the window; the same holder holding it again changes nothing.
    void hold(QWidget *window, const QObject *holder);
    // Lets go of the holder's hold on the window, or, without a window, of
    // every window it holds. A window nobody holds any more is enabled.
    void release(const QObject *holder, QWidget *window = nullptr);
    // How many holders keep the window disabled.
    int holders(const QWidget *window) const;

private:
    struct Hold {
        QPointer<QWidget> window;
        const QObject *holder;
    };
    QList<Hold> m_holds;
};

} // namespace kestrum
