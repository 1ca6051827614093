// Receive path of the main window: framing by the receive timeout.
#include "app/form1.h"
#include "documents/receivedbox.h"
#include <QLineEdit>
#include <QTimer>

namespace kestrum {

void Form1::MSComm1_OnComm() {}
void Form1::Timer2_Timer() {}
void Form1::Command8_Click() {}
void Form1::MSComm1_DeviceLost(const QString &) {}
void Form1::stopReceiveTimer() { Timer2->stop(); }
void Form1::abandonWait() {}

} // namespace kestrum
