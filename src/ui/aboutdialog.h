#pragma once
#include <QWidget>
#include "ui/recaptioned.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Form1;
class Windows;

// Help > About: what the program is for, and who to write to.
class Dialog : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Dialog(Form1 &main);
    QLabel *Label1;
    QPushButton *OKButton;

    void Form_Load();
    void retranslateUi() override;
    void OKButton_Click();

    // The description with its author line, in each language.
    static QString russianText();
    static QString englishText();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The main window this one belongs to, and its other dialogs.
    Form1 &m_main;
    Windows &windows() const;
};

} // namespace kestrum
