// Receive side of the main window: the session frames the messages and puts
// them in the document; the window shows the count and the losses.
#include "ui/form1.h"
#include "ui/receivedbox.h"
#include "core/session.h"
#include "platform/platform.h"
#include <QAction>
#include <QLineEdit>
#include <QScopeGuard>

namespace kestrum {

void Form1::MSComm1_OnComm() { session->portEvent(); }

void Form1::Timer2_Timer() { session->tick(); }

void Form1::Command8_Click()
{
    mnuSave->setEnabled(false);
    Text2->clearText();
    session->setMessageCount(0);
    Text3->setText(QStringLiteral("0"));
}

void Form1::MSComm1_DeviceLost(const QString &description)
{
    // A device that keeps coming and going adds no box while one about an
    // earlier loss is still up.
    if (m_showingLoss)
        return;
    m_showingLoss = true;
    const auto shown = qScopeGuard([this] { m_showingLoss = false; });
    showMessage(description);
}

} // namespace kestrum
