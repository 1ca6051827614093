#pragma once
// Places in the received document, by what they count. The document grows at
// the top, so a place counted from the top moves with every message, and a
// place counted from the end does not: the view keeps its caret, selection and
// cached lines from the end, the store reads and edits from the top. Each kind
// has a type of its own, and fromTop()/fromEnd() are the only way from one to
// the other; mixing them up no longer compiles.
#include <QtGlobal>

namespace kestrum {

namespace positiondetail {

// A count of one kind: compared and moved by a number of its units only
// within its kind, read out with get().
template <typename Kind>
class Place {
public:
    constexpr explicit Place(qsizetype value) noexcept : m_value(value) {}
    constexpr qsizetype get() const noexcept { return m_value; }

    constexpr Place operator+(qsizetype n) const noexcept { return Place(m_value + n); }
    constexpr Place operator-(qsizetype n) const noexcept { return Place(m_value - n); }
    // How many units lie between two places of one kind.
    constexpr qsizetype operator-(Place other) const noexcept { return m_value - other.m_value; }

    constexpr bool operator==(Place o) const noexcept { return m_value == o.m_value; }
    constexpr bool operator!=(Place o) const noexcept { return m_value != o.m_value; }
    constexpr bool operator<(Place o) const noexcept { return m_value < o.m_value; }
    constexpr bool operator<=(Place o) const noexcept { return m_value <= o.m_value; }
    constexpr bool operator>(Place o) const noexcept { return m_value > o.m_value; }
    constexpr bool operator>=(Place o) const noexcept { return m_value >= o.m_value; }

private:
    qsizetype m_value;
};

struct CharFromTopKind;
struct CharsFromEndKind;
struct LineFromTopKind;
struct LinesFromEndKind;

} // namespace positiondetail

// A place between characters counted from the top: 0 before the first
// character, the document's size at its end.
using CharFromTop = positiondetail::Place<positiondetail::CharFromTopKind>;
// The characters between a place and the end of the document: 0 at the end.
using CharsFromEnd = positiondetail::Place<positiondetail::CharsFromEndKind>;
// A line counted from the top: 0 is the first line.
using LineFromTop = positiondetail::Place<positiondetail::LineFromTopKind>;
// The lines below a line: 0 for the last line.
using LinesFromEnd = positiondetail::Place<positiondetail::LinesFromEndKind>;

// In a document of `size` characters.
constexpr CharsFromEnd fromEnd(CharFromTop pos, qsizetype size) noexcept
{
    return CharsFromEnd(size - pos.get());
}
constexpr CharFromTop fromTop(CharsFromEnd distance, qsizetype size) noexcept
{
    return CharFromTop(size - distance.get());
}

// In a document of `lines` lines (a document always has one).
constexpr LinesFromEnd fromEnd(LineFromTop line, qsizetype lines) noexcept
{
    return LinesFromEnd(lines - 1 - line.get());
}
constexpr LineFromTop fromTop(LinesFromEnd below, qsizetype lines) noexcept
{
    return LineFromTop(lines - 1 - below.get());
}

} // namespace kestrum
