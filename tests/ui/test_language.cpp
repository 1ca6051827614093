// The interface language: the stored choice, the Language menu, the caption
// tables of every window, and Help > About.
#include "ui/common/controls.h"
#include "ui/main/form1.h"
#include "ui/actions/documentactions.h"
#include "ui/main/exitcheck.h"
#include "ui/main/windows.h"
#include "ui/dialogs/savechangesprompt.h"
#include "ui/common/captions.h"
#include "ui/dialogs/aboutdialog.h"
#include "ui/dialogs/clearsettingsdialog.h"
#include "ui/dialogs/warningdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "ui/dialogs/finddialog.h"
#include "ui/dialogs/portswindow.h"
#include "ui/received/receivedbox.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include "core/sending/sendbytes.h"
#include "core/settings/settings.h"
#include "core/document/textfile.h"
#include "support/controls.h"
#include "support/programtest.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QAccessible>
#include <QAction>
#include <QToolButton>
#include <QFile>
#include <QAbstractButton>
#include <QXmlStreamReader>
#include <QTranslator>
#include <QTemporaryDir>
#include <QProcess>
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
    Form1 *main = windows().mainWindow();
    auto d = std::make_unique<Dialog4>(windows(), main->documents(), main->exitCheck());
    d->setWindowTitle(QStringLiteral("Kestrum"));
    d->Label1 = new QLabel(QStringLiteral("Сохранить изменения?"), d.get());
    d->OKButton = new QPushButton(QStringLiteral("Да"), d.get());
    d->CancelButton = new QPushButton(QStringLiteral("Нет"), d.get());
    d->Command1 = new QPushButton(QStringLiteral("Отмена"), d.get());
    return d;
}

// Every caption a window shows, by object name ("title" for the window's,
// "tabN" for a tab's): its frames, buttons, labels, menus and menu items,
// not those of the windows made with it as parent.
QMap<QString, QString> captionsOf(QWidget *window)
{
    QMap<QString, QString> c;
    c[QStringLiteral("title")] = window->windowTitle();
    for (QObject *o : window->findChildren<QObject *>()) {
        // Qt's own parts (the menu bar's extension button) are not the window's.
        if (o->objectName().isEmpty() || o->objectName().startsWith(QLatin1String("qt_")) || !belongsTo(o, window))
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(o))
            for (int i = 0; i < tabs->count(); ++i)
                c[QStringLiteral("tab%1").arg(i)] = tabs->tabText(i);
        else if (auto *g = qobject_cast<QGroupBox *>(o))
            c[g->objectName()] = g->title();
        else if (auto *b = qobject_cast<QAbstractButton *>(o))
            c[b->objectName()] = b->text();
        else if (auto *l = qobject_cast<QLabel *>(o))
            c[l->objectName()] = l->text();
        else if (auto *m = qobject_cast<QMenu *>(o))
            c[m->objectName()] = m->title();
        else if (auto *a = qobject_cast<QAction *>(o))
            c[a->objectName()] = a->text();
    }
    return c;
}

