#pragma once
#include <QObject>
#include <QString>

class QAction;

namespace kestrum {

class ReceivedBox;
class ReceivedStore;
class Searcher;
class Windows;
struct SearchHit;

// Finding in the received box: Edit > Find, Find Next (F3), Find Previous
// (Shift+F3), and what the Find window asks for. The search runs on the
// searcher's worker; its answers come back here and are shown in the box
// (the match selected) and in the Find window (counts, faults).
class FindActions : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QAction *find;      // mnuFind
        QAction *findNext;  // mnuFindNext
        QAction *findPrev;  // mnuFindPrev
        ReceivedBox *receivedBox;  // Text2
    };
    FindActions(const Controls &controls, ReceivedStore &document, Windows &windows, QObject *parent);

    void mnuFind_Click();
    void mnuFindNext_Click();
    void mnuFindPrev_Click();
    // The next match of the last search, in its direction or the other
    // way; its text and options are the stored ones.
    void findNext(bool reverse);
    // Every match of the last search, and where the selected one stands.
    void countMatches();
    void stopSearch();

private:
    void showFindStatus(const QString &text);
    void matchFound(const SearchHit &hit, bool wrapped);
    // The selection, when it is the match found last.
    bool lastMatchSelected(qsizetype *start, qsizetype *end) const;

    Controls m_ui;
    Windows &m_windows;
    // Finds in the received document on a worker thread.
    Searcher *m_searcher;
    // The match found last, as distances from the end of the document
    // (which messages put in front do not change); -1 when none.
    qsizetype m_matchTail = -1;
    qsizetype m_matchLength = 0;
};

} // namespace kestrum
