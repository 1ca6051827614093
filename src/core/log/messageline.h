#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace kestrum {

struct Options;

// What a line's date and time say: when the message's first byte arrived
// (invalid: the clock's time now), with milliseconds or not, and the gap to
// the message before, when it is to be shown.
struct Stamp {
    QDateTime at;
    bool milliseconds = false;
    std::optional<qint64> sinceLastMs;
};

// The line a received message is shown and saved as: date, time, the data,
// size, each decoration as the options say. The message's bytes in the code
// page stay as they are, the decorations (which the code page always holds)
// around them. dataAt, if given, gets where the data begins in the line.
// The gap follows the time as "+250 ms" (alone where there is no time).
QByteArray receivedLine(QByteArray data, const Options &o, qsizetype *dataAt = nullptr, const Stamp &stamp = {});
// The line a sent text is shown and saved as: like a received one, with
// three blanks after the time, the "<<SenD>>" marker and no colon in the
// size label.
// The size piece counts size when given, else the text's characters.
QString sentLine(const QString &text, const Options &o, qsizetype size = -1, const Stamp &stamp = {});

// Typed text as the program sends and keeps it: every line break (CR LF, a
// lone CR or LF, a paragraph or line separator) becomes CR LF.
QString withCrLf(const QString &typed);

} // namespace kestrum
