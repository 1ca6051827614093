#pragma once
#include <QString>

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

} // namespace kestrum
