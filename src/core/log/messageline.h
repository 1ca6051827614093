#pragma once
#include <QByteArray>
#include <QString>

namespace kestrum {

struct Options;

// The line a received message is shown and saved as: date, time, the data,
// size, each decoration as the options say. The message's bytes in the code
// page stay as they are, the decorations (which the code page always holds)
// around them. dataAt, if given, gets where the data begins in the line.
QByteArray receivedLine(QByteArray data, const Options &o, qsizetype *dataAt = nullptr);
// The line a sent text is shown and saved as: like a received one, with
// three blanks after the time, the "<<SenD>>" marker and no colon in the
// size label.
// The size piece counts size when given, else the text's characters.
QString sentLine(const QString &text, const Options &o, qsizetype size = -1);

// Typed text as the program sends and keeps it: every line break (CR LF, a
// lone CR or LF, a paragraph or line separator) becomes CR LF.
QString withCrLf(const QString &typed);

} // namespace kestrum
