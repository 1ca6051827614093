#include "support/driver.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/testenv.h"
#include "ui/dialogs/optionswindow.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "core/session.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

namespace kestrum::test {

Form2 *optionsWindow() { return windows().optionsWindow(); }

void setReceivedStamps(bool date, bool time, bool size)
{
    optionsWindow()->Check5->setChecked(date);
    optionsWindow()->Check6->setChecked(time);
    optionsWindow()->Check7->setChecked(size);
}

void setSentLines(bool show, bool date, bool time, bool size)
{
    optionsWindow()->Check1->setChecked(show);
    optionsWindow()->Check2->setChecked(date);
    optionsWindow()->Check3->setChecked(time);
    optionsWindow()->Check4->setChecked(size);
}

void setLengthCheck(bool on, const QString &maximum)
{
    optionsWindow()->Check9->setChecked(on);
    if (!maximum.isNull())
        optionsWindow()->Text1->setText(maximum);
}

QString autosaveTo(const QString &name)
{
    const QString path = scratchDir() + QLatin1Char('/') + name;
    QFile::remove(path);
    autosaveInto(path);
    return path;
}

void autosaveInto(const QString &path)
{
    optionsWindow()->setAutosaveFile(path);
    optionsWindow()->Check8->setChecked(true);
}

void autosaveOff() { optionsWindow()->Check8->setChecked(false); }

void openViaMenu(Form1 *main, const Fakes &fakes, const QString &file)
{
    fakes.fileDialog->answers.enqueue(file);
    action(main, "mnuOpen")->trigger();
}

bool idle(const Form1 *main)
{
    const Session &s = main->session();
    return s.receiving() == 0 && s.framing() == Session::Framing::Idle && !s.isWaitingForData();
}

} // namespace kestrum::test
