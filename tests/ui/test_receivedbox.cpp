// The received box as its user sees it: the lines drawn where they belong,
// selection, clipboard, editing and scrolling over a growing document.
#include "ui/received/receivedbox.h"
#include "ui/common/longwork.h"
#include "core/port/mscomm.h"
#include "core/session/session.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <termios.h>
#include <QAccessible>
#include <QClipboard>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <functional>
#include <numeric>

using namespace kestrum;

namespace {

constexpr int kMargin = 4;

// A line as a fast device sends it: printable bytes, Cyrillic letters,
// a NUL, without a line break.
QString longLine(int length, int seed)
{
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i) {
        const int k = (i + seed) % 120;
        s += k < 94 ? QChar(33 + k) : k < 118 ? QChar(0x0410 + k - 94) : k == 118 ? QChar(0) : QChar(u' ');
    }
    return s;
}

void setUp(ReceivedBox &box)
{
    QPalette p = box.palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::green);
    box.setPalette(p);
    box.resize(400, 160);
    box.show();
    QCoreApplication::processEvents();
}

// The lines as a plain painter draws them: green on black, from the
// margin, one font height apart, the first at the top.
QImage reference(const ReceivedBox &box, const QStringList &lines, int scrollX)
{
    QImage image(box.viewport()->size() * box.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(box.devicePixelRatio());
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(Qt::green);
    painter.setFont(box.font());
    const QFontMetrics fm(box.font());
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(kMargin - scrollX, kMargin + i * fm.height() + fm.ascent()),
                         ReceivedBox::displayForm(lines[i]));
    return image;
}

int differingPixels(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return -1;
    int n = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            n += x.pixel(col, row) != y.pixel(col, row);
    return n;
}

} // namespace

class TestReceivedBox : public QObject {
    Q_OBJECT

private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void showsTheRightLinesInTheRightPlace_data()
    {
        QTest::addColumn<QStringList>("messages");  // newest last, each put in front
        QTest::addColumn<int>("topLine");
        QTest::addColumn<double>("scrollX");  // share of the horizontal range
        QTest::addColumn<QStringList>("shown");
        const QString nul(QChar(0));
        const QStringList few = {QStringLiteral("oldest\r\n"), QStringLiteral("a\rb\nc\r\n"),
                                 QStringLiteral("x") + nul + QStringLiteral("y\r\n"), QStringLiteral("newest\r\n")};
        QTest::newRow("newest first, every break, NUL")
            << few << 0 << 0.0
            << QStringList{"newest", QStringLiteral("x") + nul + QStringLiteral("y"), "a", "b", "c", "oldest", ""};
        QStringList many;
        for (int i = 0; i < 3000; ++i)
            many << QStringLiteral("message %1\r\n").arg(i);
        QStringList deep;
        for (int i = 1499; i > 1480; --i)
            deep << QStringLiteral("message %1").arg(i);
        QTest::newRow("deep in a long log") << many << 1500 << 0.0 << deep;
        const QString line = longLine(60000, 3);
        QTest::newRow("long line, left") << QStringList{line + QStringLiteral("\r\n"), QStringLiteral("short\r\n")}
                                         << 0 << 0.0 << QStringList{"short", line, ""};
        QTest::newRow("long line, middle") << QStringList{line + QStringLiteral("\r\n"), QStringLiteral("short\r\n")}
                                           << 0 << 0.5 << QStringList{"short", line, ""};
        QTest::newRow("long line, end") << QStringList{line + QStringLiteral("\r\n")} << 0 << 1.0
                                        << QStringList{line, ""};
    }

    void showsTheRightLinesInTheRightPlace()
    {
        QFETCH(QStringList, messages);
        QFETCH(int, topLine);
        QFETCH(double, scrollX);
        QFETCH(QStringList, shown);
        ReceivedBox box;
        setUp(box);
        for (const QString &m : messages)
            box.prepend(m);
        QCoreApplication::processEvents();
        box.verticalScrollBar()->setValue(topLine);
        const int x = int(box.horizontalScrollBar()->maximum() * scrollX);
        box.horizontalScrollBar()->setValue(x);
        QCOMPARE(box.firstVisibleLine(), topLine);
        box.clearFocus();  // no caret
        const QImage drawn = box.viewport()->grab().toImage();
        QCOMPARE(differingPixels(drawn, reference(box, shown, x)), 0);
        // Showing is no edit: the document stays exact.
        QCOMPARE(box.text(), std::accumulate(messages.begin(), messages.end(), QString(),
                                             [](const QString &all, const QString &m) { return m + all; }));
    }

