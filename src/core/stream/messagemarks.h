#pragma once
#include "core/document/positionlist.h"

namespace kestrum {

// Where the document's messages begin, and where the oldest one ends, in a
// document that grows at its top: the places where the colours of escape
// sequences start afresh. They are kept by their distance from the end,
// which a message put in front does not change, as the store keeps the
// bytes received with a parity error. Text that came otherwise (Open, typed)
// has no marks of its own.
class MessageMarks {
public:
    // A message of length characters was put in front; the document is now
    // size long.
    void put(qsizetype length, qsizetype size);
    // The user's edit: count characters at pos became added others; size
    // is the length before. Marks inside the replaced text go; a mark at
    // pos stays there, before the new text.
    void replaced(qsizetype pos, qsizetype count, qsizetype added, qsizetype size);
    void clear() { m_distances.clear(); }
    // The nearest mark at or above pos (the start of the message holding
    // it), or -1 when there is none.
    qsizetype startAtOrAbove(qsizetype pos, qsizetype size) const;
    qsizetype memoryUsed() const { return m_distances.memoryUsed(); }

private:
    PositionList m_distances;  // ascending: the oldest first
};

} // namespace kestrum
