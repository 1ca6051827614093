#pragma once
#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

// A close from the window's frame reaches the program as a spontaneous close
// event on its native window; only a few Qt classes may send one, this name
// among them. The offscreen platform has no frame to click.
class QWidgetWindow {
public:
    static void closeFromFrame(QWidget *w)
    {
        QCloseEvent ev;
        QCoreApplication::sendSpontaneousEvent(w->windowHandle(), &ev);
    }
};
