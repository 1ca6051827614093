// The interface language: the stored choice, the Language menu, the caption
// tables of every window, and Help > About.
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/savechangesprompt.h"
#include "ui/captions.h"
#include "ui/aboutdialog.h"
#include "ui/clearsettingsdialog.h"
#include "ui/warningdialog.h"
#include "ui/optionswindow.h"
#include "ui/receivedbox.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "core/sendbytes.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/programtest.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <memory>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QString kClearMessage = QStringLiteral(
    "Будут удалены все настройки  пользователя из реестра. При следующей загрузке будут восстановлены значения по "
    "умолчанию.Продолжить?");
const QString kTimeoutWarning = QStringLiteral(
    "Изменение данного параметра может привести к некорректному приему данных. Таймаут должен быть больше времени "
    "передачи сообщения в COM порт внешним устройством");
const QString kRussianAbout = QStringLiteral(
    "Kestrum предназначен для работы с асинхронным приемопередатчиком UART  различных микроконтроллеров по линиям "
    "Rx и Tx.");

void storeLanguage(const QString &value)
{
    if (!value.isNull())
        writeSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), value);
}

QString storedLanguage() { return readSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("<none>")); }

// The dialogs below are built here with the member widgets and Russian
// captions their windows are made with, so that their caption tables can be
// put on them on their own.
std::unique_ptr<Dialog1> clearConfirmation()
{
    auto d = std::make_unique<Dialog1>(windows());
    d->setWindowTitle(QStringLiteral("Удаление ветки в реестре"));
    d->Label1 = new QLabel(kClearMessage, d.get());
    d->OKButton = new QPushButton(QStringLiteral("OK"), d.get());
    d->CancelButton = new QPushButton(QStringLiteral("Отмена"), d.get());
    return d;
}

std::unique_ptr<Dialog2> invalidValueWarning()
{
    auto d = std::make_unique<Dialog2>(windows());
    d->setWindowTitle(QStringLiteral("Внимание"));
    d->Label1 = new QLabel(QStringLiteral("Недопустимое значение"), d.get());
    d->OKButton = new QPushButton(QStringLiteral("OK"), d.get());
    return d;
}

std::unique_ptr<Dialog4> saveChangesPrompt()
{
    auto d = std::make_unique<Dialog4>(*windows().form1());
    d->setWindowTitle(QStringLiteral("Kestrum"));
    d->Label1 = new QLabel(QStringLiteral("Сохранить изменения?"), d.get());
    d->OKButton = new QPushButton(QStringLiteral("Да"), d.get());
    d->CancelButton = new QPushButton(QStringLiteral("Нет"), d.get());
    d->Command1 = new QPushButton(QStringLiteral("Отмена"), d.get());
    return d;
}

// Every caption of the Options window, by object name.
QMap<QString, QString> optionsCaptions(Form2 *f)
{
    QMap<QString, QString> c;
    c[QStringLiteral("title")] = f->windowTitle();
    for (int i = 0; i < f->SSTab1->count(); ++i)
        c[QStringLiteral("tab%1").arg(i)] = f->SSTab1->tabText(i);
    for (QGroupBox *g : f->findChildren<QGroupBox *>())
        c[g->objectName()] = g->title();
    for (QAbstractButton *b : f->findChildren<QAbstractButton *>())
        c[b->objectName()] = b->text();
    for (QLabel *l : f->findChildren<QLabel *>())
        c[l->objectName()] = l->text();
    return c;
}

// Whether the Options window of this build is made with its own captions.
bool optionsWindowHasCaptions()
{
    Form1 main;
    Form2 probe(main);
    return !probe.Check1->text().isEmpty();
}

