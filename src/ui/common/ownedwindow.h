#pragma once
#include <QWidget>
#include "ui/common/recaptioned.h"

namespace kestrum {

class Windows;

// A window that the main window's windows own and hand out. It reaches the
// others (the main window, the windows it holds) through them, never through
// a registry of its own.
class OwnedWindow : public Recaptioned<QWidget> {
public:
    explicit OwnedWindow(Windows &windows, QWidget *parent = nullptr, Qt::WindowFlags flags = {})
        : Recaptioned(parent, flags), m_windows(windows)
    {
    }

protected:
    // The main window's windows, this one among them.
    Windows &windows() const { return m_windows; }

private:
    Windows &m_windows;
};

} // namespace kestrum
