#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace kestrum {

// Received bytes as the terminal driver hands them over with parity
// checking and marking on: a byte received with a parity (or framing) error
// comes as 0xFF 0x00 b, a real 0xFF as 0xFF 0xFF. Decoded, the first is "?"
// and the second one 0xFF. A sequence cut between two reads is completed by
// the next one.
class ParityMarks {
public:
    // One read's bytes; unchanged while marking is off. errors, if given,
    // gets the positions in the result of the bytes received with an error.
    QByteArray decode(const QByteArray &bytes, std::vector<qsizetype> *errors = nullptr);
    // Forgets a sequence begun in the last read (the port closed).
    void reset() { m_pending.clear(); }
    // A read ended inside a sequence, whose rest is still to be read.
    bool isCut() const { return !m_pending.isEmpty(); }
    // The bytes of a sequence whose rest will never come (the device was
    // lost), as far as they tell: 0xFF alone as itself, 0xFF 0x00 as a byte
    // received with an error (*error tells which). The decoder starts afresh.
    QByteArray takeCut(bool *error = nullptr);

    bool marking = false;

private:
    QByteArray m_pending;
};

// Where the bytes received with a parity error stand in a document that
// grows at its top: by their distance from its end, which a message put in
// front does not change. A document without errors costs nothing; text
// replaced loses its marks. Past kMost marks the oldest are forgotten (those
// bytes then show as what the document holds, "?").
class ErrorMarks {
public:
    static constexpr size_t kMost = size_t(1) << 20;
    // Errors at these positions (ascending) of a document of size
    // characters, counted from offset.
    void add(const std::vector<qsizetype> &at, qsizetype offset, qsizetype size);
    // count characters at pos became added others; size is the length
    // before.
    void replaced(qsizetype pos, qsizetype count, qsizetype added, qsizetype size);
    void clear() { m_distances = std::vector<qsizetype>(); }
    // The marked positions in [from, from + count) less origin, ascending.
    std::vector<qsizetype> within(qsizetype from, qsizetype count, qsizetype origin, qsizetype size) const;

private:
    std::vector<qsizetype> m_distances;  // ascending: the oldest first
};

// Turns parity checking with marking on, or off (parity errors ignored, as
// for a line without parity), on an open terminal descriptor. Returns whether
// marking is on afterwards.
bool applyParityMarking(qintptr handle, bool on);

} // namespace kestrum
