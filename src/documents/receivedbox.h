#pragma once
#include <QPlainTextEdit>
#include <QString>
#include <QTextLayout>

namespace kestrum {

// The received box. The document is the exact text (CR LF, lone CR or LF,
// NUL, U+0098 kept), newest first; the widget only shows it.
//
// Messages are kept as chunks, newest last, so putting one in front costs
// the same whatever the box already holds; the widget gets only the new
// piece, inserted at its top. When the user edits the box, the document
// follows the edit: it is rebuilt from the widget's text (line breaks as
// CR LF) the next time it is needed.
class ReceivedBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ReceivedBox(QWidget *parent = nullptr);
    ~ReceivedBox() override;

    // The whole document text.
    QString text() const;
    // Replaces the whole document.
    void setText(const QString &text);
    // Puts the text in front of the document.
    void prepend(const QString &text);
    // Empties the document.
    void clearText();
    bool isEmptyText() const;
    // Number of characters of the document.
    qsizetype textLength() const;

    // How a text is shown: NUL, which the widget cannot show, as U+2400.
    static QString displayForm(const QString &text);

protected:
    // Lines longer than the box can show are drawn only where they can be
    // seen (see the definition).
    void paintEvent(QPaintEvent *e) override;

private:
    void paintWithLongLines(QPaintEvent *e);
    void drawLongLine(QPainter *painter, const QTextBlock &block, const QString &text, const QPointF &offset,
                      const QList<QTextLayout::FormatRange> &selections, const QRect &er);
    void onContentsChange(int from, int charsRemoved, int charsAdded);
    void takeTextFromView() const;

    struct Impl;
    Impl *d;
};

} // namespace kestrum
