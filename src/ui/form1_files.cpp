// File menu of the main window: documents, printing, the text editor.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/dialog4.h"
#include "ui/receivedbox.h"
#include "core/session.h"
#include "core/textfile.h"
#include "core/error.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include "core/settingkeys.h"
#include <QAction>

namespace kestrum {

namespace {

// Shows the dialog; false when the user cancelled. A dialog that cannot be
// shown at all is reported.
bool chooseFile(CommonDialog &dialog, qint32 flags, bool save)
{
    dialog.presetTextFiles(flags);
    try {
        if (save)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
        return true;
    } catch (const CancelError &) {
        return false;
    } catch (const Error &e) {
        showMessage(e.description());
        return false;
    }
}

} // namespace

void Form1::mnuOpen_Click()
{
    // 4096 the file must exist, 4 no read-only check box.
    if (!chooseFile(CommonDialog2, 4100, false))
        return;
    const QString name = CommonDialog2.FileName;
    guarded([&] { writeSetting(Setting::FileNameOpen, name); });

    // The whole file is read before the box changes, so a file that fails
    // half-way leaves the box as it was.
    QStringList lines;
    if (!guarded([&] { lines = readDocumentLines(name); }))
        return;

    // Each line goes on top of the box in turn, so the file's last line ends
    // up first; an autosave file (oldest first) reads like the live box.
    QString block;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it)
        block += *it + QStringLiteral("\r\n");
    if (!block.isEmpty())
        Text2->prepend(block);

    session->openedFileName = name;
    mnuSave->setEnabled(true);
    session->fileOpened = 1;
    Dialog4::flagSaves();
    // The prompt takes the name from the store; when the store could not
    // keep it, "Yes" would write into some other file.
    if (windows().prompt().openedFileName != name)
        windows().prompt().openedFileName = name;
}

void Form1::mnuSave_Click()
{
    if (session->openedFileName.isEmpty()) {
        mnuSave_as_Click();
        return;
    }
    // A failed save leaves the text marked unsaved.
    if (guarded([&] { writeDocument(session->openedFileName, Text2->text()); }))
        mnuSave->setEnabled(false);
}

void Form1::mnuSave_as_Click()
{
    // 2 ask before overwriting, 4 no read-only check box.
    if (!chooseFile(CommonDialog3, 6, true))
        return;
    const QString name = CommonDialog3.FileName;
    guarded([&] { writeSetting(Setting::FileNameSaveAs, name); });
    if (guarded([&] { writeDocument(name, Text2->text()); }))
        mnuSave->setEnabled(true);
}

void Form1::mnuPrint_Click()
{
    // The heading is Russian in both interface languages.
    guarded([&] { platform().printer->print(QStringLiteral("Принятые сообщения") + QStringLiteral("\r\n") + Text2->text()); });
}

void Form1::mnuOpenBlocknot_Click()
{
    guarded([&] { platform().editor->launch(); });
}

} // namespace kestrum
