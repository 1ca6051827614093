#pragma once
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace kestrum {

// Every control carries its own name as its object name and sits at the
// rectangle its window was drawn with; captions read from the top left.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &r, bool wordWrap = true);

// Buttons never become the default on their own: Enter in a text box must
// not press one.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &r);

} // namespace kestrum