// The captions of the main and Options windows as they were drawn, letter
// for letter in both languages, misspellings included: a correction of one
// would be a fault.
struct Caption {
    const char *window;
    const char *name;
    const char *russian;
    const char *english;
};
const Caption kCaptions[] = {
    {"Form1", "title", "Kestrum V1.01 for MC", "Kestrum V1.01 for MC"},
    {"Form1", "mnuLng", "Язык/Language", "Язык/Language"},
    {"Form1", "mnuRus", "Русский/Russian", "Руссский/Russian"},
    {"Form1", "mnuEng", "Английский/English", "Английский/English"},
    {"Form1", "mnuFile", "Файл", "File"},
    {"Form1", "mnuOpenBlocknot", "Открыть (Блокнот)...", "Open (Blocknot)..."},
    {"Form1", "mnuSave_as", "Сохранить как...", "Save As..."},
    {"Form1", "mnuSpravka", "Справка", "Help"},
    {"Form1", "mnuHelp", "Помощь", "Help"},
    {"Form1", "mnuAbout", "О программе", "About"},
    {"Form1", "Label2", "Скорость", "Baud Rate"},
    {"Form1", "Label6", "Сообщения для отправки", "Transmit"},
    {"Form1", "Label7", "Принятые сообщения", "Recived"},
    {"Form1", "Command3", "Открыть порт", "Open Port"},
    {"Form1", "Command4", "Параметры...", "Options..."},
    {"Form1", "Frame1", "Установки", "Settings"},
    {"Form2", "title", "Параметры", "Options"},
    {"Form2", "tab0", "Строки", "Strings"},
    {"Form2", "tab1", "Авто", "Auto"},
    {"Form2", "tab2", "Проверки", "Checking"},
    {"Form2", "tab3", "Другие", "Other"},
    {"Form2", "Check1", "Отображать отправленные строки", "View strings sendind"},
    {"Form2", "Check4", "Отображать размер*", "View Size*"},
    {"Form2", "Check7", "Отображать размер строки*", "View Size*"},
    {"Form2", "Frame2", "Принятые строки", "Recieved strings"},
    {"Form2", "Label7", "*Размер строки отображается как для кодировки ANSI", "*For ANSI"},
    {"Form2", "Frame3", "Параметры автосохранения", "Parametres"},
    {"Form2", "Command4", "Обзор", "View"},
    {"Form2", "Check9", "Включить проверку длины отправленных строк", "Check long sending strings ON"},
    {"Form2", "Label2", "Максимальный размер отправляемого сообщения в кодировке ANSI", "Max long sending strings"},
    {"Form2", "Label5", "Таймаут для принятых сообщений, мс", "Timeout for recieved strings, ms"},
    {"Form2", "Label3", "Размер буфера входящих сообщений", "Buffer InSize"},
    {"Form2", "Frame5", "Буферы", "Buffers"},
    {"Form2", "Frame6", "Аппаратные настройки COM", "Hardware"},
    {"Form2", "Check11", "RTSE Enable", "RTSE Enable"},
    {"Form2", "Command5", "Очистить реестр", "Clear reestre"},
    {"Form2", "Command2", "Отмена", "Cancel"},
    {"Form2", "Command3", "Применить", "Go"},
};

// The window shows the captions of the table in the language.
void checkCaptions(QWidget *window, const char *name, bool english)
{
    const QMap<QString, QString> shown = captionsOf(window);
    for (const Caption &c : kCaptions) {
        if (qstrcmp(c.window, name) != 0)
            continue;
        QVERIFY2(shown.contains(QLatin1String(c.name)), c.name);
        QCOMPARE(shown.value(QLatin1String(c.name)), QString::fromUtf8(english ? c.english : c.russian));
    }
}

// Whether the Options window of this build is made with its own captions.
bool optionsWindowHasCaptions()
{
    Form1 main;
    Form2 probe(main.windows(), main.session());
    return !probe.Check1->text().isEmpty();
}

