#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ordane::platform {

void BoundedParallel::runIndices(size_t count, size_t width, std::stop_token stop,
                                 const std::function<void(size_t)>& work, const std::function<void(size_t)>& finished) {
    if (count == 0) return;
    size_t workerCount = std::min(std::max<size_t>(width, 1), count);

    // Everything below is guarded by `mutex`. The caller grants each start after the first
    // `workerCount`: a job starts only once the caller has handled a finished one, so a stop
    // requested from `finished` keeps the next job from starting.
    std::mutex mutex;
    std::condition_variable workAvailable;
    std::condition_variable jobFinished;
    size_t next = 0;
    size_t granted = workerCount;
    size_t inFlight = 0;
    bool failed = false;
    bool closing = false;
    std::exception_ptr firstError;
    std::deque<size_t> completed;

    auto canStart = [&] { return next < granted && next < count && !failed && !stop.stop_requested(); };
    std::stop_callback wakeOnStop(stop, [&] {
        std::lock_guard lock(mutex);
        workAvailable.notify_all();
        jobFinished.notify_all();
    });

    auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            workAvailable.wait(lock, [&] { return closing || canStart(); });
            if (!canStart()) break;
            size_t index = next++;
            ++inFlight;
            lock.unlock();
            std::exception_ptr error;
            try {
                work(index);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            --inFlight;
            if (error) {
                if (!failed) firstError = error;
                failed = true;
            } else {
                completed.push_back(index);
            }
            jobFinished.notify_one();
        }
    };

    std::vector<std::jthread> workers;
    workers.reserve(workerCount);
    for (size_t i = 0; i < workerCount; ++i) workers.emplace_back(worker);

    std::exception_ptr callbackError;
    std::unique_lock lock(mutex);
    for (;;) {
        jobFinished.wait(lock, [&] { return !completed.empty() || (inFlight == 0 && !canStart()); });
        if (completed.empty()) break;
        size_t index = completed.front();
        completed.pop_front();
        if (!callbackError) {
            lock.unlock();
            try {
                finished(index);
            } catch (...) {
                callbackError = std::current_exception();
            }
            lock.lock();
            if (callbackError) failed = true;
        }
        ++granted;
        workAvailable.notify_one();
    }
    closing = true;
    workAvailable.notify_all();
    lock.unlock();
    workers.clear();
    if (firstError) std::rethrow_exception(firstError);
    if (callbackError) std::rethrow_exception(callbackError);
}

}  // namespace ordane::platform
