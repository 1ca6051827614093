#pragma once
#include "ui/stream/linelook.h"
#include "ui/common/recaptioned.h"
#include <QAbstractScrollArea>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kestrum {

class LineFilter;
class ReceivedStore;

// The filter window's list (Text2): the lines the filter found, newest
// first as in the received box, each drawn from the document when it comes
// into view, so that a million of them cost no more to show than ten.
class FilterView : public QAbstractScrollArea {
    Q_OBJECT
public:
    FilterView(const ReceivedStore &store, const LineFilter &filter, QWidget *parent = nullptr);

    void setLook(const LineLook &look);
    // The row chosen (-1: none) and the whole list selected (Select All).
    qsizetype currentRow() const { return m_current; }
    void setCurrentRow(qsizetype row);
    bool allSelected() const { return m_all; }
    // The text shown of a row; of every row, LF between, for Copy.
    QString rowText(qsizetype row) const;
    QString selectedText() const;
    void copy() const;

    // The filter's lines changed: rows come in above, or all start over.
    void linesChanged(bool restarted);

    qsizetype rowCount() const;
    qsizetype firstShownRow() const;
    // Where a row is drawn in the viewport; empty when out of view.
    QRect rowRect(qsizetype row) const;

signals:
    // A row was chosen (double-click or Enter): where its line begins.
    void chosen(qsizetype lineStart);

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    int rowHeight() const;
    int visibleRows() const;
    qsizetype rowAt(const QPoint &p) const;
    void updateRange();
    void ensureVisible(qsizetype row);
    // Tells a screen reader of a new current row, or of rows starting over.
    void tellReader(bool restarted);

    const ReceivedStore &m_store;
    const LineFilter &m_filter;
    LineLook m_look;
    qsizetype m_current = -1;
    bool m_all = false;
    // The current row and the top one by their lines' distance from the
    // document's end, which new messages do not change: they stay put as
    // rows come in above them.
    qsizetype m_currentDistance = -1, m_topDistance = -1;
    int m_settingScroll = 0;
};

// View > Filter: every line of the received box that matches an
// expression (or, "not matching", that does not), filtered on a worker
// over the whole document and then over each message as it arrives.
class FilterWindow : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    FilterWindow(const ReceivedStore &store, QWidget *parent = nullptr);
    ~FilterWindow() override;

    QLabel *Label1;     // caption of the text box
    QLineEdit *Text1;   // the expression
    QCheckBox *Check1;  // Match case
    QCheckBox *Check2;  // Regular expression
    QCheckBox *Check3;  // Not matching
    QLabel *Label2;     // how many lines, how far, or why it cannot filter
    FilterView *Text2;  // the lines

    const LineFilter &filter() const { return *m_filter; }
    void setLook(const LineLook &look) { Text2->setLook(look); }
    // The session put messages in front of the document.
    void documentGrew();
    // The document changed otherwise (Open, Clear, an edit).
    void documentChanged();
    void retranslateUi() override;

signals:
    void chosen(qsizetype lineStart);

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;

private:
    void applyPattern();
    void showCount();

    std::unique_ptr<LineFilter> m_filter;
    QTimer m_typing;
    int m_percent = 0;
    // While hidden the filter stands still; shown again, it starts over.
    bool m_stale = false;
};

} // namespace kestrum
