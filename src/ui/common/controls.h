#pragma once
#include <QRect>
#include <QSize>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kestrum {

// Twips (1/1440 inch) to pixels at the screen's logical resolution.
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);
// Sets a window's client size from twips.
void setClientTwips(QWidget *window, int width, int height);

// The windows are laid out at fixed places. Every control carries its own
// name as its object name and sits at the rectangle its window was drawn
// with; captions read from the top left.

// Gives a control its parent, name and rectangle. A control put straight on
// a tab page was drawn measured from the tab control's corner; it remembers
// that place for placeTabControls.
QWidget *placeControl(QWidget *w, QWidget *parent, const char *name, const QRect &r);
template <class W>
W *place(W *w, QWidget *parent, const char *name, const QRect &r)
{
    placeControl(w, parent, name, r);
    return w;
}

// A control of a window that a layout places (not drawn at fixed places)
// gets only its parent and name.
QWidget *nameControl(QWidget *w, QWidget *parent, const char *name);
template <class W>
W *named(W *w, QWidget *parent, const char *name)
{
    nameControl(w, parent, name);
    return w;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &r, bool wordWrap = true);
// Buttons never become the default on their own: Enter in a text box must
// not press one.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &r);
QGroupBox *makeFrame(QWidget *parent, const char *name, const QRect &r);
QCheckBox *makeCheck(QWidget *parent, const char *name, const QRect &r);
QLineEdit *makeText(QWidget *parent, const char *name, const QRect &r);

// Qt puts a tab control's pages below its tab strip: the controls of each
// page are moved up by the page's offset, now and whenever the pages are
// laid out again.
void placeTabControls(QTabWidget *tabs);
void keepTabControlsPlaced(QTabWidget *tabs);

// The windows were drawn for a small font. Where a caption needs more room
// than its box and the room next to it is free, the box grows: a check box to
// the right and to the height of its indicator, a wrapped label downwards.
// With the font the layout was drawn for nothing changes. `onTab`: the
// container is a tab page and `area` the tab control's size.
void fitCaptions(QWidget *container, const QSize &area, bool onTab);

} // namespace kestrum
