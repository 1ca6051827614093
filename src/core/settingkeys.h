#pragma once
#include <QString>

namespace kestrum {

// Every setting the program reads or writes, by what it is for. The names
// written to the store (section and key, some of them the seed program's
// transliterated Russian) are kept in one table, settingkeys.cpp, with what a
// reader gets when an entry is missing; nothing else spells them.
enum class Setting {
    Language,         // Lng/Lng: 1 English, anything else Russian
    Port,             // OtherSet/CommPort: "COM1".."COM3"
    BaudRate,         // Setings/...: the four line parameters
    Parity,
    DataBits,
    StopBits,
    LastOpenedFile,   // Parametr/FileNameOpen: where Open's dialog starts
    LastSavedAsFile,  // Parametr/FileNameSaveAs: where Save As starts
    AutosaveFile,     // Parametr/FileName: the file autosave appends to
    AutosaveLine,     // Parametr/LabelSave: the file named under the received box
    Autosave,         // Parametr/Autosave: autosave on
    ReceiveTimeout,   // Parametr/Timeout: ms of quiet that end a message
    MaxSendLength,    // Parametr/SizeDlin: the longest string Send accepts
    CheckSendLength,  // Parametr/FlagDlin: that check on
    InBufferSize,
    OutBufferSize,
    NullDiscard,
    RTSEnable,
    DTREnable,
    ShowSent,         // Parametr/otobrOtprStr: sent strings shown in the box
    SentDate,         // Parametr/otobrDate, otobrTime, otobrSize: their line
    SentTime,
    SentSize,
    ReceivedDate,     // Parametr/otobrDateIn, otobrTimeIn, otobrSizeIn
    ReceivedTime,
    ReceivedSize,
    OptionsTab,       // Parametr/SSTab1: the Options window's tab
    // The Find window: the text last searched for and how.
    FindText,
    FindMatchCase,
    FindRegExp,
    FindUp,
    // An addition of the program's own: how the send box is read.
    SendMode,
    // Another: the received box shown as hex.
    HexView,
    // Driving a board ([Board]): the ending added to a send, Enter sending
    // the box, flow control, the length of the DTR pulse.
    LineEnding,
    EnterSends,
    FlowControl,
    PulseDTR,
    // And the log's: how the autosave file is cut, the size at which, port
    // events in the log, and the finer stamps.
    LogFiles,
    LogFileSize,
    LogPortEvents,
    LogMilliseconds,
    LogSinceLast,
    Count
};

struct SettingName {
    const char *section;
    const char *key;
    // What a reader gets when the entry is missing: the text, or for the
    // file names a path that depends on the user's folders.
    const char *defaultValue;
    QString (*defaultPath)();
};

const SettingName &settingName(Setting s);

// The store operations of settings.h for one setting of the table.
QString readSetting(Setting s);
void writeSetting(Setting s, const QString &value);

} // namespace kestrum
