#pragma once
#include <QWidget>

class QLabel;
class QPushButton;

namespace kestrum {

// Help > About: what the program is for, and who to write to.
class Dialog : public QWidget {
    Q_OBJECT
public:
    explicit Dialog(QWidget *parent = nullptr);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    // Sets the captions of the language now in use (tr()).
    void retranslateUi();
    void OKButton_Click();

    // The description with its author line, in each language.
    static QString russianText();
    static QString englishText();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
};

} // namespace kestrum
