#include "OrdaneCore/Stores/StoreFile.hpp"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <map>
#include <new>
#include <optional>
#include <thread>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/System/FreedMemory.hpp"

namespace ordane {

using platform::FileSystemError;

StoreFile::StoreFile(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem, Unusable policy)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)), policy_(policy) {}

std::optional<std::string> StoreFile::read() {
    try {
        return fileSystem_->readFile(fileURL_.path());
    } catch (const FileSystemError& error) {
        if (error.errorNumber() != ENOENT) noteUnusable();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        // Far larger than any file this store writes.
        noteUnusable();
        return std::nullopt;
    }
}

std::unique_ptr<platform::ReadableFile> StoreFile::openToRead() {
    try {
        return fileSystem_->openForReading(fileURL_.path());
    } catch (const FileSystemError& error) {
        if (error.errorNumber() != ENOENT) noteUnusable();
        return nullptr;
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
// one), and finishes them in the order they came, one at a time, on whichever worker finds the
// next one done: the thread that hands jobs on never waits for a finish.
class OrderedJobs {
public:
    explicit OrderedJobs(size_t width) : width_(width) {}

    ~OrderedJobs() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        work_.notify_all();
        workers_.clear();  // joins
    }

    // Waits while too many jobs are unfinished; rethrows the first fault of a job.
    void submit(std::function<void()> work, std::function<void()> finish) {
        std::unique_lock lock(mutex_);
        jobs_.push_back(Job{std::move(work), std::move(finish)});
        if (workers_.empty() && jobs_.size() > 1) {
            for (size_t k = 0; k < width_; ++k) workers_.emplace_back([this] { runWorker(); });
        }
        work_.notify_one();
        progress_.wait(lock, [this] { return error_ || jobs_.size() - finished_ <= 2 * width_; });
        if (error_) std::rethrow_exception(error_);
    }

    // Waits until every job is finished; rethrows the first fault of a job.
    void finishAll() {
        if (workers_.empty()) {
            for (Job& job : jobs_) {
                job.work();
                job.finish();
            }
            return;
        }
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [this] { return error_ || finished_ == jobs_.size(); });
        if (error_) std::rethrow_exception(error_);
    }

private:
    struct Job {
        std::function<void()> work;
        std::function<void()> finish;
        bool done = false;
    };

    void runWorker() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return stopping_ || error_ || started_ < jobs_.size(); });
            if (stopping_ || error_) return;
            Job& job = jobs_[started_++];  // a deque keeps its elements in place as it grows
            lock.unlock();
            std::exception_ptr error;
            try {
                job.work();
                job.work = nullptr;
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            job.done = true;
            if (!error && !finishing_) error = finishDone(lock);
            if (error && !error_) {
                error_ = error;
                work_.notify_all();
                progress_.notify_all();
            }
        }
    }

    // Finishes the done jobs in order, with the lock released while each runs.
    std::exception_ptr finishDone(std::unique_lock<std::mutex>& lock) {
        finishing_ = true;
        std::exception_ptr error;
        while (!error_ && finished_ < jobs_.size() && jobs_[finished_].done) {
            std::function<void()> finish = std::move(jobs_[finished_].finish);
            lock.unlock();
            try {
                finish();
                finish = nullptr;
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error) break;
            ++finished_;
            progress_.notify_one();
        }
        finishing_ = false;
        return error;
    }

    size_t width_;
    std::mutex mutex_;
    std::condition_variable work_;      // a job to start, or the end
    std::condition_variable progress_;  // a job finished, or a fault
    std::deque<Job> jobs_;
    size_t started_ = 0;   // handed to a worker
    size_t finished_ = 0;  // the next to finish
    bool finishing_ = false;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::vector<std::jthread> workers_;
};

}  // namespace

namespace {

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

std::string readKeyText(std::string_view text) {
    JsonReader reader(text);
    std::string key = reader.readString();
    reader.finish();
    return key;
}

// Finds the entries of one member of a store's top-level object in its text, handed over piece
// by piece. Each call takes only items that are whole in its piece: an entry counts once the
// "," or "}" after it is seen, so a number cut at the piece's end is never taken for all of it.
class EntryFinder {
public:
    using Spans = std::vector<std::pair<std::string_view, std::string_view>>;

    EntryFinder(std::string_view member, int64_t version) : member_(member), version_(version) {}

    // Adds the key and value text of the entries whole in `text` to `spans` and returns how much
    // of the text it has used; the next piece must start with the rest. `atEnd`: no more follows.
    size_t find(std::string_view text, bool atEnd, Spans& spans);
    // Throws unless the whole value was found, with the member and exactly the version.
    void finish() const;

private:
    enum class State { start, firstKey, key, afterValue, firstEntry, entry, end };
    struct Incomplete {};

