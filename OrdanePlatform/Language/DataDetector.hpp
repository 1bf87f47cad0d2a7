#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordane::platform {

// What a data detector looks for, as a bit set.
enum class DataTypes : uint32_t {
    none = 0,
    date = 1,
    link = 2,  // web addresses and e-mail addresses
    phoneNumber = 4,
    address = 8,  // postal addresses
};

constexpr DataTypes operator|(DataTypes a, DataTypes b) {
    return static_cast<DataTypes>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr bool contains(DataTypes set, DataTypes type) {
    return (static_cast<uint32_t>(set) & static_cast<uint32_t>(type)) != 0;
}

// One detected piece of data. Exactly one type bit is set.
struct DataMatch {
    DataTypes type = DataTypes::none;
    size_t begin = 0;  // byte range in the searched text
    size_t end = 0;
    // Dates: midnight UTC of the day named (the first of the month when no day is written).
    std::optional<double> secondsSince1970;
    // Links: the URL, with its scheme ("mailto:ann@example.com", "http://www.example.com").
    std::string url;

    bool operator==(const DataMatch&) const = default;
};

// Finds dates, links, phone numbers and postal addresses in a text. Matches come in text order
// and never overlap (where two would, the one starting first, then the longer, is kept).
// The text must be valid UTF-8 (callers repair it first).
class DataDetector {
public:
    virtual ~DataDetector() = default;
    virtual std::vector<DataMatch> matches(std::string_view text, DataTypes types) const = 0;
};

// The URL scheme of a link match ("mailto", "http"); empty when it has none.
std::string_view urlScheme(std::string_view url);

}  // namespace ordane::platform
