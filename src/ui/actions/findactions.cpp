// Finding in the received box: Edit > Find, F3 and Shift+F3.
#include "ui/actions/findactions.h"
#include "ui/common/captions.h"
#include "ui/dialogs/finddialog.h"
#include "ui/received/receivedbox.h"
#include "ui/main/windows.h"
#include "core/search/searcher.h"
#include "core/settings/settingkeys.h"
#include "platform/guard.h"
#include <QAction>
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

FindActions::FindActions(const Controls &controls, ReceivedStore &document, Windows &windows, QObject *parent)
    : QObject(parent), m_ui(controls), m_windows(windows), m_searcher(new Searcher(document, this))
{
    connect(m_ui.find, &QAction::triggered, this, [this] { mnuFind_Click(); });
    connect(m_ui.findNext, &QAction::triggered, this, [this] { mnuFindNext_Click(); });
    connect(m_ui.findPrev, &QAction::triggered, this, [this] { mnuFindPrev_Click(); });
    connect(m_searcher, &Searcher::found, this,
            [this](const SearchHit &hit, bool wrapped) { matchFound(hit, wrapped); });
    connect(m_searcher, &Searcher::notFound, this, [this] {
        showFindStatus(QCoreApplication::translate("Find", "Not found"));
        if (!m_windows.hasFindWindow())
            QApplication::beep();
    });
    connect(m_searcher, &Searcher::progress, this, [this](int percent) {
        showFindStatus(QCoreApplication::translate("Find", "Searching... %1%").arg(percent));
    });
}

void FindActions::showFindStatus(const QString &text)
{
    if (m_windows.hasFindWindow())
        m_windows.findWindow()->showStatus(text);
}

bool FindActions::lastMatchSelected(qsizetype *start, qsizetype *end) const
{
    const ReceivedBox *box = m_ui.receivedBox;
    const qsizetype size = box->textLength();
    if (m_matchTail < 0 || m_matchTail > size || !box->hasSelection() || box->cursorPosition() != size - m_matchTail)
        return false;
    *end = size - m_matchTail;
    *start = std::max<qsizetype>(0, *end - m_matchLength);
    return true;
}

void FindActions::matchFound(const SearchHit &hit, bool wrapped)
{
    ReceivedBox *box = m_ui.receivedBox;
    box->setCursorPosition(hit.pos);
    box->setCursorPosition(hit.end(), true);
    m_matchTail = box->textLength() - hit.end();
    m_matchLength = hit.length;
    const bool up = readSetting(Setting::FindUp) == QLatin1String("1");
    showFindStatus(!wrapped ? QString()
                   : up     ? QCoreApplication::translate("Find", "Continued from the bottom")
                            : QCoreApplication::translate("Find", "Continued from the top"));
}

void FindActions::findNext(bool reverse)
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
            start = end = m_ui.receivedBox->cursorPosition();
        showFindStatus(QCoreApplication::translate("Find", "Searching..."));
        m_ui.receivedBox->setMarks(pattern);
        m_searcher->find(pattern, up ? start : end, up ? SearchDirection::Up : SearchDirection::Down);
    });
}

void FindActions::countMatches()
{
    guarded([&] {
        const SearchPattern pattern = storedPattern();
        if (!pattern.isValid()) {
            findNext(false);
            return;
        }
        qsizetype start = -1, end = 0;
        const bool marked = lastMatchSelected(&start, &end);
        disconnect(m_searcher, &Searcher::counted, this, nullptr);
        connect(m_searcher, &Searcher::counted, this, [this, marked](qsizetype total, qsizetype upToMark) {
            showFindStatus(marked && upToMark > 0
                               ? QCoreApplication::translate("Find", "%1 of %2").arg(number(upToMark), number(total))
                               : QCoreApplication::translate("Find", "Matches: %1").arg(number(total)));
        });
        showFindStatus(QCoreApplication::translate("Find", "Searching..."));
        m_searcher->count(pattern, marked ? start : -1);
    });
}

void FindActions::stopSearch() { m_searcher->cancel(); }

void FindActions::mnuFind_Click()
{
    guarded([&] {
        FindWindow *d = m_windows.findWindow();
        d->show();
        d->raise();
        d->activateWindow();
        d->Text1->setFocus();
        d->Text1->selectAll();
    });
}

void FindActions::mnuFindNext_Click() { findNext(false); }

void FindActions::mnuFindPrev_Click() { findNext(true); }

} // namespace kestrum
