#include "ui/stream/highlightswindow.h"
#include "ui/common/controls.h"
#include <QColorDialog>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace kestrum {

namespace {

enum Column { On, Expression, Regex, MatchCase, Text, Back, Columns };

QTableWidgetItem *checkItem(bool on)
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    return item;
}

// A colour cell: checked when the colour is used, filled with it; a
// double-click chooses another.
QTableWidgetItem *colourItem(bool on, quint32 rgb)
{
    QTableWidgetItem *item = checkItem(on);
    item->setData(Qt::UserRole, rgb);
    item->setBackground(QColor::fromRgb(rgb));
    return item;
}

bool checked(const QTableWidget *t, int row, int column) { return t->item(row, column)->checkState() == Qt::Checked; }

quint32 colourOf(const QTableWidget *t, int row, int column)
{
    return t->item(row, column)->data(Qt::UserRole).toUInt() & 0xFFFFFF;
}

} // namespace

HighlightsWindow::HighlightsWindow(QWidget *parent) : Recaptioned(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("HighlightsWindow"));
    Grid1 = named(new QTableWidget(0, Columns), this, "Grid1");
    Command1 = named(new QPushButton, this, "Command1");
    Command2 = named(new QPushButton, this, "Command2");
    Command3 = named(new QPushButton, this, "Command3");
    Command4 = named(new QPushButton, this, "Command4");
    Command5 = named(new QPushButton, this, "Command5");
    Command6 = named(new QPushButton, this, "Command6");
    Label1 = named(new QLabel, this, "Label1");
    Label1->setWordWrap(true);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->horizontalHeader()->setSectionResizeMode(Expression, QHeaderView::Stretch);
    Grid1->verticalHeader()->hide();
    auto *grid = new QGridLayout(this);
    grid->addWidget(Grid1, 0, 0, 6, 1);
    int row = 0;
    for (QPushButton *b : {Command1, Command2, Command3, Command4})
        grid->addWidget(b, row++, 1);
    grid->setRowStretch(4, 1);
    grid->addWidget(Command5, 6, 1);
    grid->addWidget(Command6, 7, 1);
    grid->addWidget(Label1, 6, 0, 2, 1);
    resize(720, 360);
    retranslateUi();

    connect(Command1, &QPushButton::clicked, this, [this] {
        addRow(HighlightRule{QString(), false, false, true, 0xFF3030, false, 0x303030, true});
        Grid1->setCurrentCell(Grid1->rowCount() - 1, Expression);
        Grid1->editItem(Grid1->item(Grid1->rowCount() - 1, Expression));
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        if (Grid1->currentRow() >= 0)
            Grid1->removeRow(Grid1->currentRow());
        showErrors();
    });
    connect(Command3, &QPushButton::clicked, this, [this] { moveRow(-1); });
    connect(Command4, &QPushButton::clicked, this, [this] { moveRow(1); });
    connect(Command5, &QPushButton::clicked, this, [this] {
        const std::vector<HighlightRule> now = rules();
        storeHighlightRules(now);
        emit rulesChanged(now);
        close();
    });
    connect(Command6, &QPushButton::clicked, this, &QWidget::close);
    connect(Grid1, &QTableWidget::cellDoubleClicked, this, &HighlightsWindow::chooseColour);
    connect(Grid1, &QTableWidget::itemChanged, this, [this] { showErrors(); });
}

void HighlightsWindow::retranslateUi()
{
    setWindowTitle(tr("Подсветка"));
    Grid1->setHorizontalHeaderLabels({tr("Вкл."), tr("Выражение"), tr("Рег. выражение"), tr("С учетом регистра"),
                                      tr("Цвет текста"), tr("Цвет фона")});
    Command1->setText(tr("Добавить"));
    Command2->setText(tr("Удалить"));
    Command3->setText(tr("Выше"));
    Command4->setText(tr("Ниже"));
    Command5->setText(tr("OK"));
    Command6->setText(tr("Отмена"));
}

void HighlightsWindow::Form_Load() { setRules(highlightRules()); }

void HighlightsWindow::setRules(const std::vector<HighlightRule> &rules)
{
    QSignalBlocker quiet(Grid1);
    Grid1->setRowCount(0);
    for (const HighlightRule &r : rules)
        addRow(r);
    quiet.unblock();
    showErrors();
}

void HighlightsWindow::addRow(const HighlightRule &r)
{
    const int row = Grid1->rowCount();
    Grid1->insertRow(row);
    Grid1->setItem(row, On, checkItem(r.enabled));
    Grid1->setItem(row, Expression, new QTableWidgetItem(r.expression));
    Grid1->setItem(row, Regex, checkItem(r.regex));
    Grid1->setItem(row, MatchCase, checkItem(r.matchCase));
    Grid1->setItem(row, Text, colourItem(r.textOn, r.text));
    Grid1->setItem(row, Back, colourItem(r.backOn, r.back));
}

std::vector<HighlightRule> HighlightsWindow::rules() const
{
    std::vector<HighlightRule> out;
    for (int row = 0; row < Grid1->rowCount(); ++row) {
        HighlightRule r;
        r.expression = Grid1->item(row, Expression)->text();
        // A row left empty is no rule.
        if (r.expression.isEmpty())
            continue;
        r.enabled = checked(Grid1, row, On);
        r.regex = checked(Grid1, row, Regex);
        r.matchCase = checked(Grid1, row, MatchCase);
        r.textOn = checked(Grid1, row, Text);
        r.text = colourOf(Grid1, row, Text);
        r.backOn = checked(Grid1, row, Back);
        r.back = colourOf(Grid1, row, Back);
        out.push_back(r);
    }
    return out;
}

void HighlightsWindow::moveRow(int by)
{
    const int from = Grid1->currentRow(), to = from + by;
    if (from < 0 || to < 0 || to >= Grid1->rowCount())
        return;
    QSignalBlocker quiet(Grid1);
    for (int c = 0; c < Columns; ++c) {
        QTableWidgetItem *a = Grid1->takeItem(from, c), *b = Grid1->takeItem(to, c);
        Grid1->setItem(from, c, b);
        Grid1->setItem(to, c, a);
    }
    Grid1->setCurrentCell(to, Grid1->currentColumn());
    quiet.unblock();
    showErrors();
}

void HighlightsWindow::chooseColour(int row, int column)
{
    if (column != Text && column != Back)
        return;
    QTableWidgetItem *item = Grid1->item(row, column);
    const QColor c = QColorDialog::getColor(QColor::fromRgb(colourOf(Grid1, row, column)), this);
    if (!c.isValid())
        return;
    item->setData(Qt::UserRole, quint32(c.rgb() & 0xFFFFFF));
    item->setBackground(c);
    item->setCheckState(Qt::Checked);
}

void HighlightsWindow::showErrors()
{
    const Highlighter h(rules());
    QString text;
    for (size_t i = 0; i < h.rules().size(); ++i) {
        const QString e = h.errorString(int(i));
        if (!e.isEmpty())
            text += QCoreApplication::translate("Highlights", "Rule %1 (%2): %3").arg(i + 1).arg(h.rules()[i].expression, e) + QLatin1Char('\n');
    }
    Label1->setText(text.trimmed());
}

} // namespace kestrum
