#pragma once

#include <string>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// One recognised line of text and its box, as the extractor reports it.
struct TextLine {
    std::string string;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double confidence = 0;

    bool operator==(const TextLine&) const = default;

    Json toJson() const;
    static TextLine fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane
