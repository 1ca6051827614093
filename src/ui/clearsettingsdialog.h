#pragma once
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

// Confirmation before every stored setting is deleted.
class Dialog1 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog1(QWidget *parent = nullptr);
    QLabel *Label1;
    QPushButton *OKButton;
    QPushButton *CancelButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();
    void CancelButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace kestrum
