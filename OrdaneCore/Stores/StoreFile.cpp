#include "OrdaneCore/Stores/StoreFile.hpp"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <map>
#include <new>
#include <thread>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using platform::FileSystemError;

StoreFile::StoreFile(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem, Unusable policy)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)), policy_(policy) {}

std::optional<platform::FileBytes> StoreFile::read() {
    try {
        return fileSystem_->readLargeFile(fileURL_.path());
    } catch (const FileSystemError& error) {
        if (error.errorNumber() != ENOENT) noteUnusable();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        // Far larger than any file this store writes.
        noteUnusable();
        return std::nullopt;
    }
}

void StoreFile::noteUnusable() {
    if (policy_ == Unusable::setAside) setAsidePending_ = true;
}

bool StoreFile::write(const std::string& contents) {
    return writeWith([&](const std::string& path) { fileSystem_->writeFileAtomically(path, contents); });
}

bool StoreFile::writePieces(const platform::FileSystem::Pieces& produce) {
    // Renaming over a file drops its last name; when nothing else holds it, the rename itself
    // frees the file and its cached pages, a long pause for hundreds of megabytes.
    std::unique_ptr<platform::ReadableFile> replaced;
    try {
        replaced = fileSystem_->openForReading(fileURL_.path());
    } catch (const std::exception&) {
        // Missing or not a file: nothing to hold on to.
    }
    const bool written = writeWith([&](const std::string& path) { fileSystem_->writePiecesAtomically(path, produce); });
    if (replaced) releaser_ = std::jthread([file = std::move(replaced)]() mutable { file.reset(); });
    return written;
}

bool StoreFile::append(std::string_view bytes) {
    return writeWith([&](const std::string& path) { fileSystem_->appendDurably(path, bytes); });
}

bool StoreFile::remove() {
    if (setAsidePending_) {
        if (!moveUnusableAside()) return false;
        setAsidePending_ = false;
        return true;
    }
    try {
        fileSystem_->removeItem(fileURL_.path());
    } catch (const FileSystemError& error) {
        return error.errorNumber() == ENOENT;
    }
    return true;
}

bool StoreFile::writeWith(const std::function<void(const std::string&)>& writeAtomically) {
    const std::string& path = fileURL_.path();
    try {
        fileSystem_->createDirectories(platform::path::parent(path));
    } catch (const FileSystemError&) {
        // The write below reports whether the folder is really missing.
    }
    if (setAsidePending_) {
        if (!moveUnusableAside()) return false;
        setAsidePending_ = false;
    }
    try {
        writeAtomically(path);
        return true;
    } catch (const FileSystemError&) {
        return false;
    }
}

bool StoreFile::moveUnusableAside() {
    const std::string& path = fileURL_.path();
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    std::string aside = path + ".unreadable-" + stamp;
    for (int attempt = 1; attempt < 100; ++attempt) {
        std::string candidate = attempt == 1 ? aside : aside + "-" + std::to_string(attempt);
        try {
            fileSystem_->moveNoReplace(path, candidate);
            return true;
        } catch (const FileSystemError& error) {
            // Gone in the meantime: nothing left to protect.
            if (error.errorNumber() == ENOENT) return true;
            if (error.errorNumber() != EEXIST) return false;
        }
    }
    return false;
}

void StoreFile::inTurns(size_t count, size_t chunkSize, const std::function<void(size_t, size_t, std::string&)>& encode,
                        const std::function<void(const std::string&)>& consume) {
    const size_t chunks = (count + chunkSize - 1) / chunkSize;
    if (chunks <= 1) {
        std::string piece;
        encode(0, count, piece);
        consume(piece);
        return;
    }
    const size_t width = parallelWidth();
    // How far encoding may run ahead of consuming: enough that a thread rarely waits, few enough
    // that the pieces held stay a small part of the entries.
    const size_t ahead = 2 * width;
    std::mutex mutex;
    std::condition_variable consumed;
    size_t turn = 0;                    // the chunk whose piece is consumed next
    bool consuming = false;             // a thread is consuming pieces in turn
    bool abandoned = false;             // a chunk failed: the pieces after it must not follow
    std::map<size_t, std::string> ready;  // encoded, waiting for their turn
    std::vector<std::string> spare;     // consumed pieces, kept for their capacity
    platform::BoundedParallel::runIndices(
        chunks, width, std::stop_token{},
        [&](size_t chunk) {
            std::unique_lock lock(mutex);
            try {
                consumed.wait(lock, [&] { return chunk < turn + ahead || abandoned; });
                if (abandoned) return;
                std::string piece;
                if (!spare.empty()) {
                    piece = std::move(spare.back());
                    spare.pop_back();
                }
                lock.unlock();
                encode(chunk * chunkSize, std::min(count, (chunk + 1) * chunkSize), piece);
                lock.lock();
                if (abandoned) return;
                ready.emplace(chunk, std::move(piece));
                // Whoever finds the next piece ready consumes it and those that follow, one at a time.
                if (consuming) return;
                consuming = true;
                for (auto next = ready.find(turn); next != ready.end(); next = ready.find(turn)) {
                    std::string current = std::move(next->second);
                    ready.erase(next);
                    lock.unlock();
                    consume(current);
                    current.clear();
                    lock.lock();
                    spare.push_back(std::move(current));
                    ++turn;
                    consumed.notify_all();
                }
                consuming = false;
            } catch (...) {
                if (!lock.owns_lock()) lock.lock();
                abandoned = true;
                consumed.notify_all();
                throw;
            }
        },
        [](size_t) {});
}

