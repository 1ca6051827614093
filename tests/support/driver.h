#pragma once
#include <QString>

namespace kestrum {
class Form2;
class Form1;
}

namespace kestrum::test {

struct Fakes;

// The program a test started, driven by role as a user drives it: the
// Options window's boxes (which the session uses while the window exists,
// applied or not) and the main window's menus. For the window tests and the
// program's fault tests alike.

// The Options window, made hidden when absent, as the program makes it.
Form2 *optionsWindow();
// The line of a received message: its date, time and size (Check5 to Check7).
void setReceivedStamps(bool date, bool time, bool size);
// Sent strings shown in the box (Check1), with their date, time and size
// (Check2 to Check4).
void setSentLines(bool show, bool date, bool time, bool size);
// The length check of sent strings (Check9), with its maximum (Text1) when
// one is given.
void setLengthCheck(bool on, const QString &maximum = QString());
// Autosave on, into a fresh file of the scratch folder; returns its path.
QString autosaveTo(const QString &name);
// Autosave on, into the path as it is.
void autosaveInto(const QString &path);
void autosaveOff();

// File > Open with the file dialog answered by the file.
void openViaMenu(Form1 *main, const Fakes &fakes, const QString &file);

// The receive path is at rest: no message framed, no timer, no wait.
bool idle(const Form1 *main);

} // namespace kestrum::test
