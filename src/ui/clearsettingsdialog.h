#pragma once
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Form1;
class Windows;

// Confirmation before every stored setting is deleted.
class Dialog1 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog1(Form1 &main);
    QLabel *Label1;
    QPushButton *OKButton;
    QPushButton *CancelButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();
    void CancelButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The main window this one belongs to, and its other dialogs.
    Form1 &m_main;
    Windows &windows() const;
};

} // namespace kestrum
