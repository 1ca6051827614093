// Receive side of the main window: the session frames the messages and puts
// them in the document; the window shows the count, the losses, and the
// received box as text or hex.
#include "ui/main/form1.h"
#include "ui/main/form1ui.h"
#include "ui/received/receivedbox.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include <QAction>
#include <QLineEdit>
#include <QScopeGuard>

namespace kestrum {

void Form1::MSComm1_OnComm() { m_session->portEvent(); }

void Form1::Timer2_Timer() { m_session->tick(); }

void Form1::Command8_Click()
{
    m_documents->enableSave(false);
    m_ui->receivedBox->clearText();
    m_session->setMessageCount(0);
    m_ui->messageCounter->setText(QStringLiteral("0"));
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

void Form1::mnuHex_Click()
{
    const bool hex = m_ui->hexView->isChecked();
    m_ui->receivedBox->setHexView(hex);
    guarded([&] { writeSetting(Setting::HexView, hex ? QStringLiteral("1") : QStringLiteral("0")); });
}

} // namespace kestrum
