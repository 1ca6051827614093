#include "ui/dialogs/savechangesprompt.h"
#include "ui/common/controls.h"
#include "ui/actions/documentactions.h"
#include "ui/main/exitcheck.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "ui/common/captions.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include "core/settings/settingkeys.h"
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace kestrum {

Dialog4::Dialog4(Windows &windows, DocumentActions &documents, ExitCheck &exitCheck)
    : OwnedWindow(windows, nullptr,
                  Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                      | Qt::CustomizeWindowHint),
      CommonDialog5(this), m_documents(documents), m_exitCheck(exitCheck)
{
    setObjectName(QStringLiteral("Dialog4"));
    setWindowTitle(QStringLiteral("Kestrum"));
    setClientTwips(this, 4725, 1305);
    setFixedSize(size());

    Label1 = makeLabel(this, "Label1", QString(), twipsRect(1320, 240, 5175, 615), false);
    OKButton = makeButton(this, "OKButton", QString(), twipsRect(120, 720, 1215, 375));
    CancelButton = makeButton(this, "CancelButton", QString(), twipsRect(1680, 720, 1215, 375));
    Command1 = makeButton(this, "Command1", QString(), twipsRect(3240, 720, 1215, 375));
    retranslateUi();
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Command1);

    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Dialog4::retranslateUi()
{
    // The title is the program's name in every language.
    Label1->setText(tr("Сохранить изменения?"));
    OKButton->setText(tr("Да"));
    CancelButton->setText(tr("Нет"));
    Command1->setText(tr("Отмена"));
}

void Dialog4::Form_Load()
{
    // The prompt behaves as a modal dialog without blocking its caller.
    windows().holds().hold(windows().mainWindow(), this);
    applyCaptions(this);
}

void Dialog4::OKButton_Click()
{
    QString target;
    if (m_documents.flagSaves() == 1) {
        // The file opened, not the name the store keeps: a store that could
        // not keep it would have "Yes" write into some other file.
        target = m_documents.openedFileName();
    } else {
        // 2 ask before overwriting, 4 no read-only check box.
        CommonDialog5.presetTextFiles(6);
        // Cancelled, the prompt stays: the user answers again.
        bool chosen = false;
        if (!guarded([&] { chosen = CommonDialog5.ShowSave(); }) || !chosen)
            return;
        target = CommonDialog5.FileName;
        guarded([&] { writeSetting(Setting::LastSavedAsFile, target); });
    }
    // Leaving without the text on disk would lose it: a failed save keeps
    // the prompt up, so the user can answer again.
    bool saved = false;
    if (!guarded([&] { saved = m_documents.saveDocumentTo(target); }) || !saved)
        return;
    m_exitCheck.endProgram();
}

void Dialog4::CancelButton_Click()
{
    m_exitCheck.endProgram();
}

void Dialog4::Command1_Click()
{
    // The main window comes back even when Options is still open behind
    // the prompt.
    windows().releaseOptionsHold();
    windows().holds().release(this);
    m_exitCheck.CancRes();
    windows().unloadSavePrompt();
}

void Dialog4::closeEvent(QCloseEvent *event)
{
    // Closing the prompt from its frame is the Cancel answer: the main
    // window comes back and the program goes on. A prompt already answered
    // (detached, waiting to be deleted) has nothing left to do.
    if (windows().hasSavePrompt() && windows().savePrompt() == this)
        Command1_Click();
    event->accept();
}


} // namespace kestrum
