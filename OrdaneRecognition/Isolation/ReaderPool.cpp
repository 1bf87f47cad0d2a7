#include "OrdaneRecognition/Isolation/ReaderPool.hpp"

#include <cstdio>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Process/WireFormat.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"
#include "OrdaneRecognition/Isolation/ReaderProtocol.hpp"
#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"
#include "OrdaneRecognition/Isolation/ReaderService.hpp"

namespace ordane {

namespace {

using platform::ReaderProcess;
using Outcome = ReaderProcess::Outcome;

// A reader says it is ready once it has confined itself and read its samples; a sanitizer build
// under load is slow to start.
constexpr std::chrono::seconds startLimit{30};

void say(const std::string& line) { std::fprintf(stderr, "ordane: %s\n", line.c_str()); }

platform::Deadline deadlineFor(std::optional<std::chrono::nanoseconds> limit, std::stop_token stop) {
    return limit ? deadlineAfter(*limit, std::move(stop)) : platform::Deadline(std::move(stop));
}

}  // namespace

class ReaderPool::Isolated : public TextExtractor {
public:
    Isolated(const TextExtractor* inner, std::string_view name, ReaderPool& pool)
        : inner_(inner), name_(name), pool_(pool) {}

    bool canHandle(const FileRecord& record) const override { return inner_->canHandle(record); }
    // Where no reader can start, the file is read here, within the same budget.
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop) const override {
        try {
            return pool_.read(name_, record, budget, stop);
        } catch (const ReaderUnavailable&) {
            return inner_->extract(record, budget, std::move(stop));
        }
    }

    const TextExtractor* inner() const { return inner_; }

private:
    const TextExtractor* inner_;
    std::string name_;
    ReaderPool& pool_;
};

ReaderPool::ReaderPool(std::string program, std::vector<std::string> arguments)
    : program_(std::move(program)), arguments_(std::move(arguments)) {}

ReaderPool::~ReaderPool() = default;

std::optional<ContentSample> ReaderPool::read(std::string_view extractor, const FileRecord& record,
                                              const ExtractionBudget& budget, std::stop_token stop) {
    std::unique_ptr<ReaderProcess> reader = borrow(stop);
    const readerProtocol::Request request{std::string(extractor), record.path(), record.size(), budget};
    const ReaderProcess::Reply reply =
        reader->exchange(readerProtocol::encode(request), deadlineFor(readerProtocol::answerLimit(extractor, budget), stop));
    switch (reply.outcome) {
        case Outcome::stopped:
            throw CancellationError();
        case Outcome::died:
            throw ReaderFailure("the reader ended while reading " + record.path());
        case Outcome::timedOut:
            throw ReaderFailure("the reader did not answer in time for " + record.path());
        case Outcome::answered:
            break;
    }
    readerProtocol::Reply answer;
    try {
        answer = readerProtocol::decodeReply(reply.message);
    } catch (const platform::WireFormatError&) {
        throw ReaderFailure("the reader gave a garbled answer for " + record.path());  // dropped with `reader`
    }
    giveBack(std::move(reader));
    if (answer.status == readerProtocol::Reply::Status::failed) throw ReaderFailure("the reader failed on " + record.path());
    return std::move(answer.sample);
}

std::unique_ptr<ReaderProcess> ReaderPool::borrow(std::stop_token stop) {
    std::vector<std::string> arguments;
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<ReaderProcess> reader = std::move(idle_.back());
            idle_.pop_back();
            return reader;
        }
        if (unavailable_) throw ReaderUnavailable(*unavailable_);
        try {
            if (!samples_) samples_.emplace();
        } catch (const std::system_error& error) {
            giveUp("its samples could not be written (" + std::string(error.what()) + ")");
        }
        arguments = arguments_;
        arguments.push_back(std::string(ReaderService::samplesOption) + samples_->path());
    }
    // A start may fail for a passing cause (a machine under load starts a reader slowly), and
    // giving up sends every later file of the run to this process: one more start is tried first.
    std::string failure;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (std::unique_ptr<ReaderProcess> reader = start(arguments, stop, failure)) return reader;
    }
    std::lock_guard lock(mutex_);
    giveUp(failure);
}

std::unique_ptr<ReaderProcess> ReaderPool::start(const std::vector<std::string>& arguments, std::stop_token stop,
                                                 std::string& failure) {
    {
        std::lock_guard lock(mutex_);
        ++started_;
    }
    std::unique_ptr<ReaderProcess> reader;
    ReaderProcess::Reply greeting;
    try {
        reader = std::make_unique<ReaderProcess>(program_, arguments);
        greeting = reader->receive(deadlineAfter(startLimit, stop));
    } catch (const std::system_error& error) {
        failure = "the reader program " + program_ + " could not be started (" + error.code().message() + ")";
        return nullptr;
    }
    switch (greeting.outcome) {
        case Outcome::stopped:
            throw CancellationError();
        case Outcome::died:
        case Outcome::timedOut:
            failure = "the reader program " + program_ +
                      (greeting.outcome == Outcome::died ? " ended before it was ready" : " was not ready in time");
            return nullptr;
        case Outcome::answered:
            break;
    }
    readerProtocol::Greeting said;
    try {
        said = readerProtocol::decodeGreeting(greeting.message);
    } catch (const platform::WireFormatError&) {
        said.failure = "its greeting was garbled";
    }
    if (said.failure) {
        failure = "the reader program " + program_ + " failed its check: " + *said.failure;
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    if (said.withoutFilter && !saidWithoutFilter_) {
        saidWithoutFilter_ = true;
        say("reader processes run without their system-call filter: " + *said.withoutFilter);
    }
    return reader;
}

void ReaderPool::giveUp(const std::string& reason) {
    if (!unavailable_) {
        unavailable_ = reason;
        say("reading files in this process, not in reader processes: " + reason);
    }
    throw ReaderUnavailable(*unavailable_);
}

void ReaderPool::giveBack(std::unique_ptr<ReaderProcess> reader) {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(reader));
}

const TextExtractor* ReaderPool::isolating(const TextExtractor* extractor) {
    const std::optional<std::string_view> name = TextExtractors::nameOf(extractor);
    if (!name) return extractor;
    std::lock_guard lock(mutex_);
    for (const auto& isolated : isolated_) {
        if (isolated->inner() == extractor) return isolated.get();
    }
    isolated_.push_back(std::make_unique<Isolated>(extractor, *name, *this));
    return isolated_.back().get();
}

std::vector<const TextExtractor*> ReaderPool::isolating(const std::vector<const TextExtractor*>& extractors) {
    std::vector<const TextExtractor*> result;
    for (const TextExtractor* extractor : extractors) result.push_back(isolating(extractor));
    return result;
}

size_t ReaderPool::startedCount() const {
    std::lock_guard lock(mutex_);
    return started_;
}

}  // namespace ordane