    size_t skipSpace(std::string_view text, size_t position) const {
        while (position < text.size() && isSpace(text[position])) ++position;
        if (position >= text.size()) throw Incomplete{};
        return position;
    }
    size_t valueEnd(std::string_view text, size_t position) const {
        const size_t end = JsonReader::skimEnd(text, position);
        if (end == std::string_view::npos) throw Incomplete{};
        return end;
    }
    [[noreturn]] void fail(size_t position, std::string_view message) const {
        throw DecodingError("Malformed JSON at byte " + std::to_string(offset_ + position) + ": " + std::string(message));
    }

    std::string_view member_;
    int64_t version_;
    State state_ = State::start;
    size_t offset_ = 0;  // of the current piece in the whole text
    bool foundVersion_ = false;
    bool foundMember_ = false;
};

size_t EntryFinder::find(std::string_view text, bool atEnd, Spans& spans) {
    size_t used = 0;
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    try {
        if (state_ == State::start && offset_ == 0) {
            if (!atEnd && text.size() < byteOrderMark.size() && byteOrderMark.starts_with(text)) throw Incomplete{};
            if (text.starts_with(byteOrderMark)) used = byteOrderMark.size();
        }
        for (;;) {
            if (state_ == State::end) {
                while (used < text.size() && isSpace(text[used])) ++used;
                if (used < text.size()) fail(used, "text after the value");
                break;
            }
            const size_t p = skipSpace(text, used);
            const char c = text[p];
            switch (state_) {
                case State::start:
                    if (c != '{') fail(p, "expected '{'");
                    used = p + 1;
                    state_ = State::firstKey;
                    break;
                case State::firstKey:
                case State::firstEntry:
                    if (c == '}') {
                        used = p + 1;
                        state_ = state_ == State::firstKey ? State::end : State::afterValue;
                    } else {
                        state_ = state_ == State::firstKey ? State::key : State::entry;
                    }
                    break;
                case State::afterValue:
                    if (c != ',' && c != '}') fail(p, "expected ',' or '}'");
                    used = p + 1;
                    state_ = c == ',' ? State::key : State::end;
                    break;
                case State::key:
                case State::entry: {
                    if (c != '"') fail(p, "expected a key");
                    const size_t keyEnd = valueEnd(text, p);
                    size_t value = skipSpace(text, keyEnd);
                    if (text[value] != ':') fail(value, "expected ':'");
                    value = skipSpace(text, value + 1);
                    if (state_ == State::key) {
                        std::string key = readKeyText(text.substr(p, keyEnd - p));
                        if (key == member_) {
                            if (text[value] != '{') fail(value, "expected '{'");
                            foundMember_ = true;
                            used = value + 1;
                            state_ = State::firstEntry;
                            break;
                        }
                        const size_t end = valueEnd(text, value);
                        (void)skipSpace(text, end);  // a number may go on in the next piece
                        JsonReader reader(text.substr(value, end - value));
                        Json decoded = reader.readValue();
                        reader.finish();
                        if (key == "version") {
                            // Written first: a file of another version is refused before its
                            // entries are decoded for nothing.
                            const int64_t found = json::int64(decoded);
                            if (found != version_) throw DecodingError("Unsupported file version " + std::to_string(found));
                            foundVersion_ = true;
                        }
                        used = end;
                        state_ = State::afterValue;
                        break;
                    }
                    const size_t end = valueEnd(text, value);
                    const size_t after = skipSpace(text, end);
                    if (text[after] != ',' && text[after] != '}') fail(after, "expected ',' or '}'");
                    spans.emplace_back(text.substr(p, keyEnd - p), text.substr(value, end - value));
                    used = after + 1;
                    if (text[after] == '}') state_ = State::afterValue;
                    break;
                }
                case State::end:
                    break;
            }
        }
    } catch (const Incomplete&) {
        if (atEnd) fail(text.size(), "unexpected end");
    }
    offset_ += used;
    return used;
}

void EntryFinder::finish() const {
    if (state_ != State::end) fail(0, "unexpected end");
    if (!foundVersion_) throw DecodingError("Missing key \"version\"");
    if (!foundMember_) throw DecodingError("Missing key \"" + std::string(member_) + "\"");
}

// Buffers for the pieces of a text, used again once let go (from any thread).
class PiecePool {
public:
    // A buffer of at least `size` bytes, not cleared.
    std::shared_ptr<char> take(size_t size) {
        std::unique_ptr<char[]> bytes;
        size_t capacity = size;
        {
            std::lock_guard lock(mutex_);
            auto fits = std::find_if(spare_.begin(), spare_.end(), [size](const auto& buffer) { return buffer.second >= size; });
            if (fits != spare_.end()) {
                bytes = std::move(fits->first);
                capacity = fits->second;
                spare_.erase(fits);
            }
        }
        if (!bytes) bytes.reset(new char[size]);
        char* raw = bytes.release();
        try {
            return std::shared_ptr<char>(raw, [this, capacity](char* given) { giveBack(given, capacity); });
        } catch (...) {
            delete[] raw;
            throw;
        }
    }

private:
    void giveBack(char* bytes, size_t capacity) {
        std::unique_ptr<char[]> owned(bytes);
        std::lock_guard lock(mutex_);
        spare_.emplace_back(std::move(owned), capacity);
    }

