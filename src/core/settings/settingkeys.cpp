#include "core/settings/settingkeys.h"
#include "core/settings/settings.h"

namespace kestrum {

namespace {

const char *const lng = "Lng";
const char *const otherSet = "OtherSet";
const char *const setings = "Setings";
const char *const parametr = "Parametr";
const char *const find = "Find";
const char *const transmit = "Transmit";
const char *const view = "View";
const char *const board = "Board";
const char *const log = "Log";

// In the order of the enumeration. Names are matched without regard to case
// by the store; the spelling here is the one written to the file.
const SettingName table[] = {
    {lng, "Lng", "1", nullptr},
    {otherSet, "CommPort", "COM1", nullptr},
    {setings, "BaudRate", "9600", nullptr},
    {setings, "Parity", "n", nullptr},
    {setings, "DataBits", "8", nullptr},
    {setings, "StopBits", "2", nullptr},
    {parametr, "FileNameOpen", nullptr, defaultDocumentFile},
    {parametr, "FileNameSaveAs", nullptr, defaultDocumentFile},
    {parametr, "FileName", nullptr, defaultAutosaveFile},
    {parametr, "LabelSave", "", nullptr},
    {parametr, "Autosave", "0", nullptr},
    {parametr, "Timeout", "100", nullptr},
    {parametr, "SizeDlin", "512", nullptr},
    {parametr, "FlagDlin", "0", nullptr},
    {parametr, "InBufferSize", "1024", nullptr},
    {parametr, "OutBufferSize", "512", nullptr},
    {parametr, "NullDiscard", "0", nullptr},
    {parametr, "RTSEnable", "0", nullptr},
    {parametr, "DTREnable", "0", nullptr},
    {parametr, "otobrOtprStr", "0", nullptr},
    {parametr, "otobrDate", "0", nullptr},
    {parametr, "otobrTime", "0", nullptr},
    {parametr, "otobrSize", "0", nullptr},
    {parametr, "otobrDateIn", "0", nullptr},
    {parametr, "otobrTimeIn", "0", nullptr},
    {parametr, "otobrSizeIn", "0", nullptr},
    {parametr, "SSTab1", "0", nullptr},
    {find, "Text", "", nullptr},
    {find, "MatchCase", "0", nullptr},
    {find, "RegExp", "0", nullptr},
    {find, "Up", "0", nullptr},
    {transmit, "SendMode", "0", nullptr},
    {view, "Hex", "0", nullptr},
    {view, "Colours", "1", nullptr},
    {board, "LineEnding", "0", nullptr},
    {board, "EnterSends", "0", nullptr},
    {board, "FlowControl", "0", nullptr},
    {board, "PulseDTR", "100", nullptr},
    {board, "LineSignals", "0", nullptr},
    {log, "AutosaveFiles", "0", nullptr},
    {log, "FileSizeMB", "100", nullptr},
    {log, "PortEvents", "0", nullptr},
    {log, "Milliseconds", "0", nullptr},
    {log, "SinceLast", "0", nullptr},
};
static_assert(sizeof table / sizeof table[0] == size_t(Setting::Count), "one row for every setting");

} // namespace

const SettingName &settingName(Setting s) { return table[size_t(s)]; }

QString readSetting(Setting s)
{
    const SettingName &n = settingName(s);
    return readSetting(QLatin1String(n.section), QLatin1String(n.key),
                       n.defaultPath ? n.defaultPath() : QLatin1String(n.defaultValue));
}

void writeSetting(Setting s, const QString &value)
{
    const SettingName &n = settingName(s);
    writeSetting(QLatin1String(n.section), QLatin1String(n.key), value);
}

} // namespace kestrum
