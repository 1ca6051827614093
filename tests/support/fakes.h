#pragma once
#include "core/base/clock.h"
#include "platform/platform.h"
#include <QDateTime>
#include <QQueue>
#include <QStringList>
#include <optional>

namespace kestrum::test {

// Records every message box instead of blocking.
class FakeMessageBox : public MessageBoxService {
public:
    void show(QWidget *, const QString &text) override { messages << text; }
    QStringList messages;
};

// Answers file dialogs from a script: each queued answer is a path, or
// std::nullopt for Cancel. With nothing queued the dialog is cancelled.
class FakeFileDialog : public FileDialogService {
public:
    std::optional<QString> run(QWidget *, const FileDialogRequest &request) override
    {
        requests << request;
        if (answers.isEmpty())
            return std::nullopt;
        return answers.dequeue();
    }
    QQueue<std::optional<QString>> answers;
    QList<FileDialogRequest> requests;
};

// Prints through the real printing code into a PDF file.
class FakePrinter : public PrinterService {
public:
    bool print(const QString &heading, const StoreSnapshot &text, Progress &progress) override;
    QString pdfPath;       // empty: fail as if no printer were configured
    QStringList printed;   // every heading and text handed to the printer, as one
};

class FakeEditor : public EditorLauncher {
public:
    void launch() override;
    int launches = 0;
    QString failWith;  // non-empty: the launch fails with this description
};

class FakeClock : public Clock {
public:
    QDateTime now() override { return current; }
    QDateTime current = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
};

struct Fakes {
    FakeMessageBox *messageBox;
    FakeFileDialog *fileDialog;
    FakePrinter *printer;
    FakeEditor *editor;
    FakeClock *clock;
};

// Replaces the platform with fresh fakes and returns them.
Fakes installFakes();

} // namespace kestrum::test
