#pragma once
#include <QString>
#include <memory>
#include <optional>

class QWidget;
class QPrinter;

namespace kestrum {

class StoreSnapshot;
struct Progress;

// The small interfaces the windows need from the desktop. The program runs
// on the Qt implementations; tests install fakes (tests/support/fakes.h).

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
    // Prints the heading and then the document on the default printer,
    // reading the document a piece at a time; called on a thread other than
    // the window's. Progress counts the document's characters; false when
    // cancelled meanwhile. Throws Error on failure.
    virtual bool print(const QString &heading, const StoreSnapshot &text, Progress &progress) = 0;
};

class EditorLauncher {
public:
    virtual ~EditorLauncher() = default;
    // Starts the desktop's plain-text editor with no file; throws Error on failure.
    virtual void launch() = 0;
};

struct Platform {
    std::unique_ptr<MessageBoxService> messageBox;
    std::unique_ptr<FileDialogService> fileDialog;
    std::unique_ptr<PrinterService> printer;
    std::unique_ptr<EditorLauncher> editor;
};

// The Qt implementations.
std::unique_ptr<Platform> makeQtPlatform();

// The platform in use. Replaced as a whole by the program start and by tests;
// the store's warnings are shown through its message box.
Platform &platform();
void setPlatform(std::unique_ptr<Platform> p);

// Shows the description of a failure in the message box.
void showMessage(const QString &text);

} // namespace kestrum
