#pragma once
#include <QString>

class QWidget;

namespace kestrum {

// A common file dialog as the windows use it: preset its members, then
// ShowOpen or ShowSave. FileName keeps its value between showings.
class CommonDialog {
public:
    enum Flag : qint32 {
        OverwritePrompt = 0x2,
        HideReadOnly = 0x4,
        FileMustExist = 0x1000,
    };

    explicit CommonDialog(QWidget *owner = nullptr) : m_owner(owner) {}

    QString Filter;      // "description|pattern|..." pairs
    QString DefaultExt;  // added to a name typed without an extension
    qint32 Flags = 0;
    QString FileName;

    // The program's documents: text files only ("text only(*.txt)|*.txt|"),
    // "txt" added to a name typed without an extension; the flags as the
    // caller needs them.
    void presetTextFiles(qint32 flags);

    // Both return false when the user cancels (FileName then stays);
    // Error when the dialog cannot be shown.
    bool ShowOpen();
    bool ShowSave();

    // "text only(*.txt)|*.txt|" in the form Qt's dialogs take.
    static QString qtFilter(const QString &filter);

private:
    bool show(bool save);
    QWidget *m_owner;
};

} // namespace kestrum