    // What reaches the screen as messages arrive, where the box moves the
    // pixels already drawn instead of drawing them again, equals the box
    // drawn afresh: following the newest, scrolled away, with a paint
    // between a message and its settling, with a message merged into the
    // line that was first.
    void theScreenAsMessagesArrive_data()
    {
        QTest::addColumn<int>("topLine");
        QTest::addColumn<bool>("paintBetween");
        QTest::addColumn<QString>("ending");
        QTest::newRow("following") << 0 << false << QStringLiteral("\r\n");
        QTest::newRow("scrolled away") << 4 << false << QStringLiteral("\r\n");
        QTest::newRow("paint between") << 0 << true << QStringLiteral("\r\n");
        QTest::newRow("merged, CR then LF") << 0 << false << QStringLiteral("\r");
    }

    void theScreenAsMessagesArrive()
    {
        QFETCH(int, topLine);
        QFETCH(bool, paintBetween);
        QFETCH(QString, ending);
        ReceivedBox box;
        setUp(box);
        box.clearFocus();
        for (int i = 0; i < 20; ++i)
            box.prepend(QStringLiteral("\nold %1\r\n").arg(i));
        QCoreApplication::processEvents();
        box.verticalScrollBar()->setValue(topLine);
        QCoreApplication::processEvents();
        for (int i = 0; i < 5; ++i) {
            box.prepend(QStringLiteral("new %1\r\nsecond line").arg(i) + ending);
            if (paintBetween)
                box.viewport()->repaint(QRect(0, 0, 8, 8));
            // The settling, then the paint it asks for.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(box.firstVisibleLine() > 0, topLine > 0);
            const QRect at(box.viewport()->mapTo(&box, QPoint()), box.viewport()->size());
            const QImage screen = box.screen()->grabWindow(box.winId()).copy(at).toImage();
            QCOMPARE(differingPixels(screen, box.viewport()->grab().toImage()), 0);
        }
    }

