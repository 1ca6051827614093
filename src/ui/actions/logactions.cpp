#include "ui/actions/logactions.h"
#include "core/base/error.h"
#include "core/session/session.h"
#include "platform/guard.h"
#include "ui/common/captions.h"
#include "ui/dialogs/optionswindow.h"
#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>

namespace kestrum {

LogActions::LogActions(const Controls &controls, Session &session, QObject *parent)
    : QObject(parent), m_ui(controls), m_session(session)
{
    auto *files = new QActionGroup(this);
    for (QAction *a : {m_ui.oneFile, m_ui.fileEachDay, m_ui.fileAtSize, m_ui.portEvents, m_ui.milliseconds, m_ui.delta})
        a->setCheckable(true);
    for (QAction *a : {m_ui.oneFile, m_ui.fileEachDay, m_ui.fileAtSize})
        files->addAction(a);
    LogChoices c;
    guarded([&] { c = m_session.logChoices(); });
    m_ui.oneFile->setChecked(c.files == FilePolicy::OneFile);
    m_ui.fileEachDay->setChecked(c.files == FilePolicy::EachDay);
    m_ui.fileAtSize->setChecked(c.files == FilePolicy::AtSize);
    m_ui.portEvents->setChecked(c.portEvents);
    m_ui.milliseconds->setChecked(c.milliseconds);
    m_ui.delta->setChecked(c.sinceLast);
    for (QAction *a : {m_ui.oneFile, m_ui.fileEachDay, m_ui.fileAtSize, m_ui.portEvents, m_ui.milliseconds, m_ui.delta})
        connect(a, &QAction::triggered, this, &LogActions::chosen);
    connect(m_ui.fileSize, &QAction::triggered, this, &LogActions::askFileSize);
    connect(&m_session, &Session::autosaveFileChanged, this, &LogActions::showFileNow);
}

// The size a new file starts at, in MB. Asked in a window that does not hold
// up the program: the port goes on being read while it is open.
void LogActions::askFileSize()
{
    auto *parent = m_ui.autosaveLine->window();
    if (auto *open = parent->findChild<QInputDialog *>(QStringLiteral("FileSizeWindow"))) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto *ask = new QInputDialog(parent);
    ask->setObjectName(QStringLiteral("FileSizeWindow"));
    ask->setAttribute(Qt::WA_DeleteOnClose);
    ask->setWindowTitle(MainWindowCaptions::tr("Размер файла"));
    ask->setLabelText(MainWindowCaptions::tr("Новый файл при размере, МБ:"));
    ask->setInputMode(QInputDialog::DoubleInput);
    ask->setDoubleDecimals(2);
    ask->setDoubleRange(0.01, 1'000'000);
    guarded([&] { ask->setDoubleValue(m_session.logChoices().fileSizeMB); });
    connect(ask, &QInputDialog::doubleValueSelected, this, [this](double mb) {
        guarded([&] {
            LogChoices c = m_session.logChoices();
            c.fileSizeMB = mb;
            m_session.setLogChoices(c);
        });
    });
    ask->open();
}

void LogActions::chosen()
{
    guarded([&] {
        LogChoices c = m_session.logChoices();
        c.files = m_ui.fileEachDay->isChecked() ? FilePolicy::EachDay
                  : m_ui.fileAtSize->isChecked() ? FilePolicy::AtSize
                                                 : FilePolicy::OneFile;
        c.portEvents = m_ui.portEvents->isChecked();
        c.milliseconds = m_ui.milliseconds->isChecked();
        c.sinceLast = m_ui.delta->isChecked();
        m_session.setLogChoices(c);
    });
    showFileNow();
}

void LogActions::showFileNow()
{
    guarded([&] {
        if (m_session.logChoices().files == FilePolicy::OneFile || !m_session.options().current().autosave)
            return;
        m_ui.autosaveLine->setText(Form2::autosavePrefix() + QDir::toNativeSeparators(m_session.autosaveFileNow()));
    });
}

} // namespace kestrum
