#pragma once
#include <sys/resource.h>

namespace kestrum::test {

// Processor time, user and system, of the process (or, with RUSAGE_THREAD,
// of the calling thread) in seconds.
double cpuSeconds(int who = RUSAGE_SELF);

// Resident memory of the process in KiB, -1 when it cannot be read.
long vmRssKiB();
// The process's own memory, without the file pages the kernel may drop.
long rssAnonKiB();

} // namespace kestrum::test