    void selectionAndCopyAcrossMessages()
    {
        ReceivedBox box;
        setUp(box);
        box.prepend(QStringLiteral("first\r\n"));
        box.prepend(QStringLiteral("sec") + QChar(0) + QStringLiteral("nd\r"));
        box.prepend(QStringLiteral("third\r\n"));
        // From inside the newest message to inside the oldest, by keys.
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&box, Qt::Key_Right);
        QTest::keyClick(&box, Qt::Key_Right);
        QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(box.selectedText(), QStringLiteral("ird\nsec\u2400nd\nfirst"));
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ird\nsec\u2400nd\nfirst"));
        // The same by the mouse: from the start of the second line to the
        // end of the text.
        const int h = box.fontMetrics().height();
        QTest::mousePress(box.viewport(), Qt::LeftButton, {}, QPoint(kMargin, kMargin + h + h / 2));
        QTest::mouseMove(box.viewport(), QPoint(300, kMargin + 3 * h + h / 2));
        QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, QPoint(300, kMargin + 3 * h + h / 2));
        QCOMPARE(box.selectedText(), QStringLiteral("sec\u2400nd\nfirst\n"));
        // A double click takes one word.
        QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, QPoint(kMargin + 2, kMargin + h / 2));
        QCOMPARE(box.selectedText(), QStringLiteral("third"));
        // Pasting it back keeps the NUL a NUL and makes breaks CR LF.
        QGuiApplication::clipboard()->setText(QStringLiteral("A\u2400\nB"));
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.text(), QStringLiteral("A") + QChar(0) + QStringLiteral("\r\nB\r\nsec") + QChar(0)
                                 + QStringLiteral("nd\rfirst\r\n"));
    }

    // A byte received with a parity error (its mark written by hand: a pty
    // makes no such error) shows as "??" in hex view, a real "?" as 3F, in a
    // selection and in one copied aside, below an opened file; text
    // replaced loses its mark.
    void parityErrorsInTheHexView()
    {
        test::Pty pty;
        test::mapPort(1, pty.slavePath());
        Session session;
        session.setReceiveTimeout(1);
        session.port()->setSettings(QStringLiteral("9600,e,8,1"));
        session.port()->setPortOpen(true);
        termios tio;
        QVERIFY(pty.attributes(&tio));
        tio.c_iflag &= ~PARMRK;
        QVERIFY(::tcsetattr(pty.slaveFd(), TCSANOW, &tio) == 0);
        ReceivedStore &doc = session.document();
        LongWork work;
        ReceivedBox box(doc, work);
        doc.prependBytes(QByteArray(1 << 20, 'z') + "\r\n");
        QVERIFY(pty.write(QByteArray("A\xFF\x00ZB?", 6)));
        QTRY_COMPARE(doc.text(0, 6), QStringLiteral("A?B?\r\n"));
        ReceivedStore opened;
        opened.prependBytes("file\r\n");
        doc.insert(0, opened.takeAll());
        box.storeChanged(0, 0, 6);
        box.setHexView(true);
        box.setCursorPosition(0);
        box.setCursorPosition(10, true);
        QCOMPARE(box.selectedText(), QStringLiteral("66 69 6C 65\n41 ?? 42 3F"));
        box.selectAll();
        box.copy();
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("66 69 6C 65\n41 ?? 42 3F\n7A 7A ")));
        doc.replace(7, 1, QStringLiteral("?"));
        box.setCursorPosition(10, true);
        QCOMPARE(box.selectedText(), QStringLiteral("66 69 6C 65\n41 3F 42 3F"));
    }

    void editsInsideAMessageAndUndo()
    {
        ReceivedBox box;
        setUp(box);
        box.prepend(QStringLiteral("two\rthree\r\n"));
        box.prepend(QStringLiteral("one") + QChar(0) + QChar(0xA0) + QStringLiteral("\r\n"));
        box.setFocus();
        // Into the middle of the older message: "th|ree".
        QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&box, Qt::Key_Down);
        QTest::keyClick(&box, Qt::Key_Down);
        QTest::keyClick(&box, Qt::Key_Right);
        QTest::keyClick(&box, Qt::Key_Right);
        QTest::keyClicks(&box, QStringLiteral("X"));
        // The tick has no byte in the code page.
        QTest::sendKeyEvent(QTest::Press, &box, Qt::Key_unknown, QStringLiteral("\u2713"), {});
        QTest::keyClick(&box, Qt::Key_Delete);
        QTest::keyClick(&box, Qt::Key_Return);
        const QString head = QStringLiteral("one") + QChar(0) + QChar(0xA0) + QStringLiteral("\r\ntwo\r");
        QCOMPARE(box.text(), head + QStringLiteral("thX\u2713\r\nee\r\n"));
        // A message arriving meanwhile moves nothing under the caret.
        box.prepend(QStringLiteral("new\r\n"));
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QStringLiteral("new\r\n") + head + QStringLiteral("thXee\r\n"));
        // Undo takes back the user's edits, newest first, not the message.
        QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box.text(), QStringLiteral("new\r\n") + head + QStringLiteral("thX\u2713ee\r\n"));
        for (int i = 0; i < 5; ++i)
            box.undo();
        QCOMPARE(box.text(), QStringLiteral("new\r\n") + head + QStringLiteral("three\r\n"));
        box.redo();
        QCOMPARE(box.text(), QStringLiteral("new\r\n") + head + QStringLiteral("thX\u2713ree\r\n"));
        // Everything selected and cut empties the document.
        QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(box.isEmptyText());
        QCOMPARE(box.textLength(), 0);
    }

    void scrollStaysWhereTheUserReads()
    {
        ReceivedBox box;
        setUp(box);
        for (int i = 0; i < 100; ++i)
            box.prepend(QStringLiteral("m%1\r\n").arg(i));
        QCoreApplication::processEvents();
        // At the top the newest message stays in view.
        QCOMPARE(box.firstVisibleLine(), 0);
        box.prepend(QStringLiteral("a\r\nb\r\n"));
        QCoreApplication::processEvents();
        QCOMPARE(box.firstVisibleLine(), 0);
        // Further down the same line stays at the top.
        box.verticalScrollBar()->setValue(40);
        const qsizetype read = box.store().lineStart(40);
        const QString line = box.store().text(read, 3);
        box.prepend(QStringLiteral("c\r\nd\r\ne\r\n"));
        QCoreApplication::processEvents();
        QCOMPARE(box.firstVisibleLine(), 43);
        QCOMPARE(box.store().text(box.store().lineStart(43), 3), line);
        box.clearText();
        QVERIFY(box.isEmptyText());
        QCOMPARE(box.firstVisibleLine(), 0);
    }

    // A step in a long line lays out and measures about what is in view,
    // whatever the line holds (zero-width characters too) and however long.
    void workInALongLineDoesNotGrowWithIt_data()
    {
        QTest::addColumn<int>("fill");  // 0: printable, Cyrillic, NUL, space
        QTest::newRow("ordinary") << 0;
        QTest::newRow("soft hyphens") << 0xAD;
        QTest::newRow("form feeds") << 0x0C;
    }

    void workInALongLineDoesNotGrowWithIt()
    {
        QFETCH(int, fill);
        constexpr int kLength = 400000;
        const QString line = fill ? QString(kLength, QChar(fill)) : longLine(kLength, 5);
        ReceivedBox box;
        setUp(box);
        box.setFocus();
        box.prepend(line + QStringLiteral("\r\n"));
        box.prepend(QStringLiteral("short\r\n"));
        QCoreApplication::processEvents();  // measures the line once
        const qsizetype start = box.store().lineStart(1);
        const auto work = [&](const std::function<void()> &step) {
            const qint64 before = ReceivedBox::workDone().laidOut;
            step();
            QCoreApplication::processEvents();
            box.repaint();
            return ReceivedBox::workDone().laidOut - before;
        };
        constexpr qint64 kMost = 30000;
        QScrollBar *h = box.horizontalScrollBar();
        QCOMPARE_LT(work([&] { h->setValue(h->maximum() / 2); }), kMost);
        QCOMPARE_LT(work([&] { box.setCursorPosition(start + kLength / 2); }), kMost);
        QCOMPARE_LT(work([&] { QTest::keyClick(&box, Qt::Key_Right); }), kMost);
        QCOMPARE_LT(work([&] { QTest::keyClick(&box, Qt::Key_Up, Qt::ShiftModifier); }), kMost);
        const int y = kMargin + box.fontMetrics().height() * 3 / 2;
        QCOMPARE_LT(work([&] { QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(200, y)); }), kMost);
        const qsizetype at = box.cursorPosition();
        QVERIFY(at >= start && at <= start + kLength);
        QCOMPARE_LT(work([&] { QTest::keyClicks(&box, QStringLiteral("xy")); }), kMost);
        QCOMPARE_LT(work([&] { QTest::keyClick(&box, Qt::Key_Backspace); }), kMost);
        QCOMPARE_LT(work([&] { box.prepend(QStringLiteral("arrived\r\n")); }), kMost);
        QCOMPARE(box.text(), QStringLiteral("arrived\r\nshort\r\n") + line.left(at - start) + QLatin1Char('x')
                                 + line.mid(at - start) + QStringLiteral("\r\n"));
        // Where the caret is drawn is where a click puts it back.
        const QRect caret = static_cast<QWidget &>(box).inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, caret.center());
        QCOMPARE(box.cursorPosition(), at + qsizetype(QStringLiteral("arrived\r\n").size()) + 1);
    }

    // A drag or Shift+arrows over a big selection hands the primary
    // selection nothing at each step: it is converted when asked for, and
    // stays the last selection after the box's selection goes or is typed
    // over. Needs a window system with a primary selection (the X11 run).
    void primarySelectionIsHandedOverWhenAsked()
    {
        QClipboard *c = QGuiApplication::clipboard();
        if (!c->supportsSelection())
            QSKIP("no primary selection on this platform");
        ReceivedBox box;
        setUp(box);
        box.setFocus();
        QString doc;
        for (int i = 0; i < 20000; ++i)
            doc += QStringLiteral("line %1\r\n").arg(i);
        box.setText(doc);
        const qint64 before = ReceivedBox::workDone().converted;
        QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(&box, Qt::Key_Left, Qt::ShiftModifier);
        const int h = box.fontMetrics().height();
        QTest::mousePress(box.viewport(), Qt::LeftButton, {}, QPoint(kMargin, kMargin + h / 2));
        for (int i = 1; i < 6; ++i)
            QTest::mouseMove(box.viewport(), QPoint(kMargin + 10 * i, kMargin + h * i + h / 2));
        QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, QPoint(kMargin + 50, kMargin + 5 * h + h / 2));
        QCOMPARE(ReceivedBox::workDone().converted, before);
        const QString dragged = box.selectedText();
        QCOMPARE(c->text(QClipboard::Selection), dragged);
        // The selection goes; a message arrives; the selected text is typed over.
        QTest::keyClick(&box, Qt::Key_Right);
        box.prepend(QStringLiteral("new\r\n"));
        QCOMPARE(c->text(QClipboard::Selection), dragged);
        QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&box, Qt::Key_Down);
        QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClicks(&box, QStringLiteral("typed"));
        QCOMPARE(c->text(QClipboard::Selection), QStringLiteral("line 0"));
        QTest::keyClick(&box, Qt::Key_Delete);
        QCOMPARE(c->text(QClipboard::Selection), QStringLiteral("line 0"));
    }

    // A screen reader reads the document, the caret and the selection, and
    // hears of every message that arrives.
    void aScreenReaderReadsTheBox()
    {
        static QStringList heard;
        const auto previous = QAccessible::installUpdateHandler([](QAccessibleEvent *e) {
            if (e->type() == QAccessible::TextInserted) {
                const auto *i = static_cast<QAccessibleTextInsertEvent *>(e);
                heard << QStringLiteral("inserted at %1: %2").arg(i->changePosition()).arg(i->textInserted());
            } else if (e->type() == QAccessible::ValueChanged && e->object()->inherits("kestrum::ReceivedBox")) {
                heard << QStringLiteral("value changed");
            }
        });
        ReceivedBox box;
        setUp(box);
        box.prepend(QStringLiteral("first\r\n"));
        box.prepend(QStringLiteral("t") + QChar(0) + QStringLiteral("o\rthree\r\n"));
        const QString shown = QStringLiteral("t\u2400o\rthree\r\nfirst\r\n");
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&box);
        QVERIFY(a && a->textInterface());
        QAccessibleTextInterface *t = a->textInterface();
        QCOMPARE(a->role(), QAccessible::EditableText);
        QCOMPARE(t->characterCount(), shown.size());
        QCOMPARE(t->text(0, t->characterCount()), shown);
        QCOMPARE(a->text(QAccessible::Value), shown);
        int start = -1, end = -1;
        QCOMPARE(t->textAtOffset(13, QAccessible::LineBoundary, &start, &end), QStringLiteral("first\r\n"));
        QCOMPARE(start, 11);
        box.setCursorPosition(5);
        box.setCursorPosition(9, true);
        QCOMPARE(t->cursorPosition(), 9);
        QCOMPARE(t->selectionCount(), 1);
        t->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(5, 9));
        t->setSelection(0, 11, 16);
        QCOMPARE(box.selectedText(), QStringLiteral("first"));
        heard.clear();
        box.prepend(QStringLiteral("new\r\n"));
        QAccessible::installUpdateHandler(previous);
        QCOMPARE(t->text(0, 5), QStringLiteral("new\r\n"));
        if (!QAccessible::isActive())
            QSKIP("events go out only with an accessibility bus (the X11 run)");
        QCOMPARE(heard, QStringList({QStringLiteral("inserted at 0: new\r\n"), QStringLiteral("value changed")}));
    }

    void aBurstIsOneRepaint()
    {
        struct Counter : QObject {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                paints += e->type() == QEvent::Paint;
                return false;
            }
        } counter;
        ReceivedBox box;
        setUp(box);
        box.viewport()->installEventFilter(&counter);
        for (int i = 0; i < 500; ++i)
            box.prepend(QStringLiteral("m%1\r\n").arg(i));
        QTRY_VERIFY(counter.paints > 0);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        QCOMPARE(box.verticalScrollBar()->maximum(), 501 - box.verticalScrollBar()->pageStep());
        // Later messages repaint the lines only: neither the scroll bar,
        // whose slider stays where it is, nor the rest of the box.
        box.repaint();
        QCoreApplication::processEvents();
        Counter bar, area;
        box.verticalScrollBar()->installEventFilter(&bar);
        box.installEventFilter(&area);
        for (int i = 0; i < 20; ++i) {
            box.prepend(QStringLiteral("later %1\r\n").arg(i));
            QTRY_COMPARE(counter.paints, 2 + i);
        }
        QCOMPARE(bar.paints, 0);
        QCOMPARE(area.paints, 0);
    }
};

KESTRUM_TEST_MAIN(TestReceivedBox)
#include "test_receivedbox.moc"
