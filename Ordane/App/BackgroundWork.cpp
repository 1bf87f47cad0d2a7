#include "Ordane/App/BackgroundWork.hpp"

#include <QMetaObject>
#include <QObject>

namespace ordane {

BackgroundWork::BackgroundWork(QObject* receiver) : receiver_(receiver) {}

BackgroundWork::~BackgroundWork() {
    std::list<Job> jobs;
    {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
        jobs.swap(jobs_);
    }
    for (Job& job : jobs) job.thread.request_stop();
    // The jthreads join here, outside the lock, so a job that posts meanwhile is not blocked.
}

std::stop_source BackgroundWork::start(std::function<void(std::stop_token)> job) {
    std::lock_guard lock(mutex_);
    jobs_.remove_if([](const Job& done) { return done.finished->load(); });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    jobs_.push_back(Job{std::jthread([job = std::move(job), finished](std::stop_token stop) {
                            job(stop);
                            finished->store(true);
                        }),
                        finished});
    return jobs_.back().thread.get_stop_source();
}

void BackgroundWork::post(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    if (!receiver_) return;
    QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
}

bool BackgroundWork::busy() {
    std::lock_guard lock(mutex_);
    for (const Job& job : jobs_) {
        if (!job.finished->load()) return true;
    }
    return false;
}

}  // namespace ordane
