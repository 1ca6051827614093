#pragma once
#include "platform/commondialog.h"
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kestrum {

class Session;
class Windows;

struct Options;

// The Options window. Every new instance fills itself from the store; while
// it exists its boxes, applied or not, are the options the session uses.
// It works on the session it is given, and reaches the other windows (the
// warning, the clear-settings confirmation) through their owner.
class Form2 : public OwnedWindow {
    Q_OBJECT
public:
    Form2(Windows &windows, Session &session);
    ~Form2() override;

    QTabWidget *SSTab1;
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5, *Frame6;
    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7;
    QCheckBox *Check8, *Check9, *Check10, *Check11, *Check12;
    QLineEdit *Text1;   // maximum length of a sent string
    QLineEdit *Text2;   // receive buffer size
    QLineEdit *Text3;   // transmit buffer size
    QLineEdit *Text4;   // receive timeout, ms
    QLabel *Label1;     // the autosave line
    QLabel *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QPushButton *Command1;  // OK
    QPushButton *Command2;  // Cancel
    QPushButton *Command3;  // Apply
    QPushButton *Command4;  // Browse
    QPushButton *Command5;  // clear stored settings
    CommonDialog CommonDialog1;  // the autosave file

    void Form_Load();
    void LngInitForm2();
    // Sets the captions of the language now in use (tr()); the autosave line
    // is the load's.
    void retranslateUi() override;
    void Check1_Click();
    void Check8_Click();
    void Check9_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // The prefix of the autosave line in the current language.
    static QString autosavePrefix();

    // The autosave line (Label1) as it stands, and whether it is enabled.
    QString autosaveLine() const;
    bool autosaveLineEnabled() const;

    // The options as the boxes stand.
    Options boxes() const;
    // The autosave file the session writes to from now on.
    void setAutosaveFile(const QString &path);

signals:
    // Apply shows the autosave line under the main window's received box.
    void autosaveLineApplied(const QString &text, bool enabled);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Hands the boxes to the session as its options.
    void publish();
    void buildControls();
    // Grows boxes whose captions do not fit the font in use, where there is
    // room.
    void fitCaptionsToFont();

private:
    Session &m_session;
};

} // namespace kestrum
