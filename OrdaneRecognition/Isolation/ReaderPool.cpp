#include "OrdaneRecognition/Isolation/ReaderPool.hpp"

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Process/WireFormat.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"
#include "OrdaneRecognition/Isolation/ReaderProtocol.hpp"

namespace ordane {

namespace {

using platform::ReaderProcess;
using Outcome = ReaderProcess::Outcome;

// A reader says it is ready once it has confined itself; a sanitizer build under load is slow to start.
constexpr std::chrono::seconds startLimit{30};

platform::Deadline deadlineFor(std::optional<std::chrono::nanoseconds> limit, std::stop_token stop) {
    return limit ? deadlineAfter(*limit, std::move(stop)) : platform::Deadline(std::move(stop));
}

}  // namespace

class ReaderPool::Isolated : public TextExtractor {
public:
    Isolated(const TextExtractor* inner, std::string_view name, ReaderPool& pool)
        : inner_(inner), name_(name), pool_(pool) {}

    bool canHandle(const FileRecord& record) const override { return inner_->canHandle(record); }
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop) const override {
        return pool_.read(name_, record, budget, std::move(stop));
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
    {
        std::lock_guard lock(mutex_);
        if (unavailable_) throw ReaderUnavailable("no reader could be started");
        if (!idle_.empty()) {
            std::unique_ptr<ReaderProcess> reader = std::move(idle_.back());
            idle_.pop_back();
            return reader;
        }
        ++started_;
    }
    std::unique_ptr<ReaderProcess> reader;
    ReaderProcess::Reply greeting;
    try {
        reader = std::make_unique<ReaderProcess>(program_, arguments_);
        greeting = reader->receive(deadlineAfter(startLimit, stop));
    } catch (const std::system_error&) {
    }
    if (greeting.outcome == Outcome::stopped) throw CancellationError();
    if (greeting.outcome != Outcome::answered) {
        std::lock_guard lock(mutex_);
        unavailable_ = true;
        throw ReaderUnavailable("the reader program " + program_ + " did not start");
    }
    return reader;
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
