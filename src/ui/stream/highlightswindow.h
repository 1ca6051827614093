#pragma once
#include "core/stream/highlights.h"
#include "ui/common/recaptioned.h"
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kestrum {

// View > Highlights: the rules "this expression in this colour", in order
// (the first that matches a character colours it), each on or off, with its
// text and background colour each on or off. OK keeps them in the settings
// and applies them; Cancel leaves them as they were.
class HighlightsWindow : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit HighlightsWindow(QWidget *parent = nullptr);

    QTableWidget *Grid1;    // the rules, one a row
    QPushButton *Command1;  // Add
    QPushButton *Command2;  // Remove
    QPushButton *Command3;  // Up
    QPushButton *Command4;  // Down
    QPushButton *Command5;  // OK
    QPushButton *Command6;  // Cancel
    QLabel *Label1;         // why a rule's expression does not compile

    // Fills the table from the settings.
    void Form_Load();
    // The rules as the table holds them.
    std::vector<HighlightRule> rules() const;
    void setRules(const std::vector<HighlightRule> &rules);
    void retranslateUi() override;

signals:
    // OK: the rules were stored; the views take them.
    void rulesChanged(const std::vector<kestrum::HighlightRule> &rules);

private:
    void addRow(const HighlightRule &rule);
    void moveRow(int by);
    void chooseColour(int row, int column);
    void showErrors();
};

} // namespace kestrum
