// The received box as a document: Open, Save, Save As, Print, the editor,
// and the text file format they share with the autosave file.
#include "ui/main/form1.h"
#include "ui/actions/documentactions.h"
#include "core/session/session.h"
#include "ui/main/windows.h"
#include "ui/received/receivedbox.h"
#include "core/document/textfile.h"
#include "core/base/codec.h"
#include "platform/commondialog.h"
#include "core/base/error.h"
#include "platform/platform.h"
#include "core/settings/settings.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include "support/unprivileged.h"
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QClipboard>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <unistd.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString parametr(const char *key) { return readSetting(QStringLiteral("Parametr"), QLatin1String(key), QStringLiteral("<unset>")); }

} // namespace

class DocumentsTest : public ProgramTest {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    Form1 *f = nullptr;

    QString path(const QString &name) const { return dir->filePath(name); }

    // Open through the menu, answering the dialog with the path.
    void open(const QString &file) { openViaMenu(f, fakes, file); }

private slots:
    void init()
    {
        beginTest();
        dir = std::make_unique<QTemporaryDir>(scratchDir() + QStringLiteral("/doc-XXXXXX"));
        QVERIFY(dir->isValid());
        f = startOnPty();
        QVERIFY(f);
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void cleanup()
    {
        endTest();
        f = nullptr;
        dir.reset();
    }

    void openPutsTheFileLastLineFirst()
    {
        // With and without a line end after the last line.
        QVERIFY(writeBytes(path("abc.txt"), "a\r\nb\r\nc\r\n"));
        QVERIFY(writeBytes(path("abc-open.txt"), "a\r\nb\r\nc"));
        open(path("abc.txt"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("c\r\nb\r\na\r\n"));
        receivedBox(f)->clearText();
        open(path("abc-open.txt"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("c\r\nb\r\na\r\n"));

        // Above whatever the box already held.
        receivedBox(f)->setText(QStringLiteral("old\r\n"));
        open(path("abc.txt"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("c\r\nb\r\na\r\nold\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());

        // The dialog was the Open form of CommonDialog2.
        QCOMPARE(fakes.fileDialog->requests.size(), 3);
        const FileDialogRequest &r = fakes.fileDialog->requests.constLast();
        QVERIFY(!r.save);
        QVERIFY(r.mustExist);
        QCOMPARE(r.filter, QStringLiteral("text only (*.txt)"));
        QCOMPARE(r.initialPath, path("abc-open.txt"));
        QCOMPARE(f->documents().openDialog().Flags, 4100);
        QCOMPARE(f->documents().openDialog().DefaultExt, QStringLiteral("txt"));
        QCOMPARE(f->documents().openDialog().Filter, QStringLiteral("text only(*.txt)|*.txt|"));
    }

    void openRecordsTheDocument()
    {
        QVERIFY(writeBytes(path("doc.txt"), "one\r\n"));
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        open(path("doc.txt"));
        QCOMPARE(f->session().state().openedFileName, path("doc.txt"));
        QCOMPARE(f->session().state().fileOpened, qint16(1));
        QCOMPARE(f->documents().flagSaves(), qint16(1));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(parametr("FileNameOpen"), path("doc.txt"));
        QCOMPARE(parametr("FileNameSaveAs"), QStringLiteral("<unset>"));
        QVERIFY(!windows().hasSavePrompt());
    }

    void emptyFileStillOpensTheDocument()
    {
        QVERIFY(writeBytes(path("empty.txt"), QByteArray()));
        receivedBox(f)->setText(QStringLiteral("kept\r\n"));
        open(path("empty.txt"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("kept\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().openedFileName, path("empty.txt"));
        QCOMPARE(f->session().state().fileOpened, qint16(1));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void saveWritesTheBoxAndOneLineEnd()
    {
        QVERIFY(writeBytes(path("doc.txt"), QByteArray()));
        open(path("doc.txt"));
        receivedBox(f)->setText(QStringLiteral("m2\r\nm1\r\n"));
        const int dialogs = fakes.fileDialog->requests.size();
        action(f, "mnuSave")->trigger();
        QCOMPARE(readBytes(path("doc.txt")), QByteArray("m2\r\nm1\r\n\r\n"));
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(fakes.fileDialog->requests.size(), dialogs);
        QCOMPARE(fakes.messageBox->messages, QStringList());

        // Read back: the empty last line comes first.
        receivedBox(f)->clearText();
        open(path("doc.txt"));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("\r\nm1\r\nm2\r\n"));

        // An empty box still gets its line end.
        receivedBox(f)->clearText();
        action(f, "mnuSave")->trigger();
        QCOMPARE(readBytes(path("doc.txt")), QByteArray("\r\n"));
    }

    void autosaveFileOpensNewestFirst()
    {
        const QString autosave = path("SaveBlock1.txt");
        Form1 live;
        for (const char *record : {"07.12.2026 14:05:09 first  Size, byte: 5", "second", "third"}) {
            appendRecordBytes(autosave, record);
            showAsReceived(&live, QLatin1String(record));
        }
        QCOMPARE(readBytes(autosave),
                 QByteArray("07.12.2026 14:05:09 first  Size, byte: 5\r\nsecond\r\nthird\r\n"));
        open(autosave);
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("third\r\nsecond\r\n07.12.2026 14:05:09 first  Size, byte: 5\r\n"));
        // The same order as the box that showed them live.
        QCOMPARE(receivedBox(f)->text(), receivedBox(&live)->text());
    }

    void largeDocumentOpensAndSavesWhole()
    {
        // Read from its end in pieces on another thread, lines across the
        // pieces' edges; saved from a snapshot the same way.
        QByteArray file, reversed;
        for (int i = 0; file.size() < 3'000'000; ++i) {
            const QByteArray line = "line " + QByteArray::number(i) + QByteArray(i % 300, i % 2 ? '\r' : 'x');
            file += line + "\r\n";
            reversed.prepend(line + "\r\n");
        }
        QVERIFY(writeBytes(path("big.txt"), file));
        receivedBox(f)->setText(QStringLiteral("old\r\n"));
        open(path("big.txt"));
        QCOMPARE(receivedBox(f)->text(), fromAnsi(reversed) + QStringLiteral("old\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(readBytes(path("big.txt")), reversed + "old\r\n\r\n");
        QVERIFY(!action(f, "mnuSave")->isEnabled());
    }

    void everyByteSurvivesOpenAndSave()
    {
        // 0x80 to 0xFF (0x98, which the code page leaves out, included), and
        // a line holding a lone CR, a lone LF and a NUL.
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high += char(b);
        const QByteArray odd("x\ry\nz\0w", 7);
        QVERIFY(writeBytes(path("bytes.txt"), odd + "\r\n" + high + "\r\n"));
        open(path("bytes.txt"));
        const QString text = receivedBox(f)->text();
        QVERIFY(text.contains(QChar(0x98)));
        QVERIFY(text.contains(QStringLiteral("АБВ")));
        QVERIFY(text.startsWith(QStringLiteral("\u0402\u0403")));  // 0x80 0x81
        QVERIFY(text.contains(QStringView(u"x\ry\nz\0w", 7)));
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        // The lines come back reversed, each with its CR LF, then the one
        // more line end of the save.
        QCOMPARE(readBytes(path("bytes.txt")), high + "\r\n" + odd + "\r\n\r\n");
    }

    void saveBeforeAnyOpenIsSaveAs()
    {
        showAsReceived(f, QStringLiteral("m1"));
        // A name typed without an extension gets ".txt".
        fakes.fileDialog->answers.enqueue(path("notes"));
        action(f, "mnuSave")->trigger();
        QCOMPARE(readBytes(path("notes.txt")), QByteArray("m1\r\n\r\n"));
        QCOMPARE(parametr("FileNameSaveAs"), path("notes.txt"));
        QCOMPARE(f->documents().saveAsDialog().FileName, path("notes.txt"));
        QCOMPARE(fakes.fileDialog->requests.size(), 1);
        const FileDialogRequest &r = fakes.fileDialog->requests.constFirst();
        QVERIFY(r.save);
        QVERIFY(r.confirmOverwrite);
        QVERIFY(!r.mustExist);
        QCOMPARE(r.filter, QStringLiteral("text only (*.txt)"));
        QCOMPARE(f->documents().saveAsDialog().Flags, 6);
        QCOMPARE(f->documents().saveAsDialog().DefaultExt, QStringLiteral("txt"));
        // Save As keeps the text marked unsaved and names no document.
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QVERIFY(f->session().state().openedFileName.isEmpty());
        QCOMPARE(f->session().state().fileOpened, qint16(0));

        // The next Save asks again, opening on the last choice.
        showAsReceived(f, QStringLiteral("m2"));
        fakes.fileDialog->answers.enqueue(path("notes.txt"));
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.fileDialog->requests.size(), 2);
        QCOMPARE(fakes.fileDialog->requests.constLast().initialPath, path("notes.txt"));
        QCOMPARE(readBytes(path("notes.txt")), QByteArray("m2\r\nm1\r\n\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void saveAsLeavesTheOpenedDocumentAlone()
    {
        QVERIFY(writeBytes(path("A.txt"), "a1\r\n"));
        open(path("A.txt"));
        showAsReceived(f, QStringLiteral("r1"));
        fakes.fileDialog->answers.enqueue(path("B.txt"));
        action(f, "mnuSave_as")->trigger();
        QCOMPARE(readBytes(path("B.txt")), QByteArray("r1\r\na1\r\n\r\n"));
        QCOMPARE(readBytes(path("A.txt")), QByteArray("a1\r\n"));
        QCOMPARE(f->session().state().openedFileName, path("A.txt"));
        QVERIFY(action(f, "mnuSave")->isEnabled());

        // Save still goes to the document last opened, without a dialog.
        showAsReceived(f, QStringLiteral("r2"));
        action(f, "mnuSave")->trigger();
        QCOMPARE(readBytes(path("A.txt")), QByteArray("r2\r\nr1\r\na1\r\n\r\n"));
        QCOMPARE(readBytes(path("B.txt")), QByteArray("r1\r\na1\r\n\r\n"));
        QCOMPARE(fakes.fileDialog->requests.size(), 2);
        QVERIFY(!action(f, "mnuSave")->isEnabled());
    }

    void cancelledDialogsChangeNothing()
    {
        showAsReceived(f, QStringLiteral("m1"));
        fakes.fileDialog->answers.enqueue(std::nullopt);
        action(f, "mnuOpen")->trigger();
        fakes.fileDialog->answers.enqueue(std::nullopt);
        action(f, "mnuSave_as")->trigger();
        fakes.fileDialog->answers.enqueue(std::nullopt);
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.fileDialog->requests.size(), 3);
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("m1\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().fileOpened, qint16(0));
        QVERIFY(f->session().state().openedFileName.isEmpty());
        QCOMPARE(parametr("FileNameOpen"), QStringLiteral("<unset>"));
        QCOMPARE(parametr("FileNameSaveAs"), QStringLiteral("<unset>"));
        QVERIFY(QDir(dir->path()).entryList(QDir::Files).isEmpty());
    }

    // A screen reader hears each change in its place and size, a long one
    // in a bounded form, and every message after an Open, even a cancelled
    // one; what it asks of the box costs a bounded piece.
    void aScreenReaderIsToldOpenAndWhatFollows()
    {
        static QObject *box = nullptr;
        static QStringList heard;
        box = receivedBox(f);
        const auto previous = QAccessible::installUpdateHandler([](QAccessibleEvent *e) {
            if (e->object() != box)
                return;
            if (e->type() == QAccessible::TextInserted)
                heard << QStringLiteral("inserted %1 at %2").arg(static_cast<QAccessibleTextInsertEvent *>(e)->textInserted().size())
                             .arg(static_cast<QAccessibleTextInsertEvent *>(e)->changePosition());
            else if (e->type() == QAccessible::TextRemoved)
                heard << QStringLiteral("removed %1 at %2").arg(static_cast<QAccessibleTextRemoveEvent *>(e)->textRemoved().size())
                             .arg(static_cast<QAccessibleTextRemoveEvent *>(e)->changePosition());
            else if (e->type() == QAccessible::TextUpdated)
                heard << QStringLiteral("updated");
            else if (e->type() == QAccessible::TextCaretMoved)
                heard << QStringLiteral("caret");
        });
        const auto restore = qScopeGuard([&] { QAccessible::installUpdateHandler(previous); });
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("events go out only with an accessibility bus (the X11 run)");
        QTRY_VERIFY(QAccessible::isActive());
        receivedBox(f)->setText(QStringLiteral("old\r\n"));
        QVERIFY(writeBytes(path("small.txt"), "a\r\nbc\r\n"));
        QVERIFY(writeBytes(path("big.txt"), QByteArray("line\r\n").repeated(100'000)));
        heard.clear();
        open(path("small.txt"));
        QCOMPARE(heard, QStringList{QStringLiteral("inserted 7 at 0")});
        heard.clear();
        open(path("big.txt"));
        for (const QString &h : heard)
            QVERIFY2(h == QStringLiteral("caret") || h.section(QLatin1Char(' '), 1, 1).toInt() <= ReceivedBox::kReaderPiece,
                     qPrintable(h));
        heard.clear();
        receivedBox(f)->prepend(QStringLiteral("new\r\n"));
        QCOMPARE(heard, QStringList{QStringLiteral("inserted 5 at 0")});

        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(receivedBox(f));
        QVERIFY(a->text(QAccessible::Value).size() <= ReceivedBox::kReaderPiece);
        int start = -1, end = -1;
        const QString around = a->textInterface()->textAtOffset(300'000, QAccessible::NoBoundary, &start, &end);
        QVERIFY(around.size() <= ReceivedBox::kReaderPiece && start <= 300'000 && 300'000 < end);
        QCOMPARE(around, a->textInterface()->text(start, end));

        // Cancelled while it reads: whatever it put in goes, and the next
        // message is still heard.
        QTimer::singleShot(0, f, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QStringLiteral("ProgressDialog1"))
                    qobject_cast<QProgressDialog *>(w)->cancel();
        });
        open(path("big.txt"));
        heard.clear();
        receivedBox(f)->prepend(QStringLiteral("next\r\n"));
        QCOMPARE(heard, QStringList{QStringLiteral("inserted 6 at 0")});
        heard.clear();
        receivedBox(f)->clearText();
        QCOMPARE(heard, QStringList{QStringLiteral("caret")});
    }

    void failedOpenIsReportedAndChangesNothing()
    {
        QVERIFY(writeBytes(path("plain"), "x\r\n"));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("folder.txt")));
        receivedBox(f)->setText(QStringLiteral("kept\r\n"));
        const QStringList bad{path("missing.txt"), path("plain/under-a-file.txt"), path("folder.txt")};
        for (const QString &p : bad) {
            fakes.messageBox->messages.clear();
            open(p);
            QCOMPARE(fakes.messageBox->messages.size(), 1);
            const QString message = fakes.messageBox->messages.constFirst();
            QVERIFY2(message.contains(shownPath(QDir::toNativeSeparators(p))), qPrintable(message));
            // The reason, not just the name.
            QVERIFY2(message.size() > p.size() + 20, qPrintable(message));
            QCOMPARE(receivedBox(f)->text(), QStringLiteral("kept\r\n"));
            QVERIFY(!action(f, "mnuSave")->isEnabled());
            QCOMPARE(f->session().state().fileOpened, qint16(0));
            QVERIFY(f->session().state().openedFileName.isEmpty());
            // The choice itself is remembered for the next Open.
            QCOMPARE(parametr("FileNameOpen"), p);
        }
    }

    void failedSaveKeepsTheTextUnsaved()
    {
        // Fails even for root: the document's folder went away, and a folder
        // name that is a regular file.
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("docs")));
        QVERIFY(writeBytes(path("docs/A.txt"), "old\r\n"));
        open(path("docs/A.txt"));
        showAsReceived(f, QStringLiteral("new"));
        QVERIFY(QDir(dir->path()).rename(QStringLiteral("docs"), QStringLiteral("moved")));
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY2(fakes.messageBox->messages.constFirst().contains(shownPath(QDir::toNativeSeparators(path("docs/A.txt")))),
                 qPrintable(fakes.messageBox->messages.constFirst()));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(readBytes(path("moved/A.txt")), QByteArray("old\r\n"));
        QVERIFY(!QFile::exists(path("docs/A.txt")));

        // Save As onto a name under a regular file: no success, no change.
        QVERIFY(writeBytes(path("plain"), "x"));
        fakes.messageBox->messages.clear();
        action(f, "mnuSave")->setEnabled(false);
        fakes.fileDialog->answers.enqueue(path("plain/B.txt"));
        action(f, "mnuSave_as")->trigger();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(readBytes(path("plain")), QByteArray("x"));
    }

    void saveInAReadOnlyFolderDependsOnTheFile_data()
    {
        QTest::addColumn<bool>("fileWritable");
        QTest::newRow("writable file") << true;
        QTest::newRow("read-only file") << false;
    }

    void saveInAReadOnlyFolderDependsOnTheFile()
    {
        QFETCH(bool, fileWritable);
        const QString doc = path(QStringLiteral("docs/A.txt"));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("docs")) && writeBytes(doc, "old\r\n"));
        open(doc);
        showAsReceived(f, QStringLiteral("new"));
        // Root writes through permissions; the user meeting them does not.
        const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        const auto enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        const auto homePermissions = QFile::permissions(QDir::homePath());
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(QDir::homePath(), homePermissions);
            QFile::setPermissions(path(QStringLiteral("docs")), all | write | enter);
        });
        for (const QString &folder : {QDir::homePath(), dir->path()})
            QVERIFY(QFile::setPermissions(folder, QFile::permissions(folder) | enter));
        QVERIFY(QFile::setPermissions(doc, fileWritable ? all | write : all));
        QVERIFY(QFile::setPermissions(path(QStringLiteral("docs")), all | enter));
        {
            std::unique_ptr<AsUnprivilegedUser> user;
            if (::geteuid() == 0) {
                user = std::make_unique<AsUnprivilegedUser>();
                QVERIFY(user->isValid());
            }
            action(f, "mnuSave")->trigger();
        }
        QCOMPARE(fakes.messageBox->messages.size(), fileWritable ? 0 : 1);
        QCOMPARE(action(f, "mnuSave")->isEnabled(), !fileWritable);
        QCOMPARE(readBytes(doc), fileWritable ? QByteArray("new\r\nold\r\n\r\n") : QByteArray("old\r\n"));
        QCOMPARE(QDir(path(QStringLiteral("docs"))).entryList(QDir::Files | QDir::Hidden), QStringList{"A.txt"});
    }

    // The real Qt dialog, used as a user would: the name typed without its
    // extension, then Yes to whatever the dialog asks.
    void typedNameIsCheckedWithItsExtension_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("Save As asks before replacing") << true;
        QTest::newRow("Open finds the file") << false;
    }

    void typedNameIsCheckedWithItsExtension()
    {
        QFETCH(bool, save);
        QVERIFY(writeBytes(path(QStringLiteral("log.txt")), "old\r\n"));
        setPlatform(makeQtPlatform());
        QStringList asked;
        bool typed = false;
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                asked << box->text();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                yes ? yes->click() : box->reject();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                if (typed) {
                    dialog->reject();  // the dialog refused the name
                    return;
                }
                typed = true;
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                name->clear();
                QTest::keyClicks(name, QStringLiteral("log"));
                QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
            }
        });
        user.start(20);
        CommonDialog d;
        d.Filter = QStringLiteral("text only(*.txt)|*.txt|");
        d.DefaultExt = QStringLiteral("txt");
        d.Flags = save ? 6 : 4100;
        d.FileName = path(QStringLiteral("other.txt"));
        QVERIFY2(save ? d.ShowSave() : d.ShowOpen(),
                 qPrintable(QStringLiteral("dialog cancelled; asked: ") + asked.join(QLatin1Char('|'))));
        QCOMPARE(d.FileName, path(QStringLiteral("log.txt")));
        QCOMPARE(asked.size(), save ? 1 : 0);
        if (save)
            QVERIFY2(asked.constFirst().contains(QStringLiteral("log.txt")), qPrintable(asked.constFirst()));
    }

    void textOutsideTheCodePageIsNotSaved()
    {
        QVERIFY(writeBytes(path("doc.txt"), "old\r\n"));
        open(path("doc.txt"));
        receivedBox(f)->prepend(QStringLiteral("fine\r\nticked \u2713\r\n"));
        action(f, "mnuSave")->trigger();
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        const QString message = fakes.messageBox->messages.constFirst();
        QVERIFY2(message.contains(QStringLiteral("U+2713")) && message.contains(QStringLiteral("line 2")),
                 qPrintable(message));
        QCOMPARE(readBytes(path("doc.txt")), QByteArray("old\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
    }

    void textFileFormat()
    {
        // Only CR LF ends a line.
        QVERIFY(writeBytes(path("t.txt"), "a\rb\nc\r\n\r\nd"));
        QCOMPARE(documentLines(path("t.txt")),
                 QStringList({QStringLiteral("a\rb\nc"), QString(), QStringLiteral("d")}));
        QVERIFY(writeBytes(path("t.txt"), "\r\n"));
        QCOMPARE(documentLines(path("t.txt")), QStringList({QString()}));
        QVERIFY(writeBytes(path("t.txt"), QByteArray()));
        QCOMPARE(documentLines(path("t.txt")), QStringList());

        // No byte-order mark; Cyrillic is one byte per letter.
        writeDocument(path("w.txt"), QStringLiteral("Да"));
        QCOMPARE(readBytes(path("w.txt")), QByteArray("\xC4\xE0\r\n"));

        // The autosave file is created on the first record and grows by one
        // record per call.
        appendRecordBytes(path("a.txt"), "r1");
        appendRecordBytes(path("a.txt"), toAnsi(QStringLiteral("Жr2")));
        QCOMPARE(readBytes(path("a.txt")), QByteArray("r1\r\n\xC6r2\r\n"));
        // Given as its bytes, a record is written as it is.
        appendRecordBytes(path("a.txt"), QByteArray("\0\x98\xFF", 3));
        QCOMPARE(readBytes(path("a.txt")), QByteArray("r1\r\n\xC6r2\r\n") + QByteArray("\0\x98\xFF\r\n", 5));
        QVERIFY_THROWS_EXCEPTION(Error, appendRecordBytes(path("plain/a.txt"), "r"));
        QVERIFY(writeBytes(path("plain"), "x"));
        QVERIFY_THROWS_EXCEPTION(Error, appendRecordBytes(path("plain/a.txt"), "r"));
        QVERIFY_THROWS_EXCEPTION(Error, writeDocument(path("plain/a.txt"), QStringLiteral("r")));
        QVERIFY_THROWS_EXCEPTION(Error, documentLines(path("plain/a.txt")));
    }

    void printHeadingAndText_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("empty box") << QString();
        QTest::newRow("two messages") << QStringLiteral("message two\r\nсообщение 1\r\n");
    }

    void printHeadingAndText()
    {
        QFETCH(QString, box);
        receivedBox(f)->setText(box);
        fakes.printer->pdfPath = path("out.pdf");
        action(f, "mnuPrint")->trigger();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QCOMPARE(fakes.printer->printed, QStringList{QStringLiteral("Принятые сообщения\r\n") + box});

        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed.");
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path("out.pdf"), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList printed = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        QStringList words;
        for (const QString &l : printed)
            if (!l.trimmed().isEmpty() && l.trimmed() != QStringLiteral("\f"))
                words << l.trimmed();
        QStringList expected{QStringLiteral("Принятые сообщения")};
        for (const QString &l : box.split(kCrLf, Qt::SkipEmptyParts))
            expected << l;
        QCOMPARE(words, expected);

        // Readable on paper: the heading's box is at least 10 points high.
        p.start(pdftotext, {QStringLiteral("-bbox"), path("out.pdf"), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(20000));
        static const QRegularExpression heading(QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">Принятые<"));
        const QRegularExpressionMatch m = heading.match(QString::fromUtf8(p.readAllStandardOutput()));
        QVERIFY(m.hasMatch());
        QVERIFY2(m.captured(2).toDouble() - m.captured(1).toDouble() >= 10.0, qPrintable(m.captured(0)));
    }

    void bigSelectionAndPrintAreReadAside()
    {
        // Copied and printed a piece at a time on another thread: a CR LF
        // across two pieces read is still one line break.
        QString text = QStringLiteral("x").repeated((1 << 20) - 2) + QStringLiteral("\r\n\r") + QChar(0);
        for (int i = 0; text.size() < 2'500'000; ++i)
            text += QStringLiteral("line %1\r\n").arg(i);
        receivedBox(f)->setText(text);
        receivedBox(f)->selectAll();
        receivedBox(f)->copy();
        QString copied = text;
        copied.replace(kCrLf, QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n')).replace(QChar(0), QChar(0x2400));
        QVERIFY(QGuiApplication::clipboard()->text() == copied);

        fakes.printer->pdfPath = path("big.pdf");
        action(f, "mnuPrint")->trigger();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QVERIFY(fakes.printer->printed == QStringList{QStringLiteral("Принятые сообщения\r\n") + text});
        QVERIFY(QFileInfo(path("big.pdf")).size() > 0);
        // Cancel on the progress window stops it early, and says nothing.
        fakes.printer->pdfPath = path("cancelled.pdf");
        QTimer::singleShot(0, f, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QStringLiteral("ProgressDialog1"))
                    qobject_cast<QProgressDialog *>(w)->cancel();
        });
        action(f, "mnuPrint")->trigger();
        QCOMPARE(fakes.messageBox->messages, QStringList());
        QVERIFY(QFileInfo(path("cancelled.pdf")).size() < QFileInfo(path("big.pdf")).size() / 2);
    }

    // The work running aside is its own main window's: another main window
    // does not take it for its own.
    void longWorkIsTheWindowsOwn()
    {
        Form1 other;
        Progress progress;
        bool heldApart = false;
        f->documents().runAside(QStringLiteral("work"), progress, [] {}, [&] {
            heldApart = f->documents().longWorkRunning() && !other.documents().longWorkRunning();
        });
        QVERIFY(heldApart);
        QVERIFY(!f->documents().longWorkRunning());
    }

    void printFailureIsReported()
    {
        receivedBox(f)->setText(QStringLiteral("m\r\n"));
        fakes.printer->pdfPath.clear();
        action(f, "mnuPrint")->trigger();
        QCOMPARE(fakes.messageBox->messages,
                 QStringList{QStringLiteral("Nothing was printed: no printer is configured on this system.")});
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("m\r\n"));
    }

    void editorStartsOrSaysWhy()
    {
        action(f, "mnuOpenBlocknot")->trigger();
        QCOMPARE(fakes.editor->launches, 1);
        QCOMPARE(fakes.messageBox->messages, QStringList());
        fakes.editor->failWith = QStringLiteral("No plain-text editor was found.");
        action(f, "mnuOpenBlocknot")->trigger();
        QCOMPARE(fakes.editor->launches, 2);
        QCOMPARE(fakes.messageBox->messages, QStringList{QStringLiteral("No plain-text editor was found.")});
    }
};

KESTRUM_TEST_MAIN(DocumentsTest)
#include "test_documents.moc"
