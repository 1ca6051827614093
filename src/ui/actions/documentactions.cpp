// File menu of the main window: documents, printing, the text editor.
#include "ui/actions/documentactions.h"
#include "ui/received/receivedbox.h"
#include "ui/main/windows.h"
#include "core/document/documentopen.h"
#include "core/base/error.h"
#include "core/session/session.h"
#include "core/settings/settingkeys.h"
#include "core/document/textfile.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include <QAction>
#include <QCoreApplication>

namespace kestrum {

namespace {

// Shows the dialog; false when the user cancelled. A dialog that cannot be
// shown at all is reported.
bool chooseFile(CommonDialog &dialog, qint32 flags, bool save)
{
    dialog.presetTextFiles(flags);
    bool chosen = false;
    guarded([&] { chosen = save ? dialog.ShowSave() : dialog.ShowOpen(); });
    return chosen;
}

// The progress windows' labels are the main window's captions.
const char *const savingLabel = QT_TRANSLATE_NOOP("kestrum::Form1", "Сохранение документа...");
const char *const openingLabel = QT_TRANSLATE_NOOP("kestrum::Form1", "Открытие документа...");
const char *const printingLabel = QT_TRANSLATE_NOOP("kestrum::Form1", "Печать документа...");
QString caption(const char *text) { return QCoreApplication::translate("kestrum::Form1", text); }

} // namespace

DocumentActions::DocumentActions(const Controls &controls, Session &session, Windows &windows, QWidget *window)
    : QObject(window), m_ui(controls), m_session(session), m_windows(windows)
{
    connect(m_ui.open, &QAction::triggered, this, [this] { mnuOpen_Click(); });
    connect(m_ui.openEditor, &QAction::triggered, this, [this] { mnuOpenBlocknot_Click(); });
    connect(m_ui.save, &QAction::triggered, this, [this] { mnuSave_Click(); });
    connect(m_ui.saveAs, &QAction::triggered, this, [this] { mnuSave_as_Click(); });
    connect(m_ui.print, &QAction::triggered, this, [this] { mnuPrint_Click(); });
    m_ui.save->setEnabled(false);
}

void DocumentActions::loadDialogFiles()
{
    guarded([&] { m_openDialog.FileName = readSetting(Setting::LastOpenedFile); });
    guarded([&] { m_saveAsDialog.FileName = readSetting(Setting::LastSavedAsFile); });
}

bool DocumentActions::saveEnabled() const { return m_ui.save->isEnabled(); }

void DocumentActions::enableSave(bool enabled) { m_ui.save->setEnabled(enabled); }

qint16 DocumentActions::flagSaves() const { return m_session.state().fileOpened; }

QString DocumentActions::openedFileName() const { return m_session.state().openedFileName; }

void DocumentActions::runAside(const QString &label, Progress &progress, const std::function<void()> &work,
                               const std::function<void()> &tick)
{
    m_windows.longWork().run(label, progress, work, tick);
}

bool DocumentActions::longWorkRunning() const { return m_windows.longWork().running(); }

bool DocumentActions::saveDocumentTo(const QString &path)
{
    const std::shared_ptr<const StoreSnapshot> text = m_session.document().snapshot();
    Progress progress;
    bool saved = false;
    runAside(caption(savingLabel), progress, [&] { saved = writeDocument(path, *text, progress); });
    return saved;
}

void DocumentActions::mnuOpen_Click()
{
    if (longWorkRunning())
        return;
    // 4096 the file must exist, 4 no read-only check box.
    if (!chooseFile(m_openDialog, 4100, false))
        return;
    const QString name = m_openDialog.FileName;
    guarded([&] { writeSetting(Setting::LastOpenedFile, name); });

    DocumentOpening opening(m_session.document(), name);
    Progress progress;
    QString failure;
    try {
        // The pieces show as they come in.
        runAside(caption(openingLabel), progress, [&] { opening.read(progress); }, [&] {
            if (const DocumentOpening::Change put = opening.takeIn())
                m_ui.receivedBox->storeChanged(put.at, 0, put.count);
        });
    } catch (const std::exception &e) {
        failure = describe(e);
    }
    if (!failure.isEmpty() || progress.cancelled) {
        // Nothing of a file that failed or was cancelled stays.
        if (const DocumentOpening::Change out = opening.takeOut())
            m_ui.receivedBox->storeChanged(out.at, out.count, 0);
        if (!failure.isEmpty())
            showMessage(failure);
        return;
    }

    m_session.state().openedFileName = name;
    m_ui.save->setEnabled(true);
    m_session.state().fileOpened = 1;
}

void DocumentActions::mnuSave_Click()
{
    if (longWorkRunning())
        return;
    if (m_session.state().openedFileName.isEmpty()) {
        mnuSave_as_Click();
        return;
    }
    // A failed or cancelled save leaves the text marked unsaved, and so does
    // a message that came in while it was written.
    const qsizetype size = m_session.document().size();
    bool saved = false;
    if (guarded([&] { saved = saveDocumentTo(m_session.state().openedFileName); }) && saved
        && m_session.document().size() == size)
        m_ui.save->setEnabled(false);
}

void DocumentActions::mnuSave_as_Click()
{
    if (longWorkRunning())
        return;
    // 2 ask before overwriting, 4 no read-only check box.
    if (!chooseFile(m_saveAsDialog, 6, true))
        return;
    const QString name = m_saveAsDialog.FileName;
    guarded([&] { writeSetting(Setting::LastSavedAsFile, name); });
    bool saved = false;
    if (guarded([&] { saved = saveDocumentTo(name); }) && saved)
        m_ui.save->setEnabled(true);
}

void DocumentActions::mnuPrint_Click()
{
    if (longWorkRunning())
        return;
    // The document as it is now goes to paper; messages that come in
    // meanwhile go on top of the box as usual. The heading is Russian in
    // both interface languages.
    const std::shared_ptr<const StoreSnapshot> text = m_session.document().snapshot();
    Progress progress;
    guarded([&] {
        runAside(caption(printingLabel), progress,
                 [&] { platform().printer->print(QStringLiteral("Принятые сообщения"), *text, progress); });
    });
}

void DocumentActions::mnuOpenBlocknot_Click()
{
    guarded([&] { platform().editor->launch(); });
}

} // namespace kestrum
