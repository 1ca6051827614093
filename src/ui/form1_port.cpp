// Port and line-parameter lists, Open Port and Close Port of the main window.
#include "ui/form1.h"
#include "core/devicewatch.h"
#include "core/error.h"
#include "platform/guard.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include <QComboBox>

namespace kestrum {

void Form1::selectListItem(QComboBox *list, const QString &text)
{
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        list->setCurrentIndex(-1);
        throw Error(QCoreApplication::translate("Port",
                "Invalid property value: \"%1\" is not an item of the list.").arg(shownValue(text)));
    }
    list->setCurrentIndex(index);
    runListHandler(list);
}

void Form1::runListHandler(QComboBox *list)
{
    if (list == Combo1)
        Combo1_Click();
    else if (list == Combo2)
        Combo2_Click();
    else if (list == Combo3)
        Combo3_Click();
    else if (list == Combo4)
        Combo4_Click();
    else if (list == Combo5)
        Combo5_Click();
}

void Form1::Combo1_Click()
{
    const int position = Combo1->currentIndex();
    if (position < 0)
        return;
    deviceWatch->stop();
    showPortDevices();
    guarded([&] { session->closePort(); });
    guarded([&] { session->setPortNumber(position + 1); });
    guarded([&] { session->openPort(); });
    guarded([&] { writeSetting(Setting::Port, Combo1->currentText()); });
}

QString Form1::lineParameters() const
{
    return Combo2->currentText() + QLatin1Char(',') + Combo3->currentText() + QLatin1Char(',')
           + Combo4->currentText() + QLatin1Char(',') + Combo5->currentText();
}

void Form1::lineParameterSelected(QComboBox *list, Setting key)
{
    try {
        session->setLineParameters(lineParameters());
    } catch (const Error &e) {
        // While start-up fills the lists one after another the text is
        // necessarily incomplete: the list's own value is still stored, and
        // start-up applies the complete text itself (reporting it if refused).
        if (!m_loading) {
            showMessage(e.description());
            // The port kept the parameters it had: the list shows them again.
            const QStringList held = session->portLineParameters().split(QLatin1Char(','));
            const int field = list == Combo2 ? 0 : list == Combo3 ? 1 : list == Combo4 ? 2 : 3;
            const int index = list->findText(held.value(field), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (index >= 0)
                list->setCurrentIndex(index);
            return;
        }
    }
    guarded([&] { writeSetting(key, list->currentText()); });
}

void Form1::Combo2_Click() { lineParameterSelected(Combo2, Setting::BaudRate); }
void Form1::Combo3_Click() { lineParameterSelected(Combo3, Setting::Parity); }
void Form1::Combo4_Click() { lineParameterSelected(Combo4, Setting::DataBits); }
void Form1::Combo5_Click() { lineParameterSelected(Combo5, Setting::StopBits); }

void Form1::Command3_Click()
{
    guarded([&] { session->openPort(); });
}

void Form1::Command2_Click()
{
    deviceWatch->stop();
    guarded([&] { session->closePort(); });
}

bool Form1::reopenLostDevice(const QString &device)
{
    // Quietly: a refused open is tried again once the device changes, and a box now would hide the
    // data the user is waiting for.
    try {
        session->openDevice(device);
        return true;
    } catch (const Error &) {
        return false;
    }
}

void Form1::showPortWaiting(bool waiting)
{
    if (m_waitingItem >= 0 && m_waitingItem < Combo1->count())
        Combo1->setItemData(m_waitingItem, m_waitingItemTip, Qt::ToolTipRole);
    m_waitingItem = -1;
    if (!waiting) {
        showPortTips();
        return;
    }
    const QString tip = QCoreApplication::translate("Port", "COM%1 waits for %2 to come back")
                            .arg(session->portNumber())
                            .arg(deviceWatch->device());
    m_waitingItem = session->portNumber() - 1;
    if (m_waitingItem < Combo1->count()) {
        m_waitingItemTip = Combo1->itemData(m_waitingItem, Qt::ToolTipRole);
        Combo1->setItemData(m_waitingItem, tip, Qt::ToolTipRole);
    }
    Combo1->setToolTip(tip);
}

} // namespace kestrum