void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class LanguageTest : public ProgramTest {
    Q_OBJECT

    void checkMainWindowEnglish(Form1 *f) { checkCaptions(f, "Form1", true); }

    void checkMainWindowRussian(Form1 *f) { checkCaptions(f, "Form1", false); }

    // Shows About from the menu, checks its captions, and leaves with OK.
    void checkAbout(Form1 *f, bool english)
    {
        action(f, "mnuAbout")->trigger();
        QVERIFY(windows().hasAboutBox());
        Dialog *d = windows().aboutBox();
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
        QVERIFY(!windows().hasAboutBox());
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
        QCOMPARE(autosaveLine(f)->text(), english ? QStringLiteral("Autosave in: ") : QStringLiteral("Автосохранение в: "));
        checkAbout(f, english);

        Form2 options(f->windows(), f->session());
        options.SSTab1->setCurrentIndex(2);
        const QMap<QString, QString> before = captionsOf(&options);
        applyCaptions(&options);
        QMap<QString, QString> after = captionsOf(&options);
        QCOMPARE(options.SSTab1->currentIndex(), 2);
        QCOMPARE(after.value("Label6"), before.value("Label6"));
        QCOMPARE(after.value("Label1"), before.value("Label1"));
        checkCaptions(&options, "Form2", english);
        if (!english) {
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
        QCOMPARE(autosaveLine(f)->text(), QStringLiteral("Autosave in: ") + path);

        QPointer<Form2> oldOptions = windows().optionsWindow();
        action(f, "mnuRus")->trigger();
        QCOMPARE(storedLanguage(), QStringLiteral("0"));
        checkMainWindowRussian(f);
        QCOMPARE(autosaveLine(f)->text(), QStringLiteral("Автосохранение в: ") + path);
        // The Options window was made again, hidden, for the new language.
        QVERIFY(windows().hasOptionsWindow());
        QVERIFY(windows().optionsWindow() != oldOptions.data());
        QVERIFY(!windows().optionsWindow()->isVisible());
        processDeferredDeletes();
        QVERIFY(oldOptions.isNull());
        QVERIFY(!action(f, "mnuRus")->isCheckable());
        QVERIFY(!action(f, "mnuEng")->isCheckable());

        f = startOnPty();
        QVERIFY(f);
        checkMainWindowRussian(f);
        QCOMPARE(autosaveLine(f)->text(), QStringLiteral("Автосохранение в: ") + path);
        checkAbout(f, false);

        action(f, "mnuEng")->trigger();
        QCOMPARE(storedLanguage(), QStringLiteral("1"));
        checkMainWindowEnglish(f);
        QCOMPARE(autosaveLine(f)->text(), QStringLiteral("Autosave in: ") + path);
        checkAbout(f, true);

        // Choosing the language already shown changes nothing but the store.
        action(f, "mnuEng")->trigger();
        checkMainWindowEnglish(f);
        QVERIFY(!action(f, "mnuRus")->isCheckable());
        QVERIFY(!action(f, "mnuEng")->isCheckable());
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
        windows().unloadOptionsWindow();
        QCOMPARE(windows().optionsWindow()->Label1->text(), QStringLiteral("Autosave in: "));
        checkMainWindowRussian(f);

        action(f, "mnuRus")->trigger();
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
        button(f, "Command4")->click();
        Form2 *o = windows().optionsWindow();
        QVERIFY(o->isVisible());
        deleteAllSettings();
        windows().showWarning();
        QCoreApplication::processEvents();
        QCOMPARE(windows().warning()->windowTitle(), QStringLiteral("Warning"));
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
        const QList<QWidget *> controls{list(f, "Combo1"), list(f, "Combo2"), list(f, "Combo3"), list(f, "Combo4"), list(f, "Combo5"),
                                        sendBox(f), receivedBox(f), messageCounter(f)};
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
        action(f, "mnuRus")->trigger();
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
        Form2 *o = windows().optionsWindow();
        checkCaptions(o, "Form2", true);
        QCOMPARE(o->Label6->text(), kTimeoutWarning);
        QCOMPARE(o->SSTab1->currentIndex(), 2);

        action(f, "mnuRus")->trigger();
        o = windows().optionsWindow();
        checkCaptions(o, "Form2", false);
        QCOMPARE(o->Label6->text(), kTimeoutWarning);
        QCOMPARE(o->SSTab1->currentIndex(), 2);

        // Shown from the main window it opens on the same tab.
        button(f, "Command4")->click();
        o = windows().optionsWindow();
        QVERIFY(o->isVisible());
        QCOMPARE(o->SSTab1->currentIndex(), 2);
        QCOMPARE(o->Check4->text(), QStringLiteral("Отображать размер*"));
    }

    void aboutDialog()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);

        // Help > Help has no action.
        action(f, "mnuHelp")->trigger();
        QVERIFY(!windows().hasAboutBox());
        QVERIFY(f->isEnabled());

        action(f, "mnuAbout")->trigger();
        Dialog *d = windows().aboutBox();
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
        QVERIFY(!windows().hasAboutBox());
        processDeferredDeletes();
        QVERIFY(closed.isNull());

        // Shown again, it is made afresh and takes the input again.
        action(f, "mnuAbout")->trigger();
        QVERIFY(windows().aboutBox()->isVisible());
        QVERIFY(!f->isEnabled());
        QTest::mouseClick(windows().aboutBox()->OKButton, Qt::LeftButton);
        QVERIFY(f->isEnabled());
        QVERIFY(!windows().hasAboutBox());

        action(f, "mnuRus")->trigger();
        action(f, "mnuAbout")->trigger();
        QCOMPARE(windows().aboutBox()->Label1->text(), Dialog::russianText());
        QVERIFY(Dialog::russianText().startsWith(kRussianAbout + QLatin1Char('\n')));
        windows().aboutBox()->close();
        QVERIFY(f->isEnabled());
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // Whatever a window shows in Russian it shows in English as the English
    // table gives it (a caption the table has no English for stays Russian):
    // no control is left out when a window changes its language.
    void everyCaptionFollowsTheEnglishTable()
    {
        storeLanguage(QStringLiteral("0"));
        Form1 *f = startOnPty();
        QVERIFY(f);
        const QList<QPointer<QWidget>> shown = {
            f, windows().optionsWindow(), windows().aboutBox(), windows().findWindow(), windows().portsWindow(),
            windows().clearSettingsPrompt(), windows().warning(), windows().savePrompt()};
        QList<QMap<QString, QString>> russian;
        for (QWidget *w : shown)
            russian << captionsOf(w);
        storeLanguage(QStringLiteral("1"));
        for (int i = 0; i < shown.size(); ++i) {
            QWidget *w = shown.at(i);
            QVERIFY(w);
            applyCaptions(w);
            const char *context = w->metaObject()->className();
            QMap<QString, QString> english = captionsOf(w);
            QCOMPARE(english.keys(), russian.at(i).keys());
            // The autosave lines are made of their prefix and the file.
            if (w == f)
                english.remove(QStringLiteral("Label8"));
            if (w == windows().optionsWindow())
                english.remove(QStringLiteral("Label1"));
            // Buttons, frames and menus have a caption in either language.
            for (QObject *o : w->findChildren<QObject *>()) {
                // (A tab bar's scroll arrows are tool buttons without words.)
                const bool captioned = (qobject_cast<QAbstractButton *>(o) && !qobject_cast<QToolButton *>(o))
                                       || qobject_cast<QGroupBox *>(o)
                                       || qobject_cast<QMenu *>(o) || qobject_cast<QAction *>(o);
                if (captioned && english.contains(o->objectName()))
                    QVERIFY2(!english.value(o->objectName()).isEmpty(), qPrintable(o->objectName()));
            }
            for (auto c = english.cbegin(); c != english.cend(); ++c) {
                const QString source = russian.at(i).value(c.key());
                QVERIFY2(c.value() == englishCaption(context, source.toUtf8().constData()),
                         qPrintable(QStringLiteral("%1 %2: \"%3\" for \"%4\"")
                                        .arg(QLatin1String(context), c.key(), c.value(), source)));
            }
        }
    }

    // Every text of the sources has both languages in the tables built into
    // the program: a caption its English (unless it is marked as staying
    // Russian), a message its Russian.
    void everyTextHasBothLanguages()
    {
        QTemporaryDir dir;
        const QString found = dir.filePath(QStringLiteral("found.ts"));
        QProcess lupdate;
        lupdate.start(QStringLiteral(KESTRUM_LUPDATE),
                      {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral(KESTRUM_SOURCE_DIR "/src"), QStringLiteral("-ts"), found});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        QTranslator english, russian;
        QVERIFY(english.load(QStringLiteral(":/i18n/kestrum_en.qm")));
        QVERIFY(russian.load(QStringLiteral(":/i18n/kestrum_ru.qm")));
        QFile file(found);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context, source, note;
        int captions = 0, messages = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == QLatin1String("extracomment"))
                note = xml.readElementText();
            else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
                const QByteArray c = context.toUtf8(), s = source.toUtf8();
                const bool caption = context.startsWith(QLatin1String("kestrum::"));
                const QString other = (caption ? english : russian).translate(c.constData(), s.constData());
                const bool staysRussian = note.contains(QLatin1String("Has no English text"));
                QVERIFY2(other.isEmpty() == (caption && staysRussian), qPrintable(context + QLatin1String(": ") + source));
                ++(caption ? captions : messages);
                note.clear();
            }
        }
        QVERIFY(!xml.hasError());
        QVERIFY(captions > 100 && messages > 100);
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
