#pragma once
#include <QString>
#include <functional>

namespace kestrum {

struct Progress;

// Long pieces of work on one main window's document (open, save, print,
// a big copy), run aside one at a time. Each main window has its own, so
// that one window's work is never taken for another's.
class LongWork {
public:
    // True while a piece runs: no second command that reads or changes the
    // document may start.
    bool running() const { return m_running; }

    // Runs work on a thread of its own while the window goes on; a progress
    // window ("ProgressDialog1") with Cancel shows when it takes over a
    // second. The user's input reaches that window alone meanwhile: the
    // document the work reads or fills must not change under it, and no
    // second command may start; painting, arriving messages and timers go
    // on. tick runs here every few milliseconds meanwhile and once at the
    // end. Rethrows what work threw.
    void run(const QString &label, Progress &progress, const std::function<void()> &work,
             const std::function<void()> &tick = {});

private:
    bool m_running = false;
};

} // namespace kestrum
