#include "core/options.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "core/numbers.h"
#include <cmath>

namespace kestrum {

namespace {

using ToPort = void (*)(MSComm &, double);

OptionRow flagRow(Setting key, bool Options::*flag, const char *control, ToPort toPort = nullptr)
{
    return {key, flag, nullptr, nullptr, control, {}, toPort};
}

OptionRow textRow(Setting key, QString Options::*text, const char *control, Bounds bounds,
                  ToPort toPort = nullptr)
{
    return {key, nullptr, text, nullptr, control, bounds, toPort};
}

} // namespace

const QList<OptionRow> &optionRows()
{
    static const QList<OptionRow> rows = {
        flagRow(Setting::ShowSent, &Options::showSent, "Check1"),
        flagRow(Setting::SentDate, &Options::sentDate, "Check2"),
        flagRow(Setting::SentTime, &Options::sentTime, "Check3"),
        flagRow(Setting::SentSize, &Options::sentSize, "Check4"),
        flagRow(Setting::ReceivedDate, &Options::receivedDate, "Check5"),
        flagRow(Setting::ReceivedTime, &Options::receivedTime, "Check6"),
        flagRow(Setting::ReceivedSize, &Options::receivedSize, "Check7"),
        flagRow(Setting::Autosave, &Options::autosave, "Check8"),
        flagRow(Setting::CheckSendLength, &Options::checkLength, "Check9"),
        flagRow(Setting::NullDiscard, &Options::nullDiscard, "Check10",
                [](MSComm &port, double on) { port.setNullDiscard(on != 0); }),
        flagRow(Setting::RTSEnable, &Options::rtsEnable, "Check11",
                [](MSComm &port, double on) { port.setRTSEnable(on != 0); }),
        flagRow(Setting::DTREnable, &Options::dtrEnable, "Check12",
                [](MSComm &port, double on) { port.setDTREnable(on != 0); }),
        // Apply takes the texts in this order.
        textRow(Setting::ReceiveTimeout, &Options::timeout, "Text4", {1, false, 1000}),
        textRow(Setting::MaxSendLength, &Options::maximumLength, "Text1", {1, true, 32500}),
        textRow(Setting::InBufferSize, &Options::inBufferSize, "Text2", {8, false, 32500},
                [](MSComm &port, double size) { port.setInBufferSize(toInt16(size)); }),
        textRow(Setting::OutBufferSize, &Options::outBufferSize, "Text3", {8, false, 32500},
                [](MSComm &port, double size) { port.setOutBufferSize(toInt16(size)); }),
        {Setting::OptionsTab, nullptr, nullptr, &Options::tab, "SSTab1", {}, nullptr},
    };
    return rows;
}

const OptionRow &optionRow(Setting key)
{
    for (const OptionRow &row : optionRows())
        if (row.key == key)
            return row;
    throw Error(QStringLiteral("Not an option: %1").arg(int(key)));
}

bool storedSwitch(Setting s)
{
    const double v = toNumber(readSetting(s));
    return !std::isnan(v) && v != 0;
}

Options Options::stored()
{
    Options o;
    for (const OptionRow &row : optionRows()) {
        if (row.flag) {
            try {
                o.*row.flag = storedSwitch(row.key);
            } catch (const Error &) {
                o.*row.flag = false;
            }
        } else if (row.text) {
            o.*row.text = readSetting(row.key);
        } else {
            try {
                const qint16 i = toInt16(readSetting(row.key));
                o.*row.index = i >= 0 && i < 4 ? i : 0;
            } catch (const Error &) {
                o.*row.index = 0;
            }
        }
    }
    o.autosaveFile = readSetting(Setting::AutosaveFile);
    o.autosaveLine = readSetting(Setting::AutosaveLine);
    return o;
}

QString Options::storedText(Setting s) const
{
    // The autosave line follows the file at Apply.
    if (s == Setting::AutosaveFile || s == Setting::AutosaveLine)
        return autosaveFile;
    const OptionRow &row = optionRow(s);
    if (row.flag)
        return this->*row.flag ? QStringLiteral("1") : QStringLiteral("0");
    if (row.text)
        return this->*row.text;
    return QString::number(this->*row.index);
}

void Options::store(std::initializer_list<Setting> which) const
{
    for (Setting s : which)
        writeSetting(s, storedText(s));
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
