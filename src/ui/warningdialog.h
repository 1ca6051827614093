#pragma once
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

// The invalid-value warning. Shown without waiting; disables the main and
// Options windows until OK.
class Dialog2 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog2(QWidget *parent = nullptr);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};

// Shows the warning; showing it while it shows changes nothing.
void showWarning();
// Whether the warning is showing; never creates it.
bool warningShowing();

} // namespace kestrum
