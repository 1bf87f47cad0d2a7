#pragma once

#include <chrono>
#include <optional>
#include <stop_token>

namespace ordane::platform {

// When a piece of work must give up: at a point in time on the monotonic clock, or as soon as its
// stop token is requested, whichever comes first. The work checks `reached()` at its safe points
// (between pages, between recognition steps), so it ends soon after, instead of running to its end.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    // Never reached unless the token is stopped.
    explicit Deadline(std::stop_token stop = {}) : stop_(std::move(stop)) {}
    Deadline(Clock::time_point end, std::stop_token stop) : stop_(std::move(stop)), end_(end) {}

    static Deadline after(Clock::duration timeout, std::stop_token stop = {}) {
        return Deadline(Clock::now() + timeout, std::move(stop));
    }

    bool reached() const { return stop_.stop_requested() || (end_ && Clock::now() >= *end_); }
    bool stopRequested() const { return stop_.stop_requested(); }
    const std::stop_token& stopToken() const { return stop_; }
    std::optional<Clock::time_point> end() const { return end_; }

private:
    std::stop_token stop_;
    std::optional<Clock::time_point> end_;
};

}  // namespace ordane::platform
