#pragma once

#include <exception>

namespace tavro {

// One step of a continue-on-error handler: whatever fails inside abandons
// that step only, silently, and the handler goes on with its next step.
// Failures the user must hear of are reported where they happen (the data
// control's own boxes); nothing thrown may reach the event loop.
template <typename Step>
bool runStep(Step &&step) noexcept
{
    try {
        step();
        return true;
    } catch (const std::exception &) {
        return false;
    } catch (...) {
        return false;
    }
}

} // namespace tavro
