#pragma once
#include "core/document/hexview.h"
#include "core/document/receivedstore.h"
#include "ui/stream/linelook.h"
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPointer>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <optional>
#include <vector>


namespace kestrum {

class LongWork;
class SearchPattern;
struct SearchHit;

// The received box: a text box over the received document. The document is
// kept by a ReceivedStore; the box draws only the lines in view, and of a
// long line only the part in view, so neither a long log nor a fast line
// makes showing a message dearer.
//
// It is edited like any text box (caret, selection by mouse and keys,
// clipboard, typing, undo of the user's own edits); edits change the
// document. A burst of messages put in front between two paints is shown by
// one paint. When the first line is in view, the newest message stays in
// view; otherwise the lines the user is reading stay where they are.
class ReceivedBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReceivedBox(QWidget *parent = nullptr);
    // Shows a document kept by someone else (the session), which tells the
    // box through storeGrew() when it puts lines in front; a big copy runs
    // as the window's long work, one at a time with its others.
    ReceivedBox(ReceivedStore &store, LongWork &longWork, QWidget *parent = nullptr);
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

    const ReceivedStore &store() const { return m_store; }

    // The hex view: each line shown as its bytes (see hexview.h). The
    // document stays as it is; the box cannot be typed into meanwhile.
    void setHexView(bool on);
    bool isHexView() const { return m_hex; }

    // The colours of escape sequences and the highlight rules. The document
    // stays as it is; with colours on, what is shown, selected and copied is
    // the text without the sequences.
    void setLook(const LineLook &look);
    const LineLook &look() const { return m_look; }

    // How a text is shown: NUL, which has no glyph, as U+2400.
    static QString displayForm(const QString &text);

    // The most characters assistive technology is handed at once: what a
    // change tells, what it gets when it asks for the whole text.
    static constexpr qsizetype kReaderPiece = 64 * 1024;

    // Caret and selection, as positions in the document.
    qsizetype cursorPosition() const;
    // Marks every match of the pattern (the last search) in the lines
    // drawn; a pattern that finds nothing marks nothing.
    void setMarks(const SearchPattern &pattern);
    void setCursorPosition(qsizetype pos, bool keepAnchor = false);
    bool hasSelection() const { return m_caret != m_anchor; }
    // The selection as the clipboard gets it: every line break as LF.
    QString selectedText() const;
    // The line at the top of the view.
    qsizetype firstVisibleLine() const;

