#pragma once

#include <algorithm>
#include <chrono>
#include <optional>
#include <stop_token>
#include <type_traits>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdanePlatform/Concurrency/Deadline.hpp"

namespace ordane {

// The deadline `timeout` from now, also reached when `stop` is requested. A timeout too long for
// the clock never comes.
inline platform::Deadline deadlineAfter(std::chrono::nanoseconds timeout, std::stop_token stop) {
    constexpr auto longest = std::chrono::hours(24 * 365 * 100);
    if (timeout >= longest) return platform::Deadline(std::move(stop));
    return platform::Deadline::after(std::max(timeout, std::chrono::nanoseconds::zero()), std::move(stop));
}

// Runs `operation(deadline)` on the calling thread and gives its result, or nothing when the time
// ran out first. The operation checks the deadline between its steps (pages, recognition steps,
// chunks), so a slow file gives up within about a second of the limit instead of holding its
// worker until the work ends. Throws CancellationError when `stop` is requested.
template <class Operation>
auto runWithTimeout(Operation&& operation, std::chrono::nanoseconds timeout, std::stop_token stop = {})
    -> std::invoke_result_t<Operation, const platform::Deadline&> {
    checkCancellation(stop);
    const platform::Deadline deadline = deadlineAfter(timeout, stop);
    auto result = operation(deadline);
    checkCancellation(stop);
    if (deadline.reached()) return std::nullopt;  // a result that came too late counts as none
    return result;
}

}  // namespace ordane
