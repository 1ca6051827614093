#pragma once
#include <QWidget>
#include "ui/common/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Windows;

// Confirmation before every stored setting is deleted.
class Dialog1 : public Recaptioned<QWidget> {
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
    // The main window's dialogs, this one among them.
    Windows &m_windows;
    Windows &windows() const { return m_windows; }
};

} // namespace kestrum
