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

    bool CancelError = false;
    QString Filter;      // "description|pattern|..." pairs
    QString DefaultExt;  // added to a name typed without an extension
    qint32 Flags = 0;
    QString FileName;

    // The program's documents: text files only ("text only(*.txt)|*.txt|"),
    // "txt" added to a name typed without an extension, a cancelled dialog
    // thrown as CancelError; the flags as the caller needs them.
    void presetTextFiles(qint32 flags);

    // Both throw CancelError when the user cancels and CancelError is set.
    void ShowOpen();
    void ShowSave();

    // "text only(*.txt)|*.txt|" in the form Qt's dialogs take.
    static QString qtFilter(const QString &filter);

private:
    void show(bool save);
    QWidget *m_owner;
};

} // namespace kestrum
