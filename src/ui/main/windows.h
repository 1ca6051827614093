#pragma once
#include "ui/common/longwork.h"
#include "ui/common/windowholds.h"
#include <QPointer>
#include <QString>
#include <QWidget>

namespace kestrum {

class FileSender;

// Each window keeps the fixed name it has always had: the name is its class,
// its object name, and the context of its captions in the translation
// tables. The code reads it by the role it plays.
class Form1;
using MainWindow = Form1;
class Form2;
using OptionsWindow = Form2;
class Dialog;
using AboutBox = Dialog;
class Dialog1;
using ClearSettingsPrompt = Dialog1;
class Dialog2;
using WarningBox = Dialog2;
class Dialog4;
using SavePrompt = Dialog4;
class FindDialog;
using FindWindow = FindDialog;
class Form3;
using PortsWindow = Form3;
class DialogSendFile;
using SendFileProgress = DialogSendFile;

// The main window's windows: keeps the single instance of each. An accessor
// creates an absent window hidden, handing it what it works with (the
// session or the part of the main window it serves, as qBittorrent hands
// each dialog its application), and runs its Form_Load; unload destroys it. Code that reads a control of a window
// goes through the accessor, so an absent window comes back from the store.
// The main window owns one; nothing else keeps windows.
class Windows {
public:
    explicit Windows(MainWindow &main) : m_main(&main) {}
    ~Windows() { destroyAll(); }
    Windows(const Windows &) = delete;
    Windows &operator=(const Windows &) = delete;

    MainWindow *mainWindow() const { return m_main; }
    OptionsWindow *optionsWindow();
    AboutBox *aboutBox();
    ClearSettingsPrompt *clearSettingsPrompt();
    WarningBox *warning();
    SavePrompt *savePrompt();
    FindWindow *findWindow();
    // File > Ports...: made on first reach; it deletes itself when closed.
    PortsWindow *portsWindow();
    // The progress of the file being sent, null when none is; showing one
    // makes it for the sender given, and it deletes itself when the send
    // ends.
    SendFileProgress *sendFileProgress() const;
    SendFileProgress *showSendFileProgress(FileSender *sender);

    bool hasOptionsWindow() const { return !m_options.isNull(); }
    bool hasAboutBox() const { return !m_about.isNull(); }
    bool hasClearSettingsPrompt() const { return !m_clearSettings.isNull(); }
    bool hasWarning() const { return !m_warning.isNull(); }
    bool hasSavePrompt() const { return !m_savePrompt.isNull(); }
    bool hasFindWindow() const { return !m_find.isNull(); }
    bool hasPortsWindow() const { return !m_ports.isNull(); }

    // Destroy a window. Safe from inside the window's own handlers: the
    // window is hidden and detached at once and deleted later, and lets go
    // of every window it held.
    void unloadOptionsWindow();
    void unloadAboutBox();
    void unloadClearSettingsPrompt();
    void unloadWarning();
    void unloadSavePrompt();
    void unloadFindWindow();

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

    // Destroys every window but the main one at once (the main window's end).
    void destroyAll();

private:
    template <class W, class Make>
    W *get(QPointer<W> &slot, Make make);
    template <class W>
    void unload(QPointer<W> &slot);

    MainWindow *m_main;
    QPointer<OptionsWindow> m_options;
    QPointer<AboutBox> m_about;
    QPointer<ClearSettingsPrompt> m_clearSettings;
    QPointer<WarningBox> m_warning;
    QPointer<SavePrompt> m_savePrompt;
    QPointer<FindWindow> m_find;
    QPointer<PortsWindow> m_ports;
    QPointer<SendFileProgress> m_sendFileProgress;
    WindowHolds m_holds;
    LongWork m_longWork;
};

} // namespace kestrum
