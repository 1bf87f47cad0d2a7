#include "OrdaneCore/Scan/ScanEngine.hpp"

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
struct ScanStream::Channel {
    std::mutex mutex;
    std::condition_variable_any ready;
    std::vector<ScanEvent> events;  // unbounded
    bool finished = false;
    std::exception_ptr error;
    std::stop_source stop;

    void publish(std::vector<ScanEvent>& batch) {
        if (batch.empty()) return;
        {
            std::lock_guard lock(mutex);
            if (events.empty()) {
                events.swap(batch);
            } else {
                events.insert(events.end(), std::make_move_iterator(batch.begin()),
                              std::make_move_iterator(batch.end()));
            }
        }
        batch.clear();
        ready.notify_one();
    }

    void finish(std::exception_ptr failure) {
        {
            std::lock_guard lock(mutex);
            finished = true;
            error = std::move(failure);
        }
        ready.notify_one();
    }
};

namespace {

// Gathers events on the walk's side and hands them over in batches, so a consumer that keeps up
// is not woken once per record. Progress, the summary and a short delay each flush the batch.
class Producer {
public:
    explicit Producer(std::shared_ptr<ScanStream::Channel> channel) : channel_(std::move(channel)) {}

    void add(ScanEvent event) {
        // Nobody is listening any more; the walk stops at its next check.
        if (channel_->stop.stop_requested()) return;
        bool urgent = !std::holds_alternative<FileRecord>(event.value);
        batch_.push_back(std::move(event));
        auto now = std::chrono::steady_clock::now();
        if (urgent || batch_.size() >= maximumBatch || now - lastFlush_ >= maximumDelay) {
            channel_->publish(batch_);
            lastFlush_ = now;
        }
    }

    void flush() { channel_->publish(batch_); }

private:
    static constexpr size_t maximumBatch = 512;
    static constexpr auto maximumDelay = std::chrono::milliseconds(20);

    std::shared_ptr<ScanStream::Channel> channel_;
    std::vector<ScanEvent> batch_;
    std::chrono::steady_clock::time_point lastFlush_ = std::chrono::steady_clock::now();
};

void runWalk(const std::shared_ptr<ScanStream::Channel>& channel, const std::vector<URL>& roots, ScanRules rules,
             URL home, std::shared_ptr<platform::FileSystem> fileSystem) {
    // A background scan should not compete with the person's own work (utility priority).
    ::setpriority(PRIO_PROCESS, 0, 10);
    Producer producer(channel);
    try {
        DirectoryWalker walker(std::move(rules), std::move(home), std::move(fileSystem));
        walker.walk(roots, [&producer](ScanEvent event) { producer.add(std::move(event)); },
                    channel->stop.get_token());
        producer.flush();
        channel->finish(nullptr);
    } catch (...) {
        producer.flush();
        channel->finish(std::current_exception());
    }
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
        bool ready = channel_->ready.wait(lock, stopToken,
                                          [this] { return !channel_->events.empty() || channel_->finished; });
        if (!ready) {
            lock.unlock();
            requestStop();
            throw CancellationError();
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
