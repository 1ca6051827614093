#pragma once
#include <QWidget>

class QLabel;
class QPushButton;

namespace kestrum {

// Confirmation before every stored setting is deleted.
class Dialog1 : public QWidget {
    Q_OBJECT
public:
    explicit Dialog1(QWidget *parent = nullptr);
    QLabel *Label1;
    QPushButton *OKButton;
    QPushButton *CancelButton;

    void Form_Load();
    // Sets the captions of the language now in use (tr()).
    void retranslateUi();
    void OKButton_Click();
    void CancelButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
};

} // namespace kestrum
