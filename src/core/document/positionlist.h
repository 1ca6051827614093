#pragma once
#include <QtGlobal>
#include <vector>

namespace kestrum {

// A long list of positions in the document, ascending, in about a byte or
// two each, as the store keeps its line starts: each as its difference from
// the one before, in as few bytes as it needs, and every 128th whole, so
// that any one is reached in at most 127 steps. Appending costs the same at
// any size.
class PositionList {
public:
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // value is at least last().
    void append(qint64 value);
    qint64 at(qsizetype i) const;
    qint64 last() const { return m_last; }
    void clear();
    // How many are below value.
    qsizetype countBelow(qint64 value) const;
    // Removes [first, last) and adds shift to every one after them; costs
    // the number that follow.
    void replace(qsizetype first, qsizetype last, qint64 shift);
    qsizetype memoryUsed() const;

private:
    static constexpr qsizetype kGroup = 128;
    struct Anchor {
        qint64 value;
        quint64 offset;  // of the differences that follow it in m_bytes
    };
    std::vector<Anchor> m_anchors;
    std::vector<uchar> m_bytes;
    qsizetype m_size = 0;
    qint64 m_last = 0;
};

} // namespace kestrum
