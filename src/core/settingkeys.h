#pragma once
#include <QString>

namespace kestrum {

// Every setting the program reads or writes, by name. Where each lives and
// what a reader gets when it is missing is kept in one table (settingkeys.cpp).
enum class Setting {
    Lng,
    CommPort,
    BaudRate,
    Parity,
    DataBits,
    StopBits,
    FileNameOpen,
    FileNameSaveAs,
    FileName,
    LabelSave,
    Autosave,
    Timeout,
    SizeDlin,
    FlagDlin,
    InBufferSize,
    OutBufferSize,
    NullDiscard,
    RTSEnable,
    DTREnable,
    otobrOtprStr,
    otobrDate,
    otobrTime,
    otobrSize,
    otobrDateIn,
    otobrTimeIn,
    otobrSizeIn,
    SSTab1,
    // The Find window: the text last searched for and how.
    FindText,
    FindMatchCase,
    FindRegExp,
    FindUp,
    // An addition of the program's own: how the send box is read.
    SendMode,
    // Another: the received box shown as hex.
    HexView,
    // The received box's colours from the escape sequences it receives.
    Colours,
    // Driving a board ([Board]): the ending added to a send, Enter sending
    // the box, flow control, the length of the DTR pulse.
    LineEnding,
    EnterSends,
    FlowControl,
    PulseDTR,
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
