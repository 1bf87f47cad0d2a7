#include "OrdaneCore/Scan/ScanEngine.hpp"

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Scan/DirectoryWalker.hpp"

namespace ordane {

// What the walk's thread and the consumer share. Either side may outlive the other.
//
// Every event is put in the buffer at once, but a waiting consumer is woken only for a batch, for
// an event other than a record, or at the end; it also looks on its own every few milliseconds.
// So a consumer that keeps up is not woken once per record, and one whose walk hangs in the file
// system still gets what was found before.
struct ScanStream::Channel {
    static constexpr size_t wakeBatch = 256;
    static constexpr auto pollInterval = std::chrono::milliseconds(10);

    std::mutex mutex;
    std::condition_variable_any ready;
    std::vector<ScanEvent> events;  // unbounded
    bool consumerWaiting = false;
    size_t sinceWake = 0;
    bool finished = false;
    std::exception_ptr error;
    std::stop_source stop;
    bool dropped = false;  // used by the walk's thread alone

    void add(ScanEvent&& event) {
        // Nobody is listening any more; the walk stops at its next check.
        if (stop.stop_requested()) {
            dropped = true;
            return;
        }
        bool urgent = !std::holds_alternative<FileRecord>(event.value);
        bool wake = false;
        {
            std::lock_guard lock(mutex);
            events.push_back(std::move(event));
            wake = consumerWaiting && (urgent || ++sinceWake >= wakeBatch);
            if (wake) sinceWake = 0;
        }
        if (wake) ready.notify_one();
    }

    void finish(std::exception_ptr failure) {
        // A walk that ended before noticing the stop lost its last events, the summary among
        // them: the stream must not end as if the scan were complete.
        if (!failure && dropped) failure = std::make_exception_ptr(CancellationError());
        {
            std::lock_guard lock(mutex);
            finished = true;
            error = std::move(failure);
        }
        ready.notify_one();
    }
};

namespace {

void runWalk(const std::shared_ptr<ScanStream::Channel>& channel, const std::vector<URL>& roots, ScanRules rules,
             URL home, std::shared_ptr<platform::FileSystem> fileSystem) {
    // A background scan should not compete with the person's own work (utility priority).
    ::setpriority(PRIO_PROCESS, 0, 10);
    ::pthread_setname_np(::pthread_self(), "scan-walk");  // for profilers
    std::exception_ptr failure;
    try {
        DirectoryWalker walker(std::move(rules), std::move(home), std::move(fileSystem));
        walker.walk(roots, [&channel](ScanEvent event) { channel->add(std::move(event)); },
                    channel->stop.get_token());
    } catch (...) {
        failure = std::current_exception();
    }
    // Handed over once the handler has let go of the error, so that the consumer holds the last
    // reference and nothing of it is freed here while the consumer reads it.
    channel->finish(std::move(failure));
}

}  // namespace

ScanStream::ScanStream(std::shared_ptr<Channel> channel) : channel_(std::move(channel)) {}

ScanStream& ScanStream::operator=(ScanStream&& other) noexcept {
    if (this != &other) {
        requestStop();
        channel_ = std::move(other.channel_);
        received_ = std::move(other.received_);
        nextReceived_ = other.nextReceived_;
    }
    return *this;
}

ScanStream::~ScanStream() { requestStop(); }

void ScanStream::requestStop() {
    // Never waits: the walk's thread owns its share of the channel and ends on its own.
    if (channel_) channel_->stop.request_stop();
}

std::optional<ScanEvent> ScanStream::next(std::stop_token stopToken) {
    if (!channel_) return std::nullopt;
    if (stopToken.stop_requested()) {
        requestStop();
        throw CancellationError();
    }
    if (nextReceived_ == received_.size()) {
        received_.clear();
        nextReceived_ = 0;
        std::unique_lock lock(channel_->mutex);
        auto hasNews = [this] { return !channel_->events.empty() || channel_->finished; };
        while (!hasNews()) {
            channel_->consumerWaiting = true;
            channel_->ready.wait_for(lock, stopToken, Channel::pollInterval, hasNews);
            channel_->consumerWaiting = false;
            if (stopToken.stop_requested()) {
                lock.unlock();
                requestStop();
                throw CancellationError();
            }
        }
        received_.swap(channel_->events);
        if (received_.empty()) {
            // Finished: hand out the error once, then the end.
            std::exception_ptr error = std::exchange(channel_->error, nullptr);
            lock.unlock();
            if (error) std::rethrow_exception(error);
            return std::nullopt;
        }
    }
    return std::move(received_[nextReceived_++]);
}

ScanStream ScanEngine::scan(std::vector<URL> roots, ScanRules rules, URL home,
                            std::shared_ptr<platform::FileSystem> fileSystem) {
    auto channel = std::make_shared<ScanStream::Channel>();
    // Detached: the consumer must never wait for a walk stuck in the file system. The thread
    // holds everything it uses.
    std::thread([channel, roots = std::move(roots), rules = std::move(rules), home = std::move(home),
                 fileSystem = std::move(fileSystem)]() mutable {
        runWalk(channel, roots, std::move(rules), std::move(home), std::move(fileSystem));
    }).detach();
    return ScanStream(channel);
}

}  // namespace ordane
