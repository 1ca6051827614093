#pragma once
#include <QByteArray>
#include <QString>

namespace kestrum {

// How the send box's text is read.
//   Text     every character is one byte of the code page (as it always was).
//   Hex      pairs of hex digits, one byte each; blanks, tabs and line breaks
//            between the pairs are ignored: "01 03 00 00 00 0A C5 CD".
//   Escapes  text, with \r, \n, \t, \\ and \xNN standing for their bytes.
enum class SendMode { Text = 0, Hex = 1, Escapes = 2 };

// The stored choice; anything else than 1 or 2 reads as Text.
SendMode storedSendMode();
void storeSendMode(SendMode mode);

// What Send adds after the text ([Board] LineEnding: 0 to 3; anything else
// reads as None, which sends the box as it always did).
enum class LineEnding { None = 0, CR = 1, LF = 2, CRLF = 3 };

LineEnding storedLineEnding();
void storeLineEnding(LineEnding ending);

// The bytes the ending adds to a text sent in the mode: none in hex, whose
// bytes are all given.
QByteArray lineEndingBytes(LineEnding ending, SendMode mode);

// Enter in the send box sends it ([Board] EnterSends; off: Enter adds a line).
bool storedEnterSends();
void storeEnterSends(bool on);

// The bytes the text stands for in the mode. Throws Error naming the first
// character that does not read, and where it stands (from 1, as sent, a
// line break counting as its two characters).
QByteArray sendBytes(const QString &text, SendMode mode);

} // namespace kestrum
