// The View menu's stream items as a user meets them: the colours a device
// prints, a highlight rule, and the filter window over messages as they
// arrive.
#include "core/stream/highlights.h"
#include "core/stream/linefilter.h"
#include "ui/stream/filterwindow.h"
#include "ui/stream/highlightswindow.h"
#include "ui/stream/linelook.h"
#include "ui/main/form1.h"
#include "ui/received/receivedbox.h"
#include "support/controls.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// Pixels of the widget near the colour (text is drawn smoothed).
int pixelsNear(QWidget *w, QRgb colour)
{
    const QImage image = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) < 40 && std::abs(qGreen(p) - qGreen(colour)) < 40 &&
                 std::abs(qBlue(p) - qBlue(colour)) < 40;
        }
    return n;
}

constexpr QRgb kRed = 0xCD0000;  // ESC[31m as xterm shows it

} // namespace

class StreamTest : public ProgramTest {
    Q_OBJECT
private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    void coloursFollowTheSequencesAndTheMenu()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        QAction *colours = action(f, "mnuColours");
        QVERIFY(colours->isCheckable() && colours->isChecked());
        ReceivedBox *box = receivedBox(f);
        f->show();
        QVERIFY(pty->write("\x1b[31mERR\x1b[0m fine\x1b[2K"));
        QTRY_VERIFY(box->text().contains(QLatin1String("fine")));
        QTRY_VERIFY(pixelsNear(box->viewport(), kRed) > 0);
        // Copy gives the text as shown; the document keeps every byte.
        box->selectAll();
        QCOMPARE(box->selectedText(), QStringLiteral("ERR fine\n"));
        QCOMPARE(box->text(), QStringLiteral("\x1b[31mERR\x1b[0m fine\x1b[2K\r\n"));
        colours->trigger();
        QCOMPARE(pixelsNear(box->viewport(), kRed), 0);
        QCOMPARE(box->selectedText(), QStringLiteral("\x1b[31mERR\x1b[0m fine\x1b[2K\n"));
    }

    // A rule's text colour shows over a sequence's colour: the layout draws
    // a text colour only where no range before it drew text, so the ranges
    // must not overlap.
    void aRuleShowsOverASequencesColour()
    {
        LineLook look;
        const QRgb yellow = 0xFFFF00;
        look.highlighter = std::make_shared<const Highlighter>(
            std::vector<HighlightRule>{{QStringLiteral("ERR"), false, false, true, yellow, false, 0, true}});
        const SgrLine sgr = parseSgrLine(QStringView(u"\x1b[31mred ERR red\x1b[0m plain"));
        const QList<QTextLayout::FormatRange> f = look.formats(&sgr, sgr.text);
        QString shown(sgr.text.size(), QLatin1Char('.'));
        for (const QTextLayout::FormatRange &r : f)
            for (int i = r.start; i < r.start + r.length; ++i) {
                QVERIFY2(shown[i] == QLatin1Char('.'), "ranges overlap");
                shown[i] = r.format.foreground().color().rgb() == (0xFF000000 | yellow) ? QLatin1Char('y')
                                                                                          : QLatin1Char('r');
            }
        QCOMPARE(sgr.text, QStringLiteral("red ERR red plain"));
        QCOMPARE(shown, QStringLiteral("rrrryyyrrrr......"));
    }

    void aRuleColoursTheBoxAndIsKept()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        ReceivedBox *box = receivedBox(f);
        f->show();
        box->setText(QStringLiteral("boot\r\nwifi: link up\r\n"));
        const QRgb yellow = 0xFFFF00;
        QCOMPARE(pixelsNear(box->viewport(), yellow), 0);
        action(f, "mnuHighlights")->trigger();
        auto *w = f->findChild<HighlightsWindow *>(QStringLiteral("HighlightsWindow"));
        QVERIFY(w && w->isVisible());
        // The ready rules come first, not enabled.
        QCOMPARE(int(w->rules().size()), int(readyHighlightRules().size()));
        HighlightRule wifi{QStringLiteral("w.fi"), true, false, false, 0, true, yellow, true};
        w->setRules({wifi});
        w->Command5->click();
        QVERIFY(!w->isVisible());
        QTRY_VERIFY(pixelsNear(box->viewport(), yellow) > 0);
        QCOMPARE(highlightRules(), std::vector<HighlightRule>{wifi});
    }

    void theFilterFollowsTheDocument()
    {
        Form1 *f = startOnPty();
        QVERIFY(f);
        ReceivedBox *box = receivedBox(f);
        box->setText(QStringLiteral("a error\r\nok\r\nb ERROR\r\n"));
        QAction *filter = action(f, "mnuFilter");
        QCOMPARE(filter->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        filter->trigger();
        auto *w = f->findChild<FilterWindow *>(QStringLiteral("FilterWindow"));
        QVERIFY(w && w->isVisible());
        const auto count = [w] { return w->filter().isDone() ? w->filter().count() : -1; };
        w->Text1->setText(QStringLiteral("error"));
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QTRY_COMPARE(count(), 2);
        QCOMPARE(w->Label2->text(), QStringLiteral("Lines: 2"));
        // A message that arrives is filtered as it comes, on top.
        QVERIFY(pty->write("late error"));
        QTRY_COMPARE(count(), 3);
        QCOMPARE(w->Text2->rowText(0), QStringLiteral("late error"));
        // A screen reader gets the lines as a list's items.
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(w->Text2);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(2)->text(QAccessible::Name), QStringLiteral("b ERROR"));
        w->Text2->setCurrentRow(2);
        QVERIFY(list->child(2)->state().selected && !list->child(0)->state().selected);
        QCOMPARE(list->indexOfChild(list->child(2)), 2);
        w->Check3->click();
        QTRY_COMPARE(count(), 1);
        QCOMPARE(w->Text2->rowText(0), QStringLiteral("ok"));
        w->Check3->click();
        w->Check1->click();
        QTRY_COMPARE(count(), 2);
        // Clear empties the list; Enter on a line selects it in the box.
        box->setText(QStringLiteral("x\r\none error\r\n"));
        QTRY_COMPARE(count(), 1);
        w->Text2->setCurrentRow(0);
        QTest::keyClick(w->Text2, Qt::Key_Return);
        QCOMPARE(box->selectedText(), QStringLiteral("one error"));
    }
};

QTEST_MAIN(StreamTest)
#include "test_stream.moc"
