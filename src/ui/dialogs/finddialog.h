#pragma once
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kestrum {

class FindActions;
class Windows;

// Edit > Find: the text to look for in the received box, how, and which
// way. It does not wait to be answered: the main window goes on working
// while it is up, and the search itself runs on the main window's find
// actions (F3 uses them with the last text when this window is closed).
class FindDialog : public OwnedWindow {
    Q_OBJECT
public:
    FindDialog(Windows &windows, FindActions &find);

    QLabel *Label1;        // caption of the text box
    QLineEdit *Text1;      // what to find
    QCheckBox *Check1;     // Match case
    QCheckBox *Check2;     // Regular expression
    QGroupBox *Frame1;     // Direction
    QRadioButton *Option1; // Up: toward newer messages
    QRadioButton *Option2; // Down: toward older ones
    QPushButton *Command1; // Find Next
    QPushButton *Command2; // Count
    QPushButton *Command3; // Cancel
    QLabel *Label2;        // what the last search found, or why it could not run

    // Fills the window from the store (the last search).
    void Form_Load();
    void retranslateUi() override;
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // What the window reports: a match, a count, nothing found, a fault.
    void showStatus(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The window's choices to the store: what F3 uses.
    void storeQuery();

private:
    FindActions &m_find;
};

} // namespace kestrum
