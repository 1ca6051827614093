#pragma once
#include <QString>
#include <initializer_list>

class QObject;

namespace kestrum {

class Form1;
class Form2;
class Dialog;
class Dialog1;
class Dialog2;
class Dialog4;

// The interface language, read afresh from the store at every decision:
// exactly 1 means English, any other number Russian, missing means English.
bool englishInterface();

// Each window's captions come from here. The windows are built with their
// Russian captions; these overwrite them for the language now stored.
void applyCaptions(Form1 *w);
void applyCaptions(Form2 *w);
void applyCaptions(Dialog *w);
void applyCaptions(Dialog1 *w);
void applyCaptions(Dialog2 *w);
void applyCaptions(Dialog4 *w);

// Sets the caption of a menu, menu item, label, button, check box, frame or
// (for any other widget) window title. A null control is skipped.
void setCaption(QObject *control, const QString &caption);

struct CaptionRow {
    QObject *control;
    QString russian;
    QString english;
};
// Sets each row's caption of one language, in the rows' order.
void applyCaptionTable(std::initializer_list<CaptionRow> rows, bool english);

struct Caption {
    QObject *control;
    QString text;
};
// Sets the captions of a one-language table, in its order.
void setCaptions(std::initializer_list<Caption> rows);

} // namespace kestrum
