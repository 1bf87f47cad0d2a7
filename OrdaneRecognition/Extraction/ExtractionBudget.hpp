#pragma once

#include <chrono>
#include <cstdint>

namespace ordane {

// How much of a file an extractor may read and how long it may take. The pipeline holds one,
// built with these defaults, and hands it to every extractor call.
struct ExtractionBudget {
    int64_t maxPDFPages = 3;           // pages of a PDF's text layer read at most
    int64_t maxCharacters = 20'000;    // characters kept by the PDF, rich text and scanned-PDF extractors
    int64_t maxPlainTextBytes = 16'384;
    std::chrono::nanoseconds perFileTimeout = std::chrono::seconds(5);  // reading step; scanned-PDF rendering
    std::chrono::nanoseconds ocrTimeout = std::chrono::seconds(10);     // recognising one picture or page

    bool operator==(const ExtractionBudget&) const = default;
};

}  // namespace ordane
