#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneRecognition/Extraction/ExtractionBudget.hpp"

namespace ordane {

// The messages between the pipeline and its reader processes: which extractor reads which file
// within which budget, and what it gave. Samples travel exactly (doubles by their bits), so a
// file read in a reader gives the same sample as one read in the program.
namespace readerProtocol {

struct Request {
    std::string extractor;  // a name of TextExtractors::named
    std::string path;
    int64_t size = 0;
    ExtractionBudget budget;

    bool operator==(const Request&) const = default;
};

struct Reply {
    enum class Status { sample, nothing, failed };
    Status status = Status::nothing;
    std::optional<ContentSample> sample;  // with `sample`

    bool operator==(const Reply&) const = default;
};

// A reader's first message, once it has confined itself and checked that it can read.
struct Greeting {
    std::optional<std::string> failure;        // it can't read, and ends: why
    std::optional<std::string> withoutFilter;  // ready, but without its system-call filter: why

    bool operator==(const Greeting&) const = default;
};

std::string encode(const Request& request);
std::string encode(const Reply& reply);
std::string encode(const Greeting& greeting);
// Throw platform::WireFormatError for bytes that are not a whole message.
Request decodeRequest(std::string_view bytes);
Reply decodeReply(std::string_view bytes);
Greeting decodeGreeting(std::string_view bytes);

// How long the named extractor may take before its reader is given up on: its own limit from the
// budget (a scanned PDF renders, then recognises each drawn page) plus `answerGrace`, because the
// extractors check their limits only at safe points. Nothing when the budget sets no real limit.
inline constexpr std::chrono::seconds answerGrace{2};
std::optional<std::chrono::nanoseconds> answerLimit(std::string_view extractor, const ExtractionBudget& budget);

// The record an extractor needs to read the file: its URL and size.
FileRecord recordOf(const Request& request);

}  // namespace readerProtocol

}  // namespace ordane
