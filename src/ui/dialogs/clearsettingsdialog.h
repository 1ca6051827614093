#pragma once
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Windows;

// Confirmation before every stored setting is deleted.
class Dialog1 : public OwnedWindow {
    Q_OBJECT
public:
    explicit Dialog1(Windows &windows);
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
};

} // namespace kestrum
