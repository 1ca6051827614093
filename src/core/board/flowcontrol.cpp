#include "core/board/flowcontrol.h"
#include "core/settings/settingkeys.h"

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace kestrum {

FlowControl storedFlowControl()
{
    const QString v = readSetting(Setting::FlowControl).trimmed();
    if (v == QLatin1String("1"))
        return FlowControl::RtsCts;
    if (v == QLatin1String("2"))
        return FlowControl::XonXoff;
    return FlowControl::None;
}

void storeFlowControl(FlowControl f) { writeSetting(Setting::FlowControl, QString::number(int(f))); }

QSerialPort::FlowControl toQtFlowControl(FlowControl f)
{
    switch (f) {
    case FlowControl::RtsCts: return QSerialPort::HardwareControl;
    case FlowControl::XonXoff: return QSerialPort::SoftwareControl;
    case FlowControl::None: break;
    }
    return QSerialPort::NoFlowControl;
}

bool onlyXonResumes(qintptr handle)
{
#ifdef Q_OS_UNIX
    termios tio;
    if (handle < 0 || ::tcgetattr(int(handle), &tio) != 0)
        return false;
    if (!(tio.c_iflag & IXANY))
        return true;
    tio.c_iflag &= ~IXANY;
    return ::tcsetattr(int(handle), TCSANOW, &tio) == 0;
#else
    Q_UNUSED(handle);
    return true;
#endif
}

} // namespace kestrum
