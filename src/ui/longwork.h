#pragma once
#include <QString>
#include <functional>

namespace kestrum {

struct Progress;

// True while a long piece of work on the whole document runs aside: no
// second command that reads or changes the document may start.
bool longWorkRunning();

// Runs work on a thread of its own while the window goes on; a progress
// window ("ProgressDialog1") with Cancel shows when it takes over a second.
// The user's input reaches that window alone meanwhile: the document the
// work reads or fills must not change under it, and no second command may
// start; painting, arriving messages and timers go on. tick runs here every
// few milliseconds meanwhile and once at the end. Rethrows what work threw.
void runAside(const QString &label, Progress &progress, const std::function<void()> &work,
              const std::function<void()> &tick = {});

} // namespace kestrum