    std::mutex mutex_;
    std::vector<std::pair<std::unique_ptr<char[]>, size_t>> spare_;
};

// Reads a text ahead on a thread of its own, piece by piece, each into a buffer with room in
// front for what the piece before leaves over (an entry's worth, or a piece's when smaller).
class PieceReader {
public:
    struct Piece {
        std::shared_ptr<char> bytes;
        size_t start = 0;  // where the text begins in `bytes`
        size_t size = 0;   // less than a whole piece only at the end
    };

    PieceReader(const StoreFile::Source& source, size_t size, PiecePool& pool)
        : source_(source), size_(size), room_(std::min(size, roomBefore)), pool_(pool), thread_([this] { run(); }) {}

    ~PieceReader() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // The next piece; rethrows what reading threw.
    Piece next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty() || error_; });
        if (ready_.empty()) std::rethrow_exception(error_);
        Piece piece = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return piece;
    }

private:
    static constexpr size_t ahead = 4;
    static constexpr size_t roomBefore = size_t{64} << 10;

    void run() {
        try {
            for (bool atEnd = false; !atEnd;) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [this] { return stopping_ || ready_.size() < ahead; });
                    if (stopping_) return;
                }
                Piece piece{pool_.take(room_ + size_), room_, 0};
                while (piece.size < size_ && !atEnd) {
                    const size_t count = source_(piece.bytes.get() + room_ + piece.size, size_ - piece.size);
                    piece.size += count;
                    atEnd = count == 0;
                }
                std::lock_guard lock(mutex_);
                ready_.push_back(std::move(piece));
                changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            error_ = std::current_exception();
            changed_.notify_all();
        }
    }

    const StoreFile::Source& source_;
    const size_t size_;
    const size_t room_;
    PiecePool& pool_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> ready_;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace

std::string StoreFile::readKey(std::string_view text) { return readKeyText(text); }

void StoreFile::forEachSpanBatch(const Source& source, size_t chunkSize, int64_t version, std::string_view member,
                                 const std::function<void(Spans&, std::shared_ptr<const char>&, const Submit&)>& batch) {
    chunkSize = std::max<size_t>(chunkSize, 1);
    // Taken before a second batch starts the decoding threads: they fill their heaps with what a
    // large store will hold. A small text is one batch, decoded without them.
    std::optional<platform::LargeHeapSteps> heapSteps;
    bool handedOn = false;
    // Declared first, so it outlives every job and the reader, which hold pieces.
    PiecePool pool;
    OrderedJobs jobs(parallelWidth());
    const Submit submit = [&jobs](std::function<void()> work, std::function<void()> finish) {
        jobs.submit(std::move(work), std::move(finish));
    };
    PieceReader reader(source, chunkSize, pool);
    EntryFinder finder(member, version);
    // The end of the last piece that no entry used yet: it goes in front of the next piece.
    std::shared_ptr<char> held;
    std::string_view rest;
    for (;;) {
        PieceReader::Piece piece = reader.next();
        bool atEnd = piece.size < chunkSize;
        if (rest.size() > piece.start) {
            // One item spans several pieces: at least twice what was left over is gathered before
            // looking again, so a long item is copied and scanned a few times, not once a piece.
            std::shared_ptr<char> joined = pool.take(2 * rest.size() + chunkSize);
            std::copy_n(rest.data(), rest.size(), joined.get());
            size_t size = rest.size();
            for (;;) {
                std::copy_n(piece.bytes.get() + piece.start, piece.size, joined.get() + size);
                size += piece.size;
                if (atEnd || size >= 2 * rest.size()) break;
                piece = reader.next();
                atEnd = piece.size < chunkSize;
            }
            piece = PieceReader::Piece{std::move(joined), 0, size};
        } else if (!rest.empty()) {
            piece.start -= rest.size();
            std::copy_n(rest.data(), rest.size(), piece.bytes.get() + piece.start);
            piece.size += rest.size();
        }
        Spans spans;
        const std::string_view text(piece.bytes.get() + piece.start, piece.size);
        rest = text.substr(finder.find(text, atEnd, spans));
        held = piece.bytes;
        if (!spans.empty()) {
            if (handedOn && !heapSteps) heapSteps.emplace();
            std::shared_ptr<const char> handed = std::move(piece.bytes);
            batch(spans, handed, submit);
            handedOn = true;
        }
        if (atEnd) break;
    }
    finder.finish();
    jobs.finishAll();
}

}  // namespace ordane
