#pragma once
#include <QString>

class QPrinter;

namespace kestrum {

// Lays the text out in the desktop's fixed-width font at 10 points, page
// after page, and ends the document. Throws Error when the printer cannot be used.
void printText(QPrinter &printer, const QString &text);

} // namespace kestrum
