#pragma once
#include "core/settings/settingkeys.h"
#include <QList>
#include <QString>
#include <initializer_list>
#include <optional>

namespace kestrum {

// The values the Options window edits, as one value.
struct Options {
    // Sent strings: shown at all, and with date, time and size.
    bool showSent = false;
    bool sentDate = false;
    bool sentTime = false;
    bool sentSize = false;
    // Received strings: date, time and size.
    bool receivedDate = false;
    bool receivedTime = false;
    bool receivedSize = false;
    bool autosave = false;
    bool checkLength = false;
    // Line switches of the serial-port object.
    bool nullDiscard = false;
    bool rtsEnable = false;
    bool dtrEnable = false;
    // Texts as typed: each is read as a number only where it is used, so a
    // text that is not one fails there, with its message.
    QString maximumLength = QStringLiteral("512");
    QString timeout = QStringLiteral("100");
    QString inBufferSize;
    QString outBufferSize;
    // The file every message is appended to, and the path the stored
    // autosave line names (it follows the file only at Apply).
    QString autosaveFile;
    QString autosaveLine;
    int tab = 0;

    // Everything from the store. A switch that is not a number is off, as a
    // missing one is; a tab that is not one of the four is the first.
    static Options stored();
    // The listed settings from this value, in the order given, as the store
    // keeps them ("0"/"1", texts as typed). "LabelSave" is the autosave file.
    void store(std::initializer_list<Setting> which) const;
    QString storedText(Setting s) const;
};

class MSComm;

// The numbers Apply takes for a text: above low (or from it, when
// lowIncluded) and below high, tested against the number as typed, not
// rounded; written so that a NaN fails.
struct Bounds {
    double low;
    bool lowIncluded;
    double high;
    bool holds(double v) const { return v < high && (lowIncluded ? v >= low : v > low); }
};

// One option: the setting that keeps it, the field that holds it, the
// control of the Options window that edits it, and what Apply and start-up
// do with it. Load, store, the window's fill and its reading back, Apply
// and start-up all go through this table, so an option is one row. The
// autosave file and line are not here: Browse, not Apply, stores the one,
// and the other is a caption built from it.
struct OptionRow {
    Setting key;
    // Exactly one of the three: a switch ("0"/"1"), a text kept as typed, or
    // the tab shown.
    bool Options::*flag;
    QString Options::*text;
    int Options::*index;
    // The object name of the control in the Options window.
    const char *control;
    // Texts only: a number out of these is refused by Apply.
    Bounds bounds;
    // Where the value goes on the serial-port object, which is closed
    // meanwhile (a switch as 0 or 1, a text as its number); null for an
    // option only the store keeps, or one the session uses itself.
    void (*toPort)(MSComm &port, double value);
};
const QList<OptionRow> &optionRows();
const OptionRow &optionRow(Setting key);

// A stored switch: on when the text reads as a number other than 0. A text
// that is not a number throws Error.
bool storedSwitch(Setting s);

// The options the transmit and receive paths read: those of the Options
// window as its boxes stand while it exists (applied or not), the stored
// ones otherwise. The window sets them as the user edits; when it goes its
// values are forgotten, and the store is read at the next use and kept
// until the window comes again.
class LiveOptions {
public:
    const Options &current();
    void set(const Options &o) { m_window = o; }
    void forget();
    bool fromWindow() const { return m_window.has_value(); }

private:
    std::optional<Options> m_window;
    std::optional<Options> m_stored;
};

} // namespace kestrum
