#pragma once
#include <QByteArray>
#include <QtGlobal>

namespace kestrum {

// Received bytes as the terminal driver hands them over with parity
// checking and marking on: a byte received with a parity (or framing) error
// comes as 0xFF 0x00 b, a real 0xFF as 0xFF 0xFF. Decoded, the first is "?"
// and the second one 0xFF. A sequence cut between two reads is completed by
// the next one.
class ParityMarks {
public:
    // One read's bytes; unchanged while marking is off.
    QByteArray decode(const QByteArray &bytes);
    // Forgets a sequence begun in the last read (the port closed).
    void reset() { m_pending.clear(); }
    // A read ended inside a sequence, whose rest is still to be read.
    bool isCut() const { return !m_pending.isEmpty(); }
    // The bytes of a sequence whose rest will never come (the device was
    // lost), as far as they tell: 0xFF alone as itself, 0xFF 0x00 as a byte
    // received with an error. The decoder starts afresh.
    QByteArray takeCut();

    bool marking = false;

private:
    QByteArray m_pending;
};

// Turns parity checking with marking on, or off (parity errors ignored, as
// for a line without parity), on an open terminal descriptor. Returns whether
// marking is on afterwards.
bool applyParityMarking(qintptr handle, bool on);

} // namespace kestrum
