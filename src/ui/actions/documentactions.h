#pragma once
#include "platform/commondialog.h"
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QWidget;

namespace kestrum {

class ReceivedBox;
class Session;
class Windows;
struct Progress;

// The main window's File menu on the received document: Open, Save, Save
// As, Print and the text editor, and whether there is something to save
// (Save enabled). Open, save and print run aside with progress and Cancel.
class DocumentActions : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QAction *open;        // mnuOpen
        QAction *openEditor;  // mnuOpenBlocknot
        QAction *save;        // mnuSave
        QAction *saveAs;      // mnuSave_as
        QAction *print;       // mnuPrint
        ReceivedBox *receivedBox;  // Text2
    };
    DocumentActions(const Controls &controls, Session &session, Windows &windows, QWidget *window);

    // A start-up step: where the Open and Save As dialogs start.
    void loadDialogFiles();

    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSave_as_Click();
    void mnuPrint_Click();
    void mnuOpenBlocknot_Click();

    // Writes the received document into a file (Save, Save As, the exit
    // prompt's Yes) on a thread of its own, with progress and Cancel when it
    // takes a while. False when the user cancelled; Error on failure; in
    // both the old file is left as it was.
    bool saveDocumentTo(const QString &path);
    // Work on the document run aside, with this window's progress and
    // Cancel (LongWork); whether such work runs now.
    void runAside(const QString &label, Progress &progress, const std::function<void()> &work,
                  const std::function<void()> &tick = {});
    bool longWorkRunning() const;

    // Save is enabled: the document changed since it was last saved, or
    // was opened or saved under a new name.
    bool saveEnabled() const;
    void enableSave(bool enabled);
    // 1 when the document came from a file (Open), else 0; the file.
    qint16 flagSaves() const;
    QString openedFileName() const;

    CommonDialog &openDialog() { return m_openDialog; }     // CommonDialog2
    CommonDialog &saveAsDialog() { return m_saveAsDialog; } // CommonDialog3

private:
    Controls m_ui;
    Session &m_session;
    Windows &m_windows;
    CommonDialog m_openDialog;
    CommonDialog m_saveAsDialog;
};

} // namespace kestrum
