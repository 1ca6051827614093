#pragma once
#include "core/error.h"
#include "platform/platform.h"
#include <exception>
#include <utility>

namespace kestrum {

// Runs one step; a failure shows its description in the message box and the
// caller goes on with its next step. Returns whether the step succeeded.
template <class F>
bool guarded(F &&step)
{
    try {
        std::forward<F>(step)();
        return true;
    } catch (const Error &e) {
        showMessage(e.description());
    } catch (const std::exception &e) {
        showMessage(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace kestrum
