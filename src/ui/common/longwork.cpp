#include "ui/common/longwork.h"
#include "core/textfile.h"
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

namespace kestrum {

namespace {

class InputHold : public QObject {
public:
    explicit InputHold(QWidget *allowed) : m_allowed(allowed) { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        if (auto *window = qobject_cast<QWindow *>(o); window && window == m_allowed->windowHandle())
            return false;
        if (auto *w = qobject_cast<QWidget *>(o); w && (w == m_allowed || m_allowed->isAncestorOf(w)))
            return false;
        e->ignore();
        return true;
    }

private:
    QWidget *m_allowed;
};

} // namespace

void LongWork::run(const QString &label, Progress &progress, const std::function<void()> &work,
                   const std::function<void()> &tick)
{
    QProgressDialog dialog(label, QCoreApplication::translate("kestrum::Form1", "Отмена"), 0, 1000);
    dialog.setObjectName(QStringLiteral("ProgressDialog1"));
    dialog.setWindowTitle(QStringLiteral("Kestrum"));
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(1000);
    const InputHold hold(&dialog);
    const bool wasRunning = std::exchange(m_running, true);
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(15);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (tick)
            tick();
        if (dialog.wasCanceled())
            progress.cancelled = true;
        const qint64 total = progress.total;
        if (total > 0)
            dialog.setValue(int(std::min<qint64>(1000, progress.done * 1000 / total)));
        if (finished)
            loop.quit();
    });
    timer.start();
    loop.exec();
    worker.join();
    if (tick)
        tick();
    m_running = wasRunning;
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace kestrum
