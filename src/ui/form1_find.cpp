// Finding in the received box: Edit > Find, F3 and Shift+F3. The search
// runs on the searcher's worker; its answers come back here and are shown in
// the box (the match selected) and in the Find window (counts, faults).
#include "ui/form1.h"
#include "ui/captions.h"
#include "ui/finddialog.h"
#include "ui/receivedbox.h"
#include "ui/windows.h"
#include "core/searcher.h"
#include "core/settingkeys.h"
#include "platform/guard.h"
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>

namespace kestrum {

namespace {

// The last search as the store keeps it, for the window and F3 alike.
SearchPattern storedPattern()
{
    return SearchPattern(readSetting(Setting::FindText), readSetting(Setting::FindMatchCase) == QLatin1String("1"),
                         readSetting(Setting::FindRegExp) == QLatin1String("1"));
}

// Counts as the interface's language writes them: "1,204" or "1 204".
QString number(qsizetype n)
{
    const QLocale locale = englishInterface() ? QLocale(QLocale::English, QLocale::UnitedStates)
                                              : QLocale(QLocale::Russian, QLocale::Russia);
    return locale.toString(qlonglong(n));
}

} // namespace

void Form1::connectSearcher()
{
    connect(searcher, &Searcher::found, this, [this](const SearchHit &hit, bool wrapped) { matchFound(hit, wrapped); });
    connect(searcher, &Searcher::notFound, this, [this] {
        showFindStatus(QCoreApplication::translate("Find", "Not found"));
        if (!windows().hasFindWindow())
            QApplication::beep();
    });
    connect(searcher, &Searcher::progress, this,
            [this](int percent) { showFindStatus(QCoreApplication::translate("Find", "Searching... %1%").arg(percent)); });
}

void Form1::showFindStatus(const QString &text)
{
    if (windows().hasFindWindow())
        windows().findWindow()->showStatus(text);
}

bool Form1::lastMatchSelected(qsizetype *start, qsizetype *end) const
{
    const qsizetype size = Text2->textLength();
    if (m_matchTail < 0 || m_matchTail > size || !Text2->hasSelection() || Text2->cursorPosition() != size - m_matchTail)
        return false;
    *end = size - m_matchTail;
    *start = std::max<qsizetype>(0, *end - m_matchLength);
    return true;
}

void Form1::matchFound(const SearchHit &hit, bool wrapped)
{
    Text2->setCursorPosition(hit.pos);
    Text2->setCursorPosition(hit.end(), true);
    m_matchTail = Text2->textLength() - hit.end();
    m_matchLength = hit.length;
    const bool up = readSetting(Setting::FindUp) == QLatin1String("1");
    showFindStatus(!wrapped ? QString()
                   : up     ? QCoreApplication::translate("Find", "Continued from the bottom")
                            : QCoreApplication::translate("Find", "Continued from the top"));
}

void Form1::findNext(bool reverse)
{
    guarded([&] {
        const SearchPattern pattern = storedPattern();
        if (!pattern.isValid()) {
            // Nothing to look for yet, or an expression that does not
            // compile: the Find window says which.
            mnuFind_Click();
            showFindStatus(pattern.text().isEmpty()
                               ? QCoreApplication::translate("Find", "Type the text to find")
                               : QCoreApplication::translate("Find", "Invalid regular expression (at %1): %2")
                                     .arg(pattern.errorOffset() + 1)
                                     .arg(pattern.errorString()));
            return;
        }
        const bool up = (readSetting(Setting::FindUp) == QLatin1String("1")) != reverse;
        qsizetype start = 0, end = 0;
        if (!lastMatchSelected(&start, &end))
            start = end = Text2->cursorPosition();
        showFindStatus(QCoreApplication::translate("Find", "Searching..."));
        Text2->setMarks(pattern);
        searcher->find(pattern, up ? start : end, up ? SearchDirection::Up : SearchDirection::Down);
    });
}

void Form1::countMatches()
{
    guarded([&] {
        const SearchPattern pattern = storedPattern();
        if (!pattern.isValid()) {
            findNext(false);
            return;
        }
        qsizetype start = -1, end = 0;
        const bool marked = lastMatchSelected(&start, &end);
        disconnect(searcher, &Searcher::counted, this, nullptr);
        connect(searcher, &Searcher::counted, this, [this, marked](qsizetype total, qsizetype upToMark) {
            showFindStatus(marked && upToMark > 0
                               ? QCoreApplication::translate("Find", "%1 of %2").arg(number(upToMark), number(total))
                               : QCoreApplication::translate("Find", "Matches: %1").arg(number(total)));
        });
        showFindStatus(QCoreApplication::translate("Find", "Searching..."));
        searcher->count(pattern, marked ? start : -1);
    });
}

void Form1::stopSearch() { searcher->cancel(); }

void Form1::mnuFind_Click()
{
    guarded([&] {
        FindWindow *d = windows().findWindow();
        d->show();
        d->raise();
        d->activateWindow();
        d->Text1->setFocus();
        d->Text1->selectAll();
    });
}

void Form1::mnuFindNext_Click() { findNext(false); }

void Form1::mnuFindPrev_Click() { findNext(true); }

} // namespace kestrum
