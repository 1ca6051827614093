#include "ui/actions/logactions.h"
#include "core/base/error.h"
#include "core/session/session.h"
#include "platform/guard.h"
#include "ui/dialogs/optionswindow.h"
#include <QAction>
#include <QActionGroup>
#include <QDir>
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
    connect(&m_session, &Session::autosaveFileChanged, this, &LogActions::showFileNow);
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
