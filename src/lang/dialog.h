#pragma once
#include <QWidget>

class QLabel;
class QPushButton;

namespace kestrum {

// Help > About.
class Dialog : public QWidget {
    Q_OBJECT
public:
    explicit Dialog(QWidget *parent = nullptr);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void OKButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace kestrum
