#pragma once
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Windows;

// The invalid-value warning. Shown without waiting; disables the main and
// Options windows until OK.
class Dialog2 : public OwnedWindow {
    Q_OBJECT
public:
    explicit Dialog2(Windows &windows);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
};

} // namespace kestrum
