#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneRecognition/Extraction/ExtractionBudget.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"
#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"

namespace ordane::platform {
class ReaderProcess;
}

namespace ordane {

// The reader died on the file, or didn't answer in time and was killed: the file is unreadable.
class ReaderFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No reader process could be started (nor passed its check): nothing is known about the file.
class ReaderUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reader processes for one recognition run. Untrusted files are opened there, not in the
// program: a reader that crashes, hangs or floods costs one file. Readers start when a file is
// first read (a run answered from the cache starts none), at most one per file being read at
// once, and are reused file after file; one that dies or is killed is dropped, and the next file
// starts another. The destructor ends them all at once.
//
// A reader counts as started once it has read the built-in samples of its self-check. When one
// can't start, nor a second one tried at once, the pool says why on standard error, once, and
// from then on its extractors read in this process (a reader can't do worse than the program, so
// no file is found unreadable for a reader's sake). A reader that runs without its system-call
// filter is said so once too.
class ReaderPool {
public:
    // `program` is the reader program (ordane-reader, or a test's), given `arguments`.
    explicit ReaderPool(std::string program, std::vector<std::string> arguments = {});
    ~ReaderPool();
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    // Reads the file with the shared extractor of that name in a reader, within the extractor's
    // answer limit. Nothing when the extractor gave nothing. Throws ReaderFailure, ReaderUnavailable
    // (the reader program can't start: read the file otherwise), or CancellationError when `stop`
    // is requested (the reader is killed at once).
    std::optional<ContentSample> read(std::string_view extractor, const FileRecord& record,
                                      const ExtractionBudget& budget, std::stop_token stop);

    // An extractor that reads through this pool when `extractor` is one of the shared ones
    // (TextExtractors::named), or with `extractor` itself where no reader can start; any other
    // one is given back as it is. Lives as long as the pool.
    const TextExtractor* isolating(const TextExtractor* extractor);
    std::vector<const TextExtractor*> isolating(const std::vector<const TextExtractor*>& extractors);

    // Readers started so far.
    size_t startedCount() const;

private:
    class Isolated;

    std::unique_ptr<platform::ReaderProcess> borrow(std::stop_token stop);
    // Starts one reader and waits until it is ready; nothing, with `failure` saying why, when it
    // can't start, isn't ready in time or fails its check. Throws CancellationError.
    std::unique_ptr<platform::ReaderProcess> start(const std::vector<std::string>& arguments, std::stop_token stop,
                                                   std::string& failure);
    void giveBack(std::unique_ptr<platform::ReaderProcess> reader);
    // Under `mutex_`: no reader will be started in this run; says why the first time. Throws ReaderUnavailable.
    [[noreturn]] void giveUp(const std::string& reason);

    const std::string program_;
    const std::vector<std::string> arguments_;
    mutable std::mutex mutex_;  // guards the members below
    std::vector<std::unique_ptr<platform::ReaderProcess>> idle_;
    size_t started_ = 0;
    std::optional<std::string> unavailable_;  // why no reader can start
    bool saidWithoutFilter_ = false;
    std::optional<ReaderSelfCheck::Folder> samples_;
    std::deque<std::unique_ptr<Isolated>> isolated_;
};

}  // namespace ordane
