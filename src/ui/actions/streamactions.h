#pragma once
#include "ui/stream/linelook.h"
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace kestrum {

class FilterWindow;
class HighlightsWindow;
class ReceivedBox;
class ReceivedStore;

// The View menu's items for reading a live stream: Colours (the escape
// sequences' colours in the received box), Highlights (the rules and their
// window) and Filter (the window of matching lines). The look they make is
// handed to the received box; its document is only read, a line chosen in
// the filter window is selected in it.
class StreamActions : public QObject {
    Q_OBJECT
public:
    StreamActions(QMenu *viewMenu, ReceivedBox *box, QWidget *window);
    ~StreamActions() override;

    QAction *mnuColours;
    QAction *mnuHighlights;
    QAction *mnuFilter;

    const LineLook &look() const { return m_look; }
    // Made when first asked for.
    FilterWindow *filterWindow();
    HighlightsWindow *highlightsWindow();

    void mnuColours_Click();
    void mnuHighlights_Click();
    void mnuFilter_Click();
    void retranslate();

public slots:
    // The session put messages in front of the document.
    void documentGrew();
    // The document changed otherwise (Open, Clear, an edit).
    void documentChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setRules(const std::vector<HighlightRule> &rules);
    void lookChanged();
    // A line chosen in the filter window: shown and selected in the box.
    void showLine(qsizetype lineStart);

    ReceivedBox *m_box;
    const ReceivedStore &m_store;
    QWidget *m_window;
    LineLook m_look;
    QPointer<FilterWindow> m_filter;
    QPointer<HighlightsWindow> m_highlights;
};

} // namespace kestrum
