#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/SampleSource.hpp"
#include "OrdaneCore/Model/TextLine.hpp"

namespace ordane {

// The text read out of one file and, for recognised images and scans, its positioned lines.
struct ContentSample {
    std::string text;
    SampleSource source = SampleSource::plainText;
    std::vector<TextLine> lines;  // empty for sources without positions
    bool truncated = false;       // part of the file left unread, or the text cut, by a budget limit
    std::optional<int64_t> pageCount;

    bool operator==(const ContentSample&) const = default;

    Json toJson() const;
    static ContentSample fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane
