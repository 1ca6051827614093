#pragma once
#include <QWidget>
#include "ui/common/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Windows;

// Help > About: what the program is for, and who to write to.
class Dialog : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog(Windows &windows);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();

    // The description with its author line, in each language.
    static QString russianText();
    static QString englishText();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The main window's dialogs, this one among them.
    Windows &m_windows;
    Windows &windows() const { return m_windows; }
};

} // namespace kestrum
