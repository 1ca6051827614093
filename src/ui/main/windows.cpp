#include "ui/main/windows.h"
#include "ui/main/form1.h"
#include "ui/dialogs/savechangesprompt.h"
#include "ui/dialogs/aboutdialog.h"
#include "ui/dialogs/clearsettingsdialog.h"
#include "ui/dialogs/warningdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "ui/dialogs/finddialog.h"
#include "ui/dialogs/portswindow.h"
#include "ui/dialogs/sendfiledialog.h"
#include "ui/main/portpanel.h"
#include "core/session.h"
#include <QApplication>

namespace kestrum {

template <class W, class Make>
W *Windows::get(QPointer<W> &slot, Make make)
{
    if (slot.isNull()) {
        W *w = make();
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        slot = w;
        w->Form_Load();
    }
    return slot.data();
}

template <class W>
void Windows::unload(QPointer<W> &slot)
{
    if (slot.isNull())
        return;
    W *w = slot.data();
    slot.clear();
    m_holds.release(w);
    w->hide();
    w->deleteLater();
}

// Each window is handed what it works with: the windows that only show
// themselves and hold others get these windows; the Options window the
// session; the save prompt the document actions and the exit check; the Find
// window the find actions.
OptionsWindow *Windows::optionsWindow()
{
    return get(m_options, [this] {
        auto *w = new Form2(*this, m_main->session());
        QObject::connect(w, &Form2::autosaveLineApplied, m_main, &Form1::showAutosaveLine);
        return w;
    });
}
AboutBox *Windows::aboutBox() { return get(m_about, [this] { return new Dialog(*this); }); }
ClearSettingsPrompt *Windows::clearSettingsPrompt()
{
    return get(m_clearSettings, [this] { return new Dialog1(*this); });
}
WarningBox *Windows::warning() { return get(m_warning, [this] { return new Dialog2(*this); }); }
SavePrompt *Windows::savePrompt()
{
    return get(m_savePrompt, [this] { return new Dialog4(*this, m_main->documents(), m_main->exitCheck()); });
}
FindWindow *Windows::findWindow() { return get(m_find, [this] { return new FindDialog(*this, m_main->find()); }); }

PortsWindow *Windows::portsWindow()
{
    if (m_ports.isNull()) {
        // A window of the main window's own, closed and deleted by its
        // buttons; its choices show at once in the port list.
        m_ports = new Form3(m_main);
        m_ports->Form_Load();
        PortPanel *panel = &m_main->ports();
        QObject::connect(m_ports.data(), &Form3::portsChosen, panel, [panel] { panel->showPortDevices(); });
    }
    return m_ports.data();
}

SendFileProgress *Windows::sendFileProgress() const { return m_sendFileProgress.data(); }

SendFileProgress *Windows::showSendFileProgress(FileSender *sender)
{
    auto *w = new DialogSendFile(sender, m_main);
    m_sendFileProgress = w;
    w->show();
    return w;
}

void Windows::unloadOptionsWindow()
{
    // Its boxes stop being the options in use; the stored ones are again.
    if (m_options)
        m_main->session().options().forget();
    unload(m_options);
}
void Windows::unloadAboutBox() { unload(m_about); }
void Windows::unloadClearSettingsPrompt() { unload(m_clearSettings); }
void Windows::unloadWarning() { unload(m_warning); }
void Windows::unloadSavePrompt() { unload(m_savePrompt); }
void Windows::unloadFindWindow() { unload(m_find); }

void Windows::releaseOptionsHold()
{
    if (hasOptionsWindow())
        m_holds.release(m_options.data(), mainWindow());
}

void Windows::destroyAll()
{
    delete m_sendFileProgress.data();
    delete m_ports.data();
    delete m_find.data();
    delete m_savePrompt.data();
    delete m_warning.data();
    delete m_clearSettings.data();
    delete m_about.data();
    delete m_options.data();
}

} // namespace kestrum
