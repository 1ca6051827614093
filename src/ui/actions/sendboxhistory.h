#pragma once
#include "core/sending/sendhistory.h"
#include <QObject>

class QMenu;
class QPlainTextEdit;

namespace kestrum {

// The history of the send box: Ctrl+Up and Ctrl+Down step through the texts
// sent (plain Up and Down still move the caret), and the box's context menu
// lists them. A text taken from the history is only put in the box: nothing
// goes out before Send.
class SendBoxHistory : public QObject {
    Q_OBJECT
public:
    explicit SendBoxHistory(QPlainTextEdit *box);

    // The box's text was sent (line breaks as CR LF).
    void sent(const QString &text);
    // Puts a text of the history in the box, undoably.
    void show(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void contextMenu(const QPoint &at);

    QPlainTextEdit *m_box;
    HistorySteps m_steps;
};

} // namespace kestrum
