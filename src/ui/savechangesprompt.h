#pragma once
#include "platform/commondialog.h"
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Form1;

// The save-changes prompt shown when leaving with unsaved text. Whether a
// document was opened, and which, it asks the session.
class Dialog4 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog4(QWidget *parent = nullptr);
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
};

// Closes every window but the main one and ends a wait for data: the main
// window is about to close and the program with it.
void closeOtherWindows(Form1 *f);

} // namespace kestrum
