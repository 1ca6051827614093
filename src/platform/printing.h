#pragma once
#include <QString>

class QPrinter;

namespace kestrum {

class StoreSnapshot;
struct Progress;

// Lays the heading and then the text out in the desktop's fixed-width font
// at 10 points, page after page, and ends the document. The text is read a
// piece at a time and laid out a line at a time, so that a document of any
// size prints in little memory (on a thread other than the window's);
// progress counts its characters. Returns false when cancelled meanwhile.
// Throws Error when the printer cannot be used.
bool printText(QPrinter &printer, const QString &heading, const StoreSnapshot &text, Progress &progress);

} // namespace kestrum
