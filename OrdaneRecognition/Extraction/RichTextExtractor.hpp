#pragma once

#include <cstdint>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// The plain characters of RTF and Word (docx) documents.
class RichTextExtractor : public TextExtractor {
public:
    bool canHandle(const FileRecord& record) const override;
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop = {}) const override;

    // Reads the whole document (RTF or docx by the URL's extension) and keeps its first
    // `maxCharacters` characters; `truncated` when there were more. Nothing for an unreadable,
    // damaged or blank document, or a reached deadline (checked between chunks).
    static std::optional<ContentSample> readText(const URL& url, int64_t maxCharacters,
                                                 const platform::Deadline& deadline = platform::Deadline());
};

}  // namespace ordane
