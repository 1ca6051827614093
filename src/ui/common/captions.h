#pragma once
#include <QCoreApplication>
#include <QString>

class QWidget;

namespace kestrum {

// The interface language, read afresh from the store at every decision:
// exactly 1 means English, any other number Russian, missing means English.
bool englishInterface();

// Points the interface translator at the language now stored and says
// whether that is English. The windows' captions are their Russian source
// texts through tr(); the English table is translations/kestrum_en.ts, built
// into the program. The messages the program composes follow the same
// choice (English source, Russian table translations/kestrum_ru.ts).
bool useStoredLanguage();

// The language step of a window's load: the translator follows the store,
// then the window alone is re-captioned (QEvent::LanguageChange reaches it
// and its controls). Other windows keep their captions until their own load
// or a choice from the Language menu.
void applyCaptions(QWidget *window);

// The main window's captions set by its parts (menus, the line strip) are
// the main window's own: translated in its context, in its table, as
// MainWindowCaptions::tr("...").
struct MainWindowCaptions {
    Q_DECLARE_TR_FUNCTIONS(kestrum::Form1)
};

// The English table's text for a source text, whatever language is in use.
QString englishCaption(const char *context, const char *source);

} // namespace kestrum
