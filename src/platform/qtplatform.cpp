#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "platform/printing.h"
#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kestrum {

namespace {

std::unique_ptr<Platform> &current()
{
    static std::unique_ptr<Platform> p;
    return p;
}

class QtMessageBox : public MessageBoxService {
public:
    void show(QWidget *parent, const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kestrum"), text, QMessageBox::Ok, parent);
        box.exec();
    }
};

class QtFileDialog : public FileDialogService {
public:
    std::optional<QString> run(QWidget *parent, const FileDialogRequest &r) override
    {
        QFileDialog dialog(parent, r.title, r.initialPath, r.filter);
        dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setDefaultSuffix(r.defaultSuffix);
        if (!r.confirmOverwrite)
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!r.initialPath.isEmpty())
            dialog.selectFile(r.initialPath);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

class QtPrinter : public PrinterService {
public:
    bool print(const QString &heading, const StoreSnapshot &text, Progress &progress) override
    {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw Error(QCoreApplication::translate("Desktop",
                    "Nothing was printed: no printer is configured on this system. "
                    "Set up a default printer and try again."));
        QPrinter printer(info);
        return printText(printer, heading, text, progress);
    }
};

class QtEditorLauncher : public EditorLauncher {
public:
    void launch() override
    {
#ifdef Q_OS_WIN
        const QStringList editors{QStringLiteral("notepad.exe")};
#else
        const QStringList editors{
            QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"), QStringLiteral("kate"),
            QStringLiteral("kwrite"), QStringLiteral("mousepad"), QStringLiteral("xed"),
            QStringLiteral("pluma"), QStringLiteral("featherpad"), QStringLiteral("leafpad"),
            QStringLiteral("l3afpad")};
#endif
        for (const QString &name : editors) {
            const QString path = QStandardPaths::findExecutable(name);
            if (path.isEmpty())
                continue;
            if (!QProcess::startDetached(path, {}))
                throw Error(QCoreApplication::translate("Desktop",
                        "The text editor %1 could not be started.").arg(path));
            return;
        }
        throw Error(QCoreApplication::translate("Desktop", "No plain-text editor was found. Install one of: %1.")
                        .arg(editors.join(QStringLiteral(", "))));
    }
};

} // namespace

std::unique_ptr<Platform> makeQtPlatform()
{
    auto p = std::make_unique<Platform>();
    p->messageBox = std::make_unique<QtMessageBox>();
    p->fileDialog = std::make_unique<QtFileDialog>();
    p->printer = std::make_unique<QtPrinter>();
    p->editor = std::make_unique<QtEditorLauncher>();
    return p;
}

Platform &platform()
{
    if (!current())
        setPlatform(makeQtPlatform());
    return *current();
}

void setPlatform(std::unique_ptr<Platform> p)
{
    current() = std::move(p);
    setStoreWarningHandler(showMessage);
}

void showMessage(const QString &text)
{
    platform().messageBox->show(QApplication::activeWindow(), text);
}

} // namespace kestrum
