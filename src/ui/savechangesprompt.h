#pragma once
#include "platform/commondialog.h"
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Form1;
class Windows;

// The save-changes prompt shown when leaving with unsaved text. Whether a
// document was opened, and which, it asks the session.
class Dialog4 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog4(Form1 &main);
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
    // The main window this one belongs to, and its other dialogs.
    Form1 &m_main;
    Windows &windows() const;
};

} // namespace kestrum
