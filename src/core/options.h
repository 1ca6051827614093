#pragma once
#include "core/settingkeys.h"
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

    bool operator==(const Options &o) const;
    bool operator!=(const Options &o) const { return !(*this == o); }
};

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
