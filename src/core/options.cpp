#include "core/options.h"
#include "core/error.h"
#include "core/numbers.h"
#include <cmath>

namespace kestrum {

namespace {

bool storedSwitch(Setting s)
{
    try {
        const double v = toNumber(readSetting(s));
        return !std::isnan(v) && v != 0;
    } catch (const Error &) {
        return false;
    }
}

int storedTab()
{
    try {
        const qint16 i = toInt16(readSetting(Setting::SSTab1));
        return i >= 0 && i < 4 ? i : 0;
    } catch (const Error &) {
        return 0;
    }
}

QString switchText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

Options Options::stored()
{
    Options o;
    o.showSent = storedSwitch(Setting::otobrOtprStr);
    o.sentDate = storedSwitch(Setting::otobrDate);
    o.sentTime = storedSwitch(Setting::otobrTime);
    o.sentSize = storedSwitch(Setting::otobrSize);
    o.receivedDate = storedSwitch(Setting::otobrDateIn);
    o.receivedTime = storedSwitch(Setting::otobrTimeIn);
    o.receivedSize = storedSwitch(Setting::otobrSizeIn);
    o.autosave = storedSwitch(Setting::Autosave);
    o.checkLength = storedSwitch(Setting::FlagDlin);
    o.nullDiscard = storedSwitch(Setting::NullDiscard);
    o.rtsEnable = storedSwitch(Setting::RTSEnable);
    o.dtrEnable = storedSwitch(Setting::DTREnable);
    o.maximumLength = readSetting(Setting::SizeDlin);
    o.timeout = readSetting(Setting::Timeout);
    o.inBufferSize = readSetting(Setting::InBufferSize);
    o.outBufferSize = readSetting(Setting::OutBufferSize);
    o.autosaveFile = readSetting(Setting::FileName);
    o.autosaveLine = readSetting(Setting::LabelSave);
    o.tab = storedTab();
    return o;
}

QString Options::storedText(Setting s) const
{
    switch (s) {
    case Setting::otobrOtprStr: return switchText(showSent);
    case Setting::otobrDate: return switchText(sentDate);
    case Setting::otobrTime: return switchText(sentTime);
    case Setting::otobrSize: return switchText(sentSize);
    case Setting::otobrDateIn: return switchText(receivedDate);
    case Setting::otobrTimeIn: return switchText(receivedTime);
    case Setting::otobrSizeIn: return switchText(receivedSize);
    case Setting::Autosave: return switchText(autosave);
    case Setting::FlagDlin: return switchText(checkLength);
    case Setting::NullDiscard: return switchText(nullDiscard);
    case Setting::RTSEnable: return switchText(rtsEnable);
    case Setting::DTREnable: return switchText(dtrEnable);
    case Setting::SizeDlin: return maximumLength;
    case Setting::Timeout: return timeout;
    case Setting::InBufferSize: return inBufferSize;
    case Setting::OutBufferSize: return outBufferSize;
    case Setting::FileName: return autosaveFile;
    // The autosave line follows the file at Apply.
    case Setting::LabelSave: return autosaveFile;
    case Setting::SSTab1: return QString::number(tab);
    default: throw Error(QStringLiteral("Not an option: %1").arg(int(s)));
    }
}

void Options::store(std::initializer_list<Setting> which) const
{
    for (Setting s : which)
        writeSetting(s, storedText(s));
}

bool Options::operator==(const Options &o) const
{
    return showSent == o.showSent && sentDate == o.sentDate && sentTime == o.sentTime && sentSize == o.sentSize
           && receivedDate == o.receivedDate && receivedTime == o.receivedTime && receivedSize == o.receivedSize
           && autosave == o.autosave && checkLength == o.checkLength && nullDiscard == o.nullDiscard
           && rtsEnable == o.rtsEnable && dtrEnable == o.dtrEnable && maximumLength == o.maximumLength
           && timeout == o.timeout && inBufferSize == o.inBufferSize && outBufferSize == o.outBufferSize
           && autosaveFile == o.autosaveFile && autosaveLine == o.autosaveLine && tab == o.tab;
}

const Options &LiveOptions::current()
{
    if (m_window)
        return *m_window;
    if (!m_stored)
        m_stored = Options::stored();
    return *m_stored;
}

void LiveOptions::forget()
{
    m_window.reset();
    m_stored.reset();
}

} // namespace kestrum
