#pragma once
#include "core/error.h"
#include "platform/platform.h"
#include <exception>
#include <utility>

namespace kestrum {

// Runs one step; a failure shows its description in the message box and the
// caller goes on with its next step. Returns whether the step succeeded.
// This is how a window handler reports what a direct call threw.
template <class F>
bool guarded(F &&step)
{
    try {
        std::forward<F>(step)();
        return true;
    } catch (const std::exception &e) {
        showMessage(describe(e));
    }
    return false;
}

// A failure handed over as a value (what Apply could not do) is shown the
// same way.
inline void showFailure(const std::exception_ptr &failure)
{
    if (failure)
        guarded([&] { std::rethrow_exception(failure); });
}

} // namespace kestrum
