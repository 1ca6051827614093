#pragma once
#include <QWidget>
#include "ui/common/ownedwindow.h"

class QLabel;
class QPushButton;

namespace kestrum {

class Windows;

// Help > About: what the program is for, and who to write to.
class Dialog : public OwnedWindow {
    Q_OBJECT
public:
    explicit Dialog(Windows &windows);
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
};

} // namespace kestrum
