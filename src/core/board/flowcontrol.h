#pragma once
#include <QSerialPort>

namespace kestrum {

// Flow control on the line, kept in the settings ([Board] FlowControl:
// 0, 1, 2; anything else reads as None).
enum class FlowControl { None = 0, RtsCts = 1, XonXoff = 2 };

FlowControl storedFlowControl();
void storeFlowControl(FlowControl f);

QSerialPort::FlowControl toQtFlowControl(FlowControl f);

// XON/XOFF as the terminal driver on descriptor handle keeps it: only XON
// resumes output after XOFF, not any byte (IXANY, which Qt sets): a board
// that stops the sending while it goes on printing would otherwise be
// overrun. Returns false when the driver refuses.
bool onlyXonResumes(qintptr handle);

} // namespace kestrum
