// Which window keeps which disabled: a window is enabled exactly when nobody
// holds it any more.
#include "ui/common/windowholds.h"
#include "support/testenv.h"
#include <QTest>
#include <memory>

using namespace kestrum;

class WindowHoldsTest : public QObject {
    Q_OBJECT
private slots:
    void holdsAreCounted_data()
    {
        // Steps: "A+M" A holds the main window, "A-M" A lets go of it, "A-"
        // A lets go of all it holds. Then: the windows left enabled.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("held") << QStringList{"A+M"} << "O";
        QTest::newRow("let go") << QStringList{"A+M", "A-"} << "MO";
        QTest::newRow("two holders, one lets go") << QStringList{"A+M", "B+M", "A-"} << "O";
        QTest::newRow("two holders, both let go") << QStringList{"A+M", "B+M", "B-", "A-"} << "MO";
        QTest::newRow("held twice by one is one hold") << QStringList{"A+M", "A+M", "A-"} << "MO";
        QTest::newRow("one window let go, the other kept") << QStringList{"A+M", "A+O", "A-M"} << "M";
        QTest::newRow("another's hold is not released") << QStringList{"A+M", "B-M", "B-"} << "O";
        QTest::newRow("two windows, shared holder") << QStringList{"A+M", "A+O", "B+O", "A-"} << "M";
    }

    void holdsAreCounted()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, enabled);
        QWidget main, options;
        QObject a, b;
        WindowHolds holds;
        for (const QString &step : steps) {
            const QObject *holder = step.at(0) == 'A' ? &a : &b;
            QWidget *window = step.size() < 3 ? nullptr : step.at(2) == 'M' ? &main : &options;
            if (step.at(1) == '+')
                holds.hold(window, holder);
            else
                holds.release(holder, window);
        }
        QCOMPARE(main.isEnabled(), enabled.contains('M'));
        QCOMPARE(options.isEnabled(), enabled.contains('O'));
        QCOMPARE(holds.holders(&main) == 0, enabled.contains('M'));
    }

    void aDestroyedWindowIsForgotten()
    {
        QObject a;
        WindowHolds holds;
        auto window = std::make_unique<QWidget>();
        const QWidget *gone = window.get();
        holds.hold(window.get(), &a);
        window.reset();
        holds.release(&a);
        QCOMPARE(holds.holders(gone), 0);
    }
};

KESTRUM_TEST_MAIN(WindowHoldsTest)
#include "test_windowholds.moc"
