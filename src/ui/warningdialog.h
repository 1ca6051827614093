#pragma once
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Form1;
class Windows;

// The invalid-value warning. Shown without waiting; disables the main and
// Options windows until OK.
class Dialog2 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog2(Form1 &main);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The main window this one belongs to, and its other dialogs.
    Form1 &m_main;
    Windows &windows() const;
};

} // namespace kestrum
