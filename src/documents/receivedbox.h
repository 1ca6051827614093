#pragma once
#include <QPlainTextEdit>
#include <QString>

namespace kestrum {

// The received box. The document is the exact text (CR LF, lone CR or LF,
// NUL, U+0098 kept), newest first; the widget only shows it.
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

private:
    struct Impl;
    Impl *d;
};

} // namespace kestrum
