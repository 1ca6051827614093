// The received box draws long lines in part; what it shows must be exactly
// what the widget itself draws.
#include "documents/receivedbox.h"
#include "support/testenv.h"
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

using namespace kestrum;

namespace {

// A line as a fast device sends it: printable bytes, Cyrillic letters,
// a NUL, digits, without a line break.
QString longLine(int length, int seed)
{
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i) {
        const int k = (i + seed) % 120;
        if (k < 94)
            s += QChar(33 + k);
        else if (k < 118)
            s += QChar(0x0410 + k - 94);  // А..Ч
        else if (k == 118)
            s += QChar(0);
        else
            s += QLatin1Char(' ');
    }
    return s;
}

void setUp(QPlainTextEdit &w)
{
    w.setLineWrapMode(QPlainTextEdit::NoWrap);
    w.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = w.palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::green);
    w.setPalette(p);
    w.resize(400, 160);
    w.show();
}

} // namespace

class TestReceivedBox : public QObject {
    Q_OBJECT

private:
    // The box and a plain widget holding the same text, scrolled and
    // selected alike, must show the same pixels.
    void compare(ReceivedBox &box, QPlainTextEdit &plain)
    {
        QCoreApplication::processEvents();
        const QImage a = box.viewport()->grab().toImage();
        const QImage b = plain.viewport()->grab().toImage();
        QCOMPARE(a.size(), b.size());
        if (a != b) {
            int differing = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    differing += a.pixel(x, y) != b.pixel(x, y);
            QFAIL(qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
        }
    }

    void scrollBoth(ReceivedBox &box, QPlainTextEdit &plain, double fraction)
    {
        QCOMPARE(box.horizontalScrollBar()->maximum(), plain.horizontalScrollBar()->maximum());
        const int value = int(box.horizontalScrollBar()->maximum() * fraction);
        box.horizontalScrollBar()->setValue(value);
        plain.horizontalScrollBar()->setValue(value);
    }

private slots:
    void longLinesLookAsTheWidgetDrawsThem_data()
    {
        QTest::addColumn<double>("scroll");
        QTest::addColumn<int>("selectFrom");  // -1: no selection
        QTest::addColumn<int>("selectLength");
        QTest::newRow("at the start") << 0.0 << -1 << 0;
        QTest::newRow("a little to the right") << 0.001 << -1 << 0;
        QTest::newRow("in the middle") << 0.5 << -1 << 0;
        QTest::newRow("at the end") << 1.0 << -1 << 0;
        QTest::newRow("selection across the view") << 0.5 << 2000 << 150000;
        QTest::newRow("selection ending in the view") << 0.5 << 2000 << 27020;
        QTest::newRow("selection to the end of a line") << 1.0 << 10 << 60500;
    }

    void longLinesLookAsTheWidgetDrawsThem()
    {
        QFETCH(double, scroll);
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        // Newest first, as the receive path fills it: long and short lines.
        ReceivedBox box;
        QString all;
        for (int i = 0; i < 6; ++i) {
            const QString line = (i % 3 == 1 ? QStringLiteral("short %1").arg(i) : longLine(60000 + 977 * i, i))
                                 + QStringLiteral("\r\n");
            box.prepend(line);
            all.prepend(line);
        }
        QCOMPARE(box.text(), all);
        QPlainTextEdit plain;
        plain.setPlainText(ReceivedBox::displayForm(all));
        setUp(box);
        setUp(plain);
        if (selectFrom >= 0) {
            for (QPlainTextEdit *w : {static_cast<QPlainTextEdit *>(&box), &plain}) {
                QTextCursor c(w->document());
                c.setPosition(selectFrom);
                c.setPosition(selectFrom + selectLength, QTextCursor::KeepAnchor);
                w->setTextCursor(c);
            }
        }
        scrollBoth(box, plain, scroll);
        compare(box, plain);
    }

    void editedLongLineIsDrawnAnew()
    {
        // The positions kept for a long line follow the user's edit.
        ReceivedBox box;
        QPlainTextEdit plain;
        const QString text = longLine(30000, 5) + QStringLiteral("\r\n");
        box.setText(text);
        plain.setPlainText(ReceivedBox::displayForm(text));
        setUp(box);
        setUp(plain);
        scrollBoth(box, plain, 0.6);
        compare(box, plain);
        for (QPlainTextEdit *w : {static_cast<QPlainTextEdit *>(&box), &plain}) {
            QTextCursor c(w->document());
            c.setPosition(100);
            c.insertText(QStringLiteral("WWWWWWWWWW"));
        }
        scrollBoth(box, plain, 0.6);
        compare(box, plain);
        QVERIFY(box.text().startsWith(longLine(100, 5) + QStringLiteral("WWWWWWWWWW")));
    }

    void tabsAndLongLinesTogether()
    {
        // A line with tabs is drawn by the widget whole; its neighbours in
        // part; the view is the same.
        ReceivedBox box;
        QPlainTextEdit plain;
        QString withTabs = longLine(20000, 3);
        for (int i = 50; i < withTabs.size(); i += 700)
            withTabs[i] = QLatin1Char('\t');
        const QString text = withTabs + QStringLiteral("\r\n") + longLine(40000, 9) + QStringLiteral("\r\n");
        box.setText(text);
        plain.setPlainText(ReceivedBox::displayForm(text));
        setUp(box);
        setUp(plain);
        for (const double at : {0.0, 0.3, 0.9}) {
            scrollBoth(box, plain, at);
            compare(box, plain);
        }
    }
};

KESTRUM_TEST_MAIN(TestReceivedBox)
#include "test_receivedbox.moc"
