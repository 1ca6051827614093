#pragma once
#include "platform/commondialog.h"
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QLabel;
class QPushButton;

namespace kestrum {

class DocumentActions;
class ExitCheck;
class Windows;

// The save-changes prompt shown when leaving with unsaved text. Whether a
// document was opened, and which, it asks the document actions, which also
// save; its answers end the program or call the exit off.
class Dialog4 : public OwnedWindow {
    Q_OBJECT
public:
    Dialog4(Windows &windows, DocumentActions &documents, ExitCheck &exitCheck);
    QLabel *Label1;
    QPushButton *OKButton;      // Yes
    QPushButton *CancelButton;  // No
    QPushButton *Command1;      // Cancel
    CommonDialog CommonDialog5;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();
    void CancelButton_Click();
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    DocumentActions &m_documents;
    ExitCheck &m_exitCheck;
};

} // namespace kestrum
