#pragma once
#include <QString>
#include <QStringView>
#include <vector>

namespace kestrum {

// How one line of the document reads in the hex view: the stamps the
// program writes around a message (date, time, the "<<SenD>>" marker before
// it, the size after it) stay text; every character between them is shown
// as its byte in the code page, two hex digits, one blank between bytes:
// "48 65 6C 6C 6F". The document is not changed; a line is converted when it
// is drawn or copied, and only the part asked for.
struct HexLine {
    qsizetype prefix = 0;  // characters of the stamps before the data
    qsizetype data = 0;    // characters shown as bytes
    qsizetype suffix = 0;  // characters of the size stamp after the data

    // The stamps found in a line of the given length, of which head is the
    // start and tail the end (kStampReach characters each are enough).
    static HexLine of(QStringView head, QStringView tail, qsizetype length);
    static constexpr qsizetype kStampReach = 64;

    qsizetype hexLength() const { return data > 0 ? 3 * data - 1 : 0; }
    qsizetype shownLength() const { return prefix + hexLength() + suffix; }
    // A column of the line (a place between characters) in the shown text.
    qsizetype toShown(qsizetype column) const;
    // A place in the shown text as a column of the line: the nearest edge
    // of a byte, or the byte it falls in (down) or the one after (up).
    enum class Round { Nearest, Down, Up };
    qsizetype toColumn(qsizetype shown, Round round = Round::Nearest) const;
};

// The shown text of the line's characters text, which begin at column from.
// errors: the columns of the line, in ascending order, whose byte was
// received with a parity error; each shows as "??".
QString hexText(const HexLine &line, qsizetype from, QStringView text, const std::vector<qsizetype> &errors = {});

} // namespace kestrum
