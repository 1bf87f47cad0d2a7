#pragma once

#include <cstdint>
#include <string_view>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// The beginning of a plain text or Markdown file, read byte-wise and decoded.
class PlainTextExtractor : public TextExtractor {
public:
    bool canHandle(const FileRecord& record) const override;
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop = {}) const override;

    // Reads at most `maxBytes` bytes from the start and decodes them as UTF-8, or else as ISO
    // Latin 1. When the read stopped at the limit inside a multi-byte character, the one to three
    // bytes of that character are dropped and the rest decoded as UTF-8. `truncated` when the
    // record is larger than the limit. Nothing for an unreadable, empty or blank file, or a
    // reached deadline (checked between reads).
    static std::optional<ContentSample> readText(const URL& url, int64_t maxBytes, const FileRecord& record,
                                                 const platform::Deadline& deadline = platform::Deadline());

    // How many bytes at the end of `bytes` begin a UTF-8 character that the end cuts short (0 to 3).
    static size_t incompleteUTF8Tail(std::string_view bytes);
};

}  // namespace ordane
