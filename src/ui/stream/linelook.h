#pragma once
#include "core/stream/highlights.h"
#include "core/stream/sgr.h"
#include <QList>
#include <QTextLayout>
#include <memory>

namespace kestrum {

class ReceivedStore;

// How a line of the received document looks: its colours from the escape
// sequences it holds (when colours are on) and the highlight rules. What the
// received box and the filter window share.
struct LineLook {
    bool colours = true;
    std::shared_ptr<const Highlighter> highlighter;

    // The longest line whose sequences are parsed: a longer one is shown as
    // its characters, so a flood of one endless line costs nothing extra.
    static constexpr qsizetype kLongestParsed = 64 * 1024;

    // The line as shown, with colours on: parsed from the attributes in force
    // where it begins (its message's colours carried from the lines above:
    // `carried` when the caller knows them from the line above, else looked
    // back for). Null when it shows as its characters (no sequence and no
    // colour carried in, colours off, too long).
    std::shared_ptr<const SgrLine> parse(const ReceivedStore &store, qsizetype start, const QString &text,
                                         const SgrAttributes *carried = nullptr) const;

    // The formats of a shown text: the colours of its runs, then the
    // highlights over them.
    QList<QTextLayout::FormatRange> formats(const SgrLine *sgr, QStringView shown) const;
};

} // namespace kestrum
