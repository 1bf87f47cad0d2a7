#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "OrdanePlatform/Concurrency/Deadline.hpp"

namespace ordane::platform {

// The plain text of a Word (Office Open XML) document's body: each paragraph ends with "\n", a
// line break is "\n" and a tab "\t". Headers, footers, notes, comments, deleted text and field
// codes are not read.
class DocxReader {
public:
    // A compressed member can inflate to gigabytes: a document part larger than this is refused.
    static constexpr int64_t maxDocumentBytes = int64_t{64} << 20;

    // Nothing when the file is not a zip archive, holds no word/document.xml, that part is
    // damaged, inflates beyond maxDocumentBytes or is not XML with a body, or the deadline is
    // reached.
    static std::optional<std::string> readText(const std::string& path, const Deadline& deadline = Deadline());
};

}  // namespace ordane::platform
