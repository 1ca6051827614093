#pragma once
#include "ui/longwork.h"
#include "ui/windowholds.h"
#include <QPointer>
#include <QString>
#include <QWidget>

namespace kestrum {

class Form1;
class Form2;
class Dialog;
class Dialog1;
class Dialog2;
class Dialog4;
class FindDialog;

// The main window's dialogs: keeps the single instance of each. An accessor
// creates an absent window hidden, handing it the main window it belongs to,
// and runs its Form_Load; unload destroys it. Code that reads a control of a
// window goes through the accessor, so an absent window comes back from the
// store. The main window owns one; nothing else keeps windows.
class Windows {
public:
    explicit Windows(Form1 &main) : m_form1(&main) {}
    ~Windows() { destroyAll(); }
    Windows(const Windows &) = delete;
    Windows &operator=(const Windows &) = delete;

    Form1 *form1() const { return m_form1; }
    Form2 *form2();
    Dialog *dialog();
    Dialog1 *dialog1();
    Dialog2 *dialog2();
    Dialog4 *dialog4();
    FindDialog *findDialog();

    bool hasForm2() const;
    bool hasDialog() const;
    bool hasDialog1() const;
    bool hasDialog2() const;
    bool hasDialog4() const;
    bool hasFindDialog() const;

    // Destroy a window. Safe from inside the window's own handlers: the
    // window is hidden and detached at once and deleted later, and lets go
    // of every window it held.
    void unloadForm2();
    void unloadDialog();
    void unloadDialog1();
    void unloadDialog2();
    void unloadDialog4();
    void unloadFindDialog();

    // Which window keeps which disabled.
    WindowHolds &holds() { return m_holds; }
    // The work on this main window's document that runs aside.
    LongWork &longWork() { return m_longWork; }
    // The main window comes back at an answer even while the Options window
    // is still up behind the answered one: the Options window's hold on it
    // ends too.
    void releaseOptionsHold();

    // The invalid-value warning: shows it (showing it while it shows changes
    // nothing); whether it is showing, never creating it.
    void showWarning();
    bool warningShowing();

    // Destroys every dialog at once (the main window's end).
    void destroyAll();

private:
    template <class W>
    W *get(QPointer<W> &slot);
    template <class W>
    void unload(QPointer<W> &slot);

    Form1 *m_form1;
    QPointer<Form2> m_form2;
    QPointer<Dialog> m_dialog;
    QPointer<Dialog1> m_dialog1;
    QPointer<Dialog2> m_dialog2;
    QPointer<Dialog4> m_dialog4;
    QPointer<FindDialog> m_findDialog;
    WindowHolds m_holds;
    LongWork m_longWork;
};


} // namespace kestrum
