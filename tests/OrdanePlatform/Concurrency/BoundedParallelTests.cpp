#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"

using ordane::platform::BoundedParallel;

TEST(BoundedParallel, ResultsLandInTheirSlotsWithinTheWidthAndFinishCallsStayOnTheCaller) {
    const auto caller = std::this_thread::get_id();
    for (size_t width : {1u, 2u, 4u}) {
        std::atomic<size_t> inFlight = 0;
        std::atomic<size_t> most = 0;
        std::set<std::thread::id> threads;
        std::mutex threadsMutex;
        std::set<size_t> reported;
        bool everyCallOnCaller = true;
        auto results = BoundedParallel::run<size_t>(
            40, width, {},
            [&](size_t i) {
                size_t now = ++inFlight;
                size_t seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {}
                {
                    std::lock_guard lock(threadsMutex);
                    threads.insert(std::this_thread::get_id());
                }
                std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 300));
                --inFlight;
                return i * i;
            },
            [&](size_t i, size_t& result) {
                everyCallOnCaller = everyCallOnCaller && std::this_thread::get_id() == caller;
                EXPECT_EQ(result, i * i);
                reported.insert(i);
            });
        ASSERT_EQ(results.size(), 40u);
        for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], i * i);
        EXPECT_EQ(reported.size(), 40u);
        EXPECT_TRUE(everyCallOnCaller);
        EXPECT_LE(most.load(), width);
        EXPECT_LE(threads.size(), width);
        EXPECT_FALSE(threads.count(caller)) << "jobs run off the calling thread";
    }
}

TEST(BoundedParallel, AStopLeavesUnstartedSlotsEmptyAndReturns) {
    std::stop_source source;
    std::atomic<int> started = 0;
    int finishedCount = 0;
    auto results = BoundedParallel::run<std::optional<int>>(
        10, 1, source.get_token(),
        [&](size_t i) {
            ++started;
            if (i == 2) source.request_stop();
            return std::optional<int>(static_cast<int>(i));
        },
        [&](size_t, std::optional<int>&) { ++finishedCount; });
    // The job that asked for the stop finishes; none starts after it.
    EXPECT_EQ(started.load(), 3);
    EXPECT_EQ(finishedCount, 3);
    EXPECT_TRUE(results[2].has_value());
    EXPECT_FALSE(results[3].has_value() || results[9].has_value());

    // Stopped before the call: nothing starts at all.
    started = 0;
    results = BoundedParallel::run<std::optional<int>>(5, 2, source.get_token(), [&](size_t) {
        ++started;
        return std::optional<int>(1);
    });
    EXPECT_EQ(started.load(), 0);
    EXPECT_EQ(results.size(), 5u);
}

TEST(BoundedParallel, AFailingJobOrFinishCallStopsTheRestAndItsErrorReachesTheCaller) {
    std::atomic<int> started = 0;
    auto failAtThree = [&](size_t i) {
        ++started;
        if (i == 3) throw std::runtime_error("bad job");
        return 0;
    };
    EXPECT_THROW(BoundedParallel::run<int>(100, 1, {}, failAtThree), std::runtime_error);
    EXPECT_EQ(started.load(), 4);

    int calls = 0;
    auto failingFinish = [&](size_t, int&) {
        ++calls;
        throw std::logic_error("callback");
    };
    EXPECT_THROW(BoundedParallel::run<int>(20, 3, {}, [](size_t) { return 0; }, failingFinish), std::logic_error);
    EXPECT_EQ(calls, 1) << "a failed finish call is not called again";
}
