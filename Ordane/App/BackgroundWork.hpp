#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

class QObject;

namespace ordane {

// The worker threads of one object that lives on the main thread, and the way back to it. Jobs
// hand their results to `post`, which queues the call on the receiver's thread; once the owner is
// being destroyed nothing more is queued. The destructor asks every job to stop and waits for it,
// so it belongs to the end of the program (or of a test), never to the middle of a run.
class BackgroundWork {
public:
    explicit BackgroundWork(QObject* receiver);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Runs the job on a thread of its own; the returned source stops it.
    std::stop_source start(std::function<void(std::stop_token)> job);
    // Any thread: queues `call` on the receiver's thread. Exceptions must not leave `call`.
    void post(std::function<void()> call);
    // Whether a job is still running (for tests waiting for quiet).
    bool busy();

private:
    struct Job {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    std::mutex mutex_;
    QObject* receiver_;
    std::list<Job> jobs_;
};

}  // namespace ordane
