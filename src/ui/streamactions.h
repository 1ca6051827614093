#pragma once
#include "ui/linelook.h"
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace kestrum {

class FilterWindow;
class HighlightsWindow;
class ReceivedStore;

// The View menu's items for reading a live stream: Colours (the escape
// sequences' colours in the received box), Highlights (the rules and their
// window) and Filter (the window of matching lines). The look they make is
// handed to the received box through lookChanged; the box's document is
// only read.
class StreamActions : public QObject {
    Q_OBJECT
public:
    StreamActions(QMenu *viewMenu, const ReceivedStore &store, QWidget *window);
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

signals:
    void lookChanged(const kestrum::LineLook &look);
    // A line chosen in the filter window, to be shown and selected.
    void showLine(qsizetype lineStart);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setRules(const std::vector<HighlightRule> &rules);

    const ReceivedStore &m_store;
    QWidget *m_window;
    LineLook m_look;
    QPointer<FilterWindow> m_filter;
    QPointer<HighlightsWindow> m_highlights;
};

} // namespace kestrum
