// The interface translator. Russian is the windows' source language and
// English that of the messages the core composes; the English table
// (translations/kestrum_en.ts) holds the captions' English, the Russian one
// (kestrum_ru.ts) the messages' Russian. Both are compiled into the
// program's resources, so an installed program needs no file beside it.
#include "ui/common/captions.h"
#include "core/numbers.h"
#include "core/settingkeys.h"
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTranslator>
#include <QWidget>
#include <atomic>

namespace kestrum {

namespace {

// Installed once and then switched between languages rather than installed
// and removed: installing a translator re-captions every window of the
// program, while a switch must reach only the window that makes the
// decision (a window keeps its captions until its own load, also after the
// store was cleared).
class InterfaceTranslator : public QTranslator {
public:
    explicit InterfaceTranslator(QObject *parent) : QTranslator(parent)
    {
        if (!english.load(QStringLiteral(":/i18n/kestrum_en.qm")))
            qWarning("The English captions are missing from the program's resources.");
        if (!russian.load(QStringLiteral(":/i18n/kestrum_ru.qm")))
            qWarning("The Russian messages are missing from the program's resources.");
    }

    // A text missing from the table in use is shown as written in the
    // source, so a caption stays Russian and a message English.
    QString translate(const char *context, const char *source, const char *disambiguation, int n) const override
    {
        return (useEnglish ? english : russian).translate(context, source, disambiguation, n);
    }
    bool isEmpty() const override { return false; }

    // Read also by work threads that compose a message.
    std::atomic<bool> useEnglish{false};
    QTranslator english;
    QTranslator russian;
};

InterfaceTranslator *interfaceTranslator()
{
    static QPointer<InterfaceTranslator> translator;
    if (!translator && QCoreApplication::instance()) {
        translator = new InterfaceTranslator(QCoreApplication::instance());
        QCoreApplication::installTranslator(translator);
    }
    return translator;
}

} // namespace

bool englishInterface()
{
    // A value that is not a number is nobody's choice: it counts as missing,
    // and missing means English.
    try {
        return toNumber(readSetting(Setting::Language)) == 1;
    } catch (const std::exception &) {
        return true;
    }
}

bool useStoredLanguage()
{
    const bool english = englishInterface();
    if (InterfaceTranslator *t = interfaceTranslator())
        t->useEnglish = english;
    return english;
}

void applyCaptions(QWidget *window)
{
    useStoredLanguage();
    if (!window)
        return;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(window, &change);
}

QString englishCaption(const char *context, const char *source)
{
    const InterfaceTranslator *t = interfaceTranslator();
    const QString text = t ? t->english.translate(context, source) : QString();
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

} // namespace kestrum