void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class LanguageTest : public ProgramTest {
    Q_OBJECT

    void checkMainWindowEnglish(Form1 *f)
    {
        QCOMPARE(f->windowTitle(), QStringLiteral("Kestrum V1.01 for MC"));
        QCOMPARE(f->mnuLng->title(), QStringLiteral("Язык/Language"));
        QCOMPARE(f->mnuRus->text(), QStringLiteral("Руссский/Russian"));
        QCOMPARE(f->mnuEng->text(), QStringLiteral("Английский/English"));
        QCOMPARE(f->mnuFile->title(), QStringLiteral("File"));
        QCOMPARE(f->mnuOpenBlocknot->text(), QStringLiteral("Open (Blocknot)..."));
        QCOMPARE(f->mnuSave_as->text(), QStringLiteral("Save As..."));
        QCOMPARE(f->mnuSpravka->title(), QStringLiteral("Help"));
        QCOMPARE(f->mnuHelp->text(), QStringLiteral("Help"));
        QCOMPARE(f->mnuAbout->text(), QStringLiteral("About"));
        QCOMPARE(f->Label2->text(), QStringLiteral("Baud Rate"));
        QCOMPARE(f->Label6->text(), QStringLiteral("Transmit"));
        QCOMPARE(f->Label7->text(), QStringLiteral("Recived"));
        QCOMPARE(f->Command3->text(), QStringLiteral("Open Port"));
        QCOMPARE(f->Command4->text(), QStringLiteral("Options..."));
        QCOMPARE(f->Frame1->title(), QStringLiteral("Settings"));
    }

    void checkMainWindowRussian(Form1 *f)
    {
        QCOMPARE(f->windowTitle(), QStringLiteral("Kestrum V1.01 for MC"));
        QCOMPARE(f->mnuLng->title(), QStringLiteral("Язык/Language"));
        QCOMPARE(f->mnuRus->text(), QStringLiteral("Русский/Russian"));
        QCOMPARE(f->mnuEng->text(), QStringLiteral("Английский/English"));
        QCOMPARE(f->mnuFile->title(), QStringLiteral("Файл"));
        QCOMPARE(f->mnuOpenBlocknot->text(), QStringLiteral("Открыть (Блокнот)..."));
        QCOMPARE(f->mnuSave_as->text(), QStringLiteral("Сохранить как..."));
        QCOMPARE(f->mnuSpravka->title(), QStringLiteral("Справка"));
        QCOMPARE(f->mnuHelp->text(), QStringLiteral("Помощь"));
        QCOMPARE(f->mnuAbout->text(), QStringLiteral("О программе"));
        QCOMPARE(f->Label2->text(), QStringLiteral("Скорость"));
        QCOMPARE(f->Label6->text(), QStringLiteral("Сообщения для отправки"));
        QCOMPARE(f->Label7->text(), QStringLiteral("Принятые сообщения"));
        QCOMPARE(f->Command3->text(), QStringLiteral("Открыть порт"));
        QCOMPARE(f->Command4->text(), QStringLiteral("Параметры..."));
        QCOMPARE(f->Frame1->title(), QStringLiteral("Установки"));
    }

    // Shows About from the menu, checks its captions, and leaves with OK.
    void checkAbout(Form1 *f, bool english)
    {
        f->mnuAbout->trigger();
        QVERIFY(windows().hasDialog());
        Dialog *d = windows().dialog();
        QVERIFY(d->isVisible());
        QVERIFY(!f->isEnabled());
        if (english) {
            QCOMPARE(d->windowTitle(), QStringLiteral("About"));
            QVERIFY2(d->Label1->text().startsWith(QStringLiteral("Kestrum for MC.\n")), qPrintable(d->Label1->text()));
            QVERIFY(d->Label1->text().contains(QStringLiteral("Author: ")));
        } else {
            QCOMPARE(d->windowTitle(), QStringLiteral("О программе"));
            QVERIFY2(d->Label1->text().startsWith(kRussianAbout + QLatin1Char('\n')), qPrintable(d->Label1->text()));
            QVERIFY(d->Label1->text().contains(QStringLiteral("Автор: ")));
        }
        QCOMPARE(d->OKButton->text(), QStringLiteral("OK"));
        d->OKButton->click();
        QVERIFY(f->isEnabled());
        QVERIFY(!windows().hasDialog());
    }

private slots:
    void init() { beginTest(); }
    void cleanup()
    {
        endTest();
        processDeferredDeletes();
    }

    void storedValueDecidesTheLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("english");
        QTest::newRow("missing") << QString() << true;
        QTest::newRow("1") << QStringLiteral("1") << true;
        QTest::newRow("1.0") << QStringLiteral("1.0") << true;
        QTest::newRow("0") << QStringLiteral("0") << false;
        QTest::newRow("2") << QStringLiteral("2") << false;
        QTest::newRow("-1") << QStringLiteral("-1") << false;
        QTest::newRow("0.5") << QStringLiteral("0.5") << false;
        QTest::newRow("not a number") << QStringLiteral("abc") << true;
        QTest::newRow("empty") << QStringLiteral("") << true;
    }
    void storedValueDecidesTheLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(bool, english);
        storeLanguage(stored);
        QCOMPARE(englishInterface(), english);
        // Nothing is remembered between decisions.
        storeLanguage(english ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(englishInterface(), !english);
        deleteAllSettings();
        QVERIFY(englishInterface());
    }

    // Every window in the language stored before the start: the main window,
    // About from its menu, and the tables of the Options window and the three
    // other dialogs put on windows of their own.
    void captionsAtStart_data() { storedValueDecidesTheLanguage_data(); }
    void captionsAtStart()
    {
        QFETCH(QString, stored);
        QFETCH(bool, english);
        storeLanguage(stored);
        Form1 *f = startOnPty();
        QVERIFY(f);
        QCOMPARE(fakes.messageBox->messages, QStringList());
        if (english)
            checkMainWindowEnglish(f);
        else
            checkMainWindowRussian(f);
        QCOMPARE(f->Label8->text(), english ? QStringLiteral("Autosave in: ") : QStringLiteral("Автосохранение в: "));
        checkAbout(f, english);

        Form2 options(*f);
        options.SSTab1->setCurrentIndex(2);
        const QMap<QString, QString> before = optionsCaptions(&options);
        applyCaptions(&options);
        QMap<QString, QString> after = optionsCaptions(&options);
        QCOMPARE(options.SSTab1->currentIndex(), 2);
        QCOMPARE(after.value("Label6"), before.value("Label6"));
        QCOMPARE(after.value("Label1"), before.value("Label1"));
        if (english) {
            QCOMPARE(after.value("title"), QStringLiteral("Options"));
            QCOMPARE(after.value("tab0"), QStringLiteral("Strings"));
            QCOMPARE(after.value("tab1"), QStringLiteral("Auto"));
            QCOMPARE(after.value("tab2"), QStringLiteral("Checking"));
            QCOMPARE(after.value("tab3"), QStringLiteral("Other"));
            QCOMPARE(after.value("Check1"), QStringLiteral("View strings sendind"));
            QCOMPARE(after.value("Check4"), QStringLiteral("View Size*"));
            QCOMPARE(after.value("Check7"), QStringLiteral("View Size*"));
            QCOMPARE(after.value("Frame2"), QStringLiteral("Recieved strings"));
            QCOMPARE(after.value("Label7"), QStringLiteral("*For ANSI"));
            QCOMPARE(after.value("Frame3"), QStringLiteral("Parametres"));
            QCOMPARE(after.value("Command4"), QStringLiteral("View"));
            QCOMPARE(after.value("Check9"), QStringLiteral("Check long sending strings ON"));
            QCOMPARE(after.value("Label2"), QStringLiteral("Max long sending strings"));
            QCOMPARE(after.value("Label5"), QStringLiteral("Timeout for recieved strings, ms"));
            QCOMPARE(after.value("Label3"), QStringLiteral("Buffer InSize"));
            QCOMPARE(after.value("Frame6"), QStringLiteral("Hardware"));
            QCOMPARE(after.value("Check11"), QStringLiteral("RTSE Enable"));
            QCOMPARE(after.value("Command5"), QStringLiteral("Clear reestre"));
            QCOMPARE(after.value("Command2"), QStringLiteral("Cancel"));
            QCOMPARE(after.value("Command3"), QStringLiteral("Go"));
        } else {
            // Only the sent strings' size box is renamed; the rest stays as
            // the window was built.
            QCOMPARE(after.value("Check4"), QStringLiteral("Отображать размер*"));
            after.remove("Check4");
            QMap<QString, QString> unchanged = before;
            unchanged.remove("Check4");
            QCOMPARE(after, unchanged);
        }

        auto confirmation = clearConfirmation();
        applyCaptions(confirmation.get());
        QCOMPARE(confirmation->windowTitle(), english ? QStringLiteral("Clear reestre") : QStringLiteral("Удаление ветки в реестре"));
        QCOMPARE(confirmation->Label1->text(), kClearMessage);
        QCOMPARE(confirmation->OKButton->text(), QStringLiteral("OK"));
        QCOMPARE(confirmation->CancelButton->text(), english ? QStringLiteral("Cancel") : QStringLiteral("Отмена"));

        auto warning = invalidValueWarning();
        applyCaptions(warning.get());
        QCOMPARE(warning->windowTitle(), english ? QStringLiteral("Warning") : QStringLiteral("Внимание"));
        QCOMPARE(warning->Label1->text(), english ? QStringLiteral("         Invalid value") : QStringLiteral("Недопустимое значение"));
        QCOMPARE(warning->OKButton->text(), QStringLiteral("OK"));

        auto prompt = saveChangesPrompt();
        applyCaptions(prompt.get());
        QCOMPARE(prompt->windowTitle(), QStringLiteral("Kestrum"));
        QCOMPARE(prompt->Label1->text(), english ? QStringLiteral("         Save changes?") : QStringLiteral("Сохранить изменения?"));
        QCOMPARE(prompt->OKButton->text(), english ? QStringLiteral("Yes") : QStringLiteral("Да"));
        QCOMPARE(prompt->CancelButton->text(), english ? QStringLiteral("No") : QStringLiteral("Нет"));
        QCOMPARE(prompt->Command1->text(), english ? QStringLiteral("Cancel") : QStringLiteral("Отмена"));
    }

    // The menu switches the main window at once, keeps the autosave path in
    // its line, and its choice is the language of the next start.
    void languageMenuSwitchesAndPersists()
    {
        const QString path = scratchDir() + QStringLiteral("/logs/auto save.txt");
        writeSetting("Parametr", "LabelSave", path);
        Form1 *f = startOnPty();
        QVERIFY(f);
        checkMainWindowEnglish(f);
        QCOMPARE(f->Label8->text(), QStringLiteral("Autosave in: ") + path);

        QPointer<Form2> oldOptions = windows().form2();
        f->mnuRus->trigger();
        QCOMPARE(storedLanguage(), QStringLiteral("0"));
        checkMainWindowRussian(f);
        QCOMPARE(f->Label8->text(), QStringLiteral("Автосохранение в: ") + path);
        // The Options window was made again, hidden, for the new language.
        QVERIFY(windows().hasForm2());
        QVERIFY(windows().form2() != oldOptions.data());
        QVERIFY(!windows().form2()->isVisible());
        processDeferredDeletes();
        QVERIFY(oldOptions.isNull());
        QVERIFY(!f->mnuRus->isCheckable());
        QVERIFY(!f->mnuEng->isCheckable());

        f = startOnPty();
        QVERIFY(f);
        checkMainWindowRussian(f);
        QCOMPARE(f->Label8->text(), QStringLiteral("Автосохранение в: ") + path);
        checkAbout(f, false);

        f->mnuEng->trigger();
        QCOMPARE(storedLanguage(), QStringLiteral("1"));
        checkMainWindowEnglish(f);
        QCOMPARE(f->Label8->text(), QStringLiteral("Autosave in: ") + path);
        checkAbout(f, true);

        // Choosing the language already shown changes nothing but the store.
        f->mnuEng->trigger();
        checkMainWindowEnglish(f);
        QVERIFY(!f->mnuRus->isCheckable());
        QVERIFY(!f->mnuEng->isCheckable());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // After the store is cleared the missing language reads as English for
    // every window made afterwards; the main window stays as it is until a
    // language is chosen.
    void clearingWhileRussian()
    {
        storeLanguage(QStringLiteral("0"));
        Form1 *f = startOnPty();
        QVERIFY(f);
        checkMainWindowRussian(f);
        deleteAllSettings();

        checkMainWindowRussian(f);
        checkAbout(f, true);
        auto warning = invalidValueWarning();
        applyCaptions(warning.get());
        QCOMPARE(warning->windowTitle(), QStringLiteral("Warning"));
        auto prompt = saveChangesPrompt();
        applyCaptions(prompt.get());
        QCOMPARE(prompt->OKButton->text(), QStringLiteral("Yes"));
        windows().unloadForm2();
        QCOMPARE(windows().form2()->Label1->text(), QStringLiteral("Autosave in: "));
        checkMainWindowRussian(f);

        f->mnuRus->trigger();
        QCOMPARE(storedLanguage(), QStringLiteral("0"));
        checkMainWindowRussian(f);
        checkAbout(f, false);

        // The next start without a choice in between is English.
        deleteAllSettings();
        f = startOnPty();
        QVERIFY(f);
        checkMainWindowEnglish(f);
    }

    // A load re-captions its own window only: after the store is cleared
    // under a Russian interface the warning comes up in English, while the
    // main and Options windows keep their captions, also once every pending
    // event has been handled.
    void loadRecaptionsItsWindowOnly()
    {
        storeLanguage(QStringLiteral("0"));
        Form1 *f = startOnPty();
        QVERIFY(f);
        f->Command4->click();
        Form2 *o = windows().form2();
        QVERIFY(o->isVisible());
        deleteAllSettings();
        windows().showWarning();
        QCoreApplication::processEvents();
        QCOMPARE(windows().dialog2()->windowTitle(), QStringLiteral("Warning"));
        QCOMPARE(o->windowTitle(), QStringLiteral("Параметры"));
        QCOMPARE(o->Check7->text(), QStringLiteral("Отображать размер строки*"));
        checkMainWindowRussian(f);
    }

    // A screen reader tells the controls apart by their labels' names (read
    // here through the accessible interfaces AT-SPI serves): the five lists
    // by their label (their own name is their value), the three text boxes
    // by theirs; in the language shown, also after a switch.
    void aScreenReaderNamesEachControl()
    {
        storeLanguage(QStringLiteral("1"));
        Form1 *f = startOnPty();
        QVERIFY(f);
        const QList<QWidget *> controls{f->Combo1, f->Combo2, f->Combo3, f->Combo4, f->Combo5, f->Text1, f->Text2, f->Text3};
        const auto check = [&](const QStringList &names) {
            for (qsizetype i = 0; i < controls.size(); ++i) {
                QAccessibleInterface *a = QAccessible::queryAccessibleInterface(controls[i]);
                QStringList said{a->text(QAccessible::Name)};
                for (const auto &label : a->relations(QAccessible::Label))
                    said << label.first->text(QAccessible::Name);
                QVERIFY2(said.contains(names[i]), qPrintable(controls[i]->objectName() + QLatin1String(": ") + said.join(u'|')));
            }
        };
        check({"Port", "Baud Rate", "Parity", "Data Bits", "Stop Bits", "Transmit", "Recived", "Message counter"});
        if (QTest::currentTestFailed())
            return;
        f->mnuRus->trigger();
        check({"Порт", "Скорость", "Четность", "Инфо биты", "Стоп биты", "Сообщения для отправки", "Принятые сообщения",
               "Счетчик сообщений"});
    }

    // The Options window as its load makes it: in the language of the moment
    // and on the tab last stored.
    void optionsWindowFollowsTheLanguage()
    {
        if (!optionsWindowHasCaptions())
            QSKIP("The Options window of this build is made without captions of its own.");
        writeSetting("Parametr", "SSTab1", "2");
        Form1 *f = startOnPty();
        QVERIFY(f);
        Form2 *o = windows().form2();
        QCOMPARE(o->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(o->SSTab1->tabText(0), QStringLiteral("Strings"));
        QCOMPARE(o->SSTab1->tabText(3), QStringLiteral("Other"));
        QCOMPARE(o->Check4->text(), QStringLiteral("View Size*"));
        QCOMPARE(o->Frame5->title(), QStringLiteral("Buffers"));
        QCOMPARE(o->Label6->text(), kTimeoutWarning);
        QCOMPARE(o->SSTab1->currentIndex(), 2);

        f->mnuRus->trigger();
        o = windows().form2();
        QCOMPARE(o->windowTitle(), QStringLiteral("Параметры"));
        QCOMPARE(o->SSTab1->tabText(0), QStringLiteral("Строки"));
        QCOMPARE(o->SSTab1->tabText(2), QStringLiteral("Проверки"));
        QCOMPARE(o->Check4->text(), QStringLiteral("Отображать размер*"));
        QCOMPARE(o->Check7->text(), QStringLiteral("Отображать размер строки*"));
        QCOMPARE(o->Command3->text(), QStringLiteral("Применить"));
        QCOMPARE(o->Label6->text(), kTimeoutWarning);
        QCOMPARE(o->SSTab1->currentIndex(), 2);

        // Shown from the main window it opens on the same tab.
        f->Command4->click();
        o = windows().form2();
        QVERIFY(o->isVisible());
        QCOMPARE(o->SSTab1->currentIndex(), 2);
        QCOMPARE(o->Check4->text(), QStringLiteral("Отображать размер*"));
    }

    void aboutDialog()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);

        // Help > Help has no action.
        f->mnuHelp->trigger();
        QVERIFY(!windows().hasDialog());
        QVERIFY(f->isEnabled());

        f->mnuAbout->trigger();
        Dialog *d = windows().dialog();
        QCOMPARE(d->windowTitle(), QStringLiteral("About"));
        QCOMPARE(d->Label1->text(), Dialog::englishText());
        QVERIFY(d->isWindow());
        QVERIFY(d->windowFlags().testFlag(Qt::Dialog));
        QCOMPARE(d->size(), QSize(twips(5325), twips(1740)));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        QVERIFY(d->Label1->wordWrap());
        // The description and the author line fit the label, inside the
        // dialog, in both languages.
        QVERIFY(QRect(QPoint(), d->size()).contains(d->Label1->geometry()));
        for (const QString &text : {Dialog::englishText(), Dialog::russianText()}) {
            QLabel probe(text);
            probe.setWordWrap(true);
            probe.setFont(d->Label1->font());
            QVERIFY2(probe.heightForWidth(d->Label1->width()) <= d->Label1->height(), qPrintable(text));
        }
        QCOMPARE(d->OKButton->geometry(), twipsRect(2040, 1200, 1215, 375));
        QVERIFY(!f->isEnabled());

        // Closed from its frame: as OK.
        QPointer<Dialog> closed = d;
        d->close();
        QVERIFY(f->isEnabled());
        QVERIFY(!windows().hasDialog());
        processDeferredDeletes();
        QVERIFY(closed.isNull());

        // Shown again, it is made afresh and takes the input again.
        f->mnuAbout->trigger();
        QVERIFY(windows().dialog()->isVisible());
        QVERIFY(!f->isEnabled());
        QTest::mouseClick(windows().dialog()->OKButton, Qt::LeftButton);
        QVERIFY(f->isEnabled());
        QVERIFY(!windows().hasDialog());

        f->mnuRus->trigger();
        f->mnuAbout->trigger();
        QCOMPARE(windows().dialog()->Label1->text(), Dialog::russianText());
        QVERIFY(Dialog::russianText().startsWith(kRussianAbout + QLatin1Char('\n')));
        windows().dialog()->close();
        QVERIFY(f->isEnabled());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // The messages the core composes follow the interface language as the
    // captions do: English as written, Russian from the program's table.
    void messagesFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("port, Russian") << "0" << "port" << "не удается открыть:";
        QTest::newRow("port, English") << "1" << "port" << "cannot be opened:";
        QTest::newRow("file, Russian") << "0" << "file" << "Не удается открыть \"";
        QTest::newRow("file, English") << "1" << "file" << "Cannot open \"";
        QTest::newRow("loss, Russian") << "0" << "loss" << "перестал работать и закрыт";
        QTest::newRow("loss, English") << "1" << "loss" << "stopped working and has been closed";
        QTest::newRow("send, Russian") << "0" << "send" << "Пробел в позиции 2 разрывает байт.";
        QTest::newRow("send, English") << "1" << "send" << "The blank at position 2 splits a byte.";
    }
    void messagesFollowTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        storeLanguage(language);
        useStoredLanguage();
        QString message;
        if (kind == QLatin1String("loss")) {
            Pty device;
            mapPort(1, device.slavePath());
            MSComm port;
            port.setPortOpen(true);
            QSignalSpy lost(&port, &MSComm::deviceLost);
            device.closeMaster();
            QTRY_COMPARE(lost.count(), 1);
            message = lost.first().first().toString();
        } else {
            try {
                if (kind == QLatin1String("port")) {
                    mapPort(1, QStringLiteral("/nonexistent/ttyKestrum"));
                    MSComm port;
                    port.setPortOpen(true);
                } else if (kind == QLatin1String("send")) {
                    sendBytes(QStringLiteral("0 1"), SendMode::Hex);
                } else {
                    Progress progress;
                    readDocumentBackward(QStringLiteral("/nonexistent/kestrum.txt"), progress, [](const QByteArray &) {});
                }
                QFAIL("no error");
            } catch (const Error &e) {
                message = e.description();
            }
        }
        QVERIFY2(message.contains(expected), qPrintable(message));
    }
};

KESTRUM_TEST_MAIN(LanguageTest)
#include "test_language.moc"
