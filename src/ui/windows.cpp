#include "ui/windows.h"
#include "ui/form1.h"
#include "ui/savechangesprompt.h"
#include "ui/aboutdialog.h"
#include "ui/clearsettingsdialog.h"
#include "ui/warningdialog.h"
#include "ui/optionswindow.h"
#include "ui/finddialog.h"
#include "core/session.h"
#include <QApplication>
#include <type_traits>

namespace kestrum {

template <class W>
W *Windows::get(QPointer<W> &slot)
{
    if (slot.isNull()) {
        // A dialog that reaches only the other windows is given these; one
        // that works on the main window (its session, its lines) that window.
        W *w = nullptr;
        if constexpr (std::is_constructible_v<W, Windows &>)
            w = new W(*this);
        else
            w = new W(*m_form1);
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

bool Windows::hasForm2() const { return !m_form2.isNull(); }
bool Windows::hasDialog() const { return !m_dialog.isNull(); }
bool Windows::hasDialog1() const { return !m_dialog1.isNull(); }
bool Windows::hasDialog2() const { return !m_dialog2.isNull(); }
bool Windows::hasDialog4() const { return !m_dialog4.isNull(); }
bool Windows::hasFindDialog() const { return !m_findDialog.isNull(); }

Form2 *Windows::form2() { return get(m_form2); }
Dialog *Windows::dialog() { return get(m_dialog); }
Dialog1 *Windows::dialog1() { return get(m_dialog1); }
Dialog2 *Windows::dialog2() { return get(m_dialog2); }
Dialog4 *Windows::dialog4() { return get(m_dialog4); }
FindDialog *Windows::findDialog() { return get(m_findDialog); }

void Windows::unloadForm2()
{
    // Its boxes stop being the options in use; the stored ones are again.
    if (m_form2)
        m_form1->session->options().forget();
    unload(m_form2);
}
void Windows::unloadDialog() { unload(m_dialog); }
void Windows::unloadDialog1() { unload(m_dialog1); }
void Windows::unloadDialog2() { unload(m_dialog2); }
void Windows::unloadDialog4() { unload(m_dialog4); }
void Windows::unloadFindDialog() { unload(m_findDialog); }

void Windows::releaseOptionsHold()
{
    if (hasForm2())
        m_holds.release(m_form2.data(), form1());
}

void Windows::destroyAll()
{
    delete m_findDialog.data();
    delete m_dialog4.data();
    delete m_dialog2.data();
    delete m_dialog1.data();
    delete m_dialog.data();
    delete m_form2.data();
}

} // namespace kestrum