size_t StoreFile::parallelWidth() { return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8); }

std::string StoreFile::header(int64_t version, std::string_view member) {
    std::string out = "{\"version\":" + std::to_string(version) + ",";
    json::appendString(out, member);
    out += ":{";
    return out;
}

namespace {

// Runs the jobs handed to it on worker threads, started with the second job (a small file has
// one), and finishes them on the calling thread in the order they came.
class OrderedJobs {
public:
    explicit OrderedJobs(size_t width) : width_(width) {}

    ~OrderedJobs() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        workers_.clear();  // joins
    }

    // Finishes the jobs that are done, then waits while too many are waiting.
    void submit(std::function<void()> work, std::function<void()> finish) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(Job{std::move(work), std::move(finish)});
        }
        if (workers_.empty() && jobs_.size() > 1) {
            for (size_t k = 0; k < width_; ++k) workers_.emplace_back([this] { runWorker(); });
        }
        changed_.notify_all();
        finishReady(2 * width_);
    }

    // Runs what is left and finishes everything; rethrows the first fault of a job.
    void finishAll() {
        if (workers_.empty()) {
            for (; next_ < jobs_.size(); ++next_) {
                jobs_[next_].work();
                jobs_[next_].finish();
            }
            return;
        }
        finishReady(0);
    }

private:
    struct Job {
        std::function<void()> work;
        std::function<void()> finish;
        bool done = false;
    };

    // Finishes done jobs in order until at most `waiting` jobs remain unfinished.
    void finishReady(size_t waiting) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (error_) std::rethrow_exception(error_);
            if (next_ < jobs_.size() && jobs_[next_].done) {
                std::function<void()> finish = std::move(jobs_[next_].finish);
                jobs_[next_].work = nullptr;
                ++next_;
                lock.unlock();
                finish();
                lock.lock();
                continue;
            }
            if (jobs_.size() - next_ <= waiting) return;
            changed_.wait(lock);
        }
    }

    void runWorker() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || error_ || started_ < jobs_.size(); });
            if (stopping_ || error_) return;
            Job& job = jobs_[started_++];  // a deque keeps its elements in place as it grows
            lock.unlock();
            std::exception_ptr error;
            try {
                job.work();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error && !error_) error_ = error;
            job.done = true;
            changed_.notify_all();
        }
    }

    size_t width_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    size_t started_ = 0;  // handed to a worker
    size_t next_ = 0;     // the next to finish
    bool stopping_ = false;
    std::exception_ptr error_;
    std::vector<std::jthread> workers_;
};

}  // namespace

void StoreFile::forEachSpanBatch(std::string_view text, int64_t version, std::string_view member,
                                 const std::function<void(Spans&, const Submit&)>& batch) {
    OrderedJobs jobs(parallelWidth());
    const Submit submit = [&jobs](std::function<void()> work, std::function<void()> finish) {
        jobs.submit(std::move(work), std::move(finish));
    };
    JsonReader reader(text);
    std::optional<int64_t> foundVersion;
    bool foundMember = false;
    reader.forEachMember([&](std::string key) {
        if (key == "version") {
            foundVersion = json::int64(reader.readValue());
        } else if (key == member) {
            foundMember = true;
            Spans spans;
            reader.forEachMember([&](std::string entryKey) {
                spans.emplace_back(std::move(entryKey), reader.skimValue());
                if (spans.size() == readChunkSize) {
                    batch(spans, submit);
                    spans.clear();
                }
            });
            if (!spans.empty()) batch(spans, submit);
        } else {
            reader.skipValue();
        }
    });
    reader.finish();
    if (!foundVersion) throw DecodingError("Missing key \"version\"");
    if (*foundVersion != version) throw DecodingError("Unsupported file version " + std::to_string(*foundVersion));
    if (!foundMember) throw DecodingError("Missing key \"" + std::string(member) + "\"");
    jobs.finishAll();
}

}  // namespace ordane