    // Work done by every box since the program started, for the tests and
    // benchmarks that check that a step costs the same however long the
    // line or the document: characters laid out or measured, characters
    // converted for the clipboards.
    struct WorkDone {
        qint64 laidOut = 0;
        qint64 converted = 0;
    };
    static WorkDone workDone();

signals:
    // The document changed otherwise than by messages put in front: Open,
    // Clear, an edit, undo.
    void documentEdited();

public slots:
    // Lines were put in front of the store by its owner.
    void storeGrew();
    // The owner replaced `removed` characters of the store at pos (counted
    // from the top, as it reads now) by `inserted` characters.
    void storeChanged(qsizetype pos, qsizetype removed, qsizetype inserted);
    void selectAll();
    void copy();
    void cut();
    void paste();
    void undo();
    void redo();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void changeEvent(QEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class ReceivedBoxAccessible;
    struct LineGeometry;
    struct Edit;
    class Advances;
    class PrimarySelection;

    // Layout: the scroll bars follow the store, once per burst.
    void scheduleLayout(bool grewInFront = false);
    void settleLayout();
    void layoutNow();
    int lineHeight() const;
    int visibleLines() const;
    const LineGeometry &geometry(qsizetype line) const;
    // Characters of a long line, measured together.
    struct Chunk {
        qsizetype length;
        double width;
    };
    std::vector<Chunk> measureChunks(qsizetype pos, qsizetype count) const;
    void patchGeometry(LineGeometry &g, qsizetype start, qsizetype column, qsizetype removed,
                       qsizetype inserted) const;
    double widthOf(const QChar *s, qsizetype from, qsizetype to, qsizetype n) const;
    QString lineText(qsizetype line) const;
    // A line as the view shows it (the same as the document's in text view),
    // by columns of what is shown.
    HexLine hexLine(qsizetype line) const;
    // A line as shown with colours on, when it differs from its text.
    std::shared_ptr<const SgrLine> sgrLine(qsizetype line) const;
    qsizetype shownLength(qsizetype line) const;
    QString shownText(qsizetype line, qsizetype from, qsizetype count) const;
    qsizetype toShown(qsizetype line, qsizetype column) const;
    qsizetype fromShown(qsizetype line, qsizetype shown) const;
    std::vector<Chunk> measureShown(qsizetype line, qsizetype length) const;
    qreal lineWidth(qsizetype line) const;
    qreal columnToX(qsizetype line, qsizetype column) const;
    qsizetype xToColumn(qsizetype line, qreal x) const;
    qsizetype positionAt(const QPoint &p) const;
    QRect caretRect() const { return caretRectAt(cursorPosition()); }
    QRect caretRectAt(qsizetype pos) const;
    void ensureCaretVisible();
    void scrollToLine(qsizetype line);
    void drawLine(QPainter &painter, qsizetype line, int y, const QRect &clip) const;
    void drawPiece(QPainter &painter, const QString &text, std::pair<qsizetype, qsizetype> selected, qsizetype from, bool lineEnd,
                   QPointF at, const QRect &clip, const std::vector<SearchHit> &marks,
                   const QList<QTextLayout::FormatRange> &looks) const;
    void findMarks(qsizetype line, qsizetype length, qsizetype from, qsizetype to,
                   std::vector<SearchHit> &out) const;

    // Moving and editing.
    qsizetype stepRight(qsizetype pos) const;
    qsizetype stepLeft(qsizetype pos) const;
    qsizetype wordEnd(qsizetype pos) const;
    qsizetype wordStart(qsizetype pos) const;
    void moveCaret(qsizetype pos, bool keepAnchor, bool keepColumn = false);
    void edit(qsizetype pos, qsizetype count, const QString &text, bool typing = false);
    void insertTyped(const QString &text);
    void removeSelection();
    void applyEdit(const Edit &e, bool forward);
    void forgetGeometry();
    void textReplaced(qsizetype pos, const QString &removed, const QString &inserted);
    void tellReader(qsizetype pos, qsizetype removed, const QString &removedText, qsizetype inserted);
    void restartBlink();
    void tellCaret();
    void selectionToX11();
    void pinPrimary();
    void keepPrimary(qsizetype pos, qsizetype count, const QString &removed);
    QString clipboardText(CharsFromEnd near, CharsFromEnd far) const;
    bool copySelection();
    static QString clipboardForm(const QString &documentText);

    std::unique_ptr<ReceivedStore> m_ownStore;
    ReceivedStore &m_store;
    std::unique_ptr<LongWork> m_ownLongWork;
    LongWork &m_longWork;
    // Caret and anchor as distances from the end of the document, which a
    // message put in front does not change.
    CharsFromEnd m_caret{0};
    CharsFromEnd m_anchor{0};
    qreal m_wantedX = -1;
    // The line at the top, by the distance of its start from the end; none
    // keeps the first line at the top.
    std::optional<CharsFromEnd> m_topDistance;
    bool m_layoutPending = false;
    // A settling of the layout is posted: it repaints what moved.
    bool m_settlePosted = false;
    // Since the last settling the document only grew in front.
    bool m_onlyGrew = false;
    // The document's lines and length as the screen shows them.
    qsizetype m_shownLines = 0, m_shownSize = 0;
    int m_settingScroll = 0;
    bool m_dragging = false;
    bool m_caretShown = false;
    QBasicTimer m_blink;
    std::vector<Edit> m_undo, m_redo;
    struct Cache;
    std::unique_ptr<Cache> m_cache;
    QPointer<PrimarySelection> m_primary;
    // The document's length the screen reader was last told of.
    qsizetype m_toldSize = 0;
    std::shared_ptr<const SearchPattern> m_marks;
    bool m_hex = false;
    LineLook m_look;
};

} // namespace kestrum
