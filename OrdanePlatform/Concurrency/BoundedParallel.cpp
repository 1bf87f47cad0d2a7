#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ordane::platform {

void BoundedParallel::runIndices(size_t count, size_t width, std::stop_token stop,
                                 const std::function<void(size_t)>& work, const std::function<void(size_t)>& finished) {
    if (count == 0 || stop.stop_requested()) return;
    size_t workerCount = std::min(std::max<size_t>(width, 1), count);

    // Guarded by `mutex`. Each worker takes the next job as soon as it is free, so at most
    // `workerCount` jobs are in flight and none waits on the calling thread to start.
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;
    size_t runningWorkers = workerCount;
    bool failed = false;
    std::exception_ptr firstError;
    std::deque<size_t> completed;

    auto worker = [&] {
        std::unique_lock lock(mutex);
        while (next < count && !failed && !stop.stop_requested()) {
            size_t index = next++;
            lock.unlock();
            std::exception_ptr error;
            try {
                work(index);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error) {
                if (!failed) firstError = error;
                failed = true;
            } else {
                completed.push_back(index);
            }
            changed.notify_one();
        }
        --runningWorkers;
        changed.notify_one();
    };

    std::vector<std::jthread> workers;
    workers.reserve(workerCount);
    for (size_t i = 0; i < workerCount; ++i) workers.emplace_back(worker);

    std::exception_ptr callbackError;
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [&] { return !completed.empty() || runningWorkers == 0; });
        if (completed.empty()) break;
        size_t index = completed.front();
        completed.pop_front();
        if (callbackError) continue;  // drain without reporting after a failed callback
        lock.unlock();
        try {
            finished(index);
        } catch (...) {
            callbackError = std::current_exception();
        }
        lock.lock();
        if (callbackError) failed = true;
    }
    lock.unlock();
    workers.clear();  // every worker has left its loop
    if (firstError) std::rethrow_exception(firstError);
    if (callbackError) std::rethrow_exception(callbackError);
}

}  // namespace ordane::platform
