#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <memory>
#include <optional>

class QWidget;
class QPrinter;

namespace kestrum {

// The small interfaces the program needs from the desktop. The program runs
// on the Qt implementations; tests install fakes (tests/fakes.h).

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Blocks until dismissed: the text, one OK button, title "Kestrum".
    virtual void show(QWidget *parent, const QString &text) = 0;
};

struct FileDialogRequest {
    bool save = false;      // save form rather than open form
    QString title;
    QString filter;         // Qt form, e.g. "text only (*.txt)"
    QString initialPath;
    bool confirmOverwrite = false;
    bool mustExist = false;
    // Added to a name typed without an extension before the dialog checks
    // for overwriting or for a missing file, so it checks the name used.
    QString defaultSuffix;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> run(QWidget *parent, const FileDialogRequest &request) = 0;
};

class PrinterService {
public:
    virtual ~PrinterService() = default;
    // Prints the text on the default printer; throws Error on failure.
    virtual void print(const QString &text) = 0;
};

class EditorLauncher {
public:
    virtual ~EditorLauncher() = default;
    // Starts the desktop's plain-text editor with no file; throws Error on failure.
    virtual void launch() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

struct Platform {
    std::unique_ptr<MessageBoxService> messageBox;
    std::unique_ptr<FileDialogService> fileDialog;
    std::unique_ptr<PrinterService> printer;
    std::unique_ptr<EditorLauncher> editor;
    std::unique_ptr<Clock> clock;
};

// The Qt implementations.
std::unique_ptr<Platform> makeQtPlatform();

// The platform in use. Replaced as a whole by the program start and by tests.
Platform &platform();
void setPlatform(std::unique_ptr<Platform> p);

// Shows the description of a failure in the message box.
void showMessage(const QString &text);

// The date and time texts of the message lines: the locale's short date
// form, time of day with seconds and no time zone. Where the locale's text
// has a character the Windows-1251 files cannot hold, the numeric forms
// dd.MM.yyyy and HH:mm:ss.
QString dateText(const QDateTime &when, const QLocale &locale = QLocale::system());
QString timeText(const QDateTime &when, const QLocale &locale = QLocale::system());

// A time pattern without its time-zone field ("t" outside quoted literal
// text) and the blanks or empty brackets around it.
QString withoutTimeZone(const QString &format);

} // namespace kestrum
