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
    // A few milliseconds of a walk's records: the poll comes about as soon.
    static constexpr size_t wakeBatch = 4096;
    static constexpr auto pollInterval = std::chrono::milliseconds(10);

    std::mutex mutex;
    std::condition_variable_any ready;
    // Unbounded. Records are most of a scan and small apart from the event around them, so they
    // are kept apart; each other event notes how many of the records came before it.
    std::vector<FileRecord> records;
    std::vector<std::pair<size_t, ScanEvent>> others;
    bool consumerWaiting = false;
    size_t sinceWake = 0;
    bool finished = false;
    std::exception_ptr error;
    std::stop_source stop;
    bool dropped = false;  // used by the walk's thread alone

    void add(FileRecord&& record) {
        put([&] { records.push_back(std::move(record)); }, false);
    }

    void add(ScanEvent&& event) {
        if (auto* record = std::get_if<FileRecord>(&event.value)) return add(std::move(*record));
        put([&] { others.emplace_back(records.size(), std::move(event)); }, true);
    }

    // `store` puts an event in the buffer; `urgent`: wake a waiting consumer for it alone.
    template <typename Store>
    void put(const Store& store, bool urgent) {
        // Nobody is listening any more; the walk stops at its next check.
        if (stop.stop_requested()) {
            dropped = true;
            return;
        }
        bool wake = false;
        {
            std::lock_guard lock(mutex);
            store();
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
        walker.walk(
            roots, [&channel](ScanEvent&& event) { channel->add(std::move(event)); },
            [&channel](FileRecord&& record) { channel->add(std::move(record)); }, channel->stop.get_token());
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
        receivedRecords_ = std::move(other.receivedRecords_);
        receivedOthers_ = std::move(other.receivedOthers_);
        nextRecord_ = other.nextRecord_;
        nextOther_ = other.nextOther_;
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
    if (nextRecord_ == receivedRecords_.size() && nextOther_ == receivedOthers_.size()) {
        receivedRecords_.clear();
        receivedOthers_.clear();
        nextRecord_ = nextOther_ = 0;
        std::unique_lock lock(channel_->mutex);
        auto hasNews = [this] {
            return !channel_->records.empty() || !channel_->others.empty() || channel_->finished;
        };
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
        receivedRecords_.swap(channel_->records);
        receivedOthers_.swap(channel_->others);
        if (receivedRecords_.empty() && receivedOthers_.empty()) {
            // Finished: hand out the error once, then the end.
            std::exception_ptr error = std::exchange(channel_->error, nullptr);
            lock.unlock();
            if (error) std::rethrow_exception(error);
            return std::nullopt;
        }
    }
    if (nextOther_ < receivedOthers_.size() && receivedOthers_[nextOther_].first == nextRecord_) {
        return std::move(receivedOthers_[nextOther_++].second);
    }
    // Built where it is returned: the event is many times the record's size.
    return std::optional<ScanEvent>(std::in_place, std::move(receivedRecords_[nextRecord_++]));
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
