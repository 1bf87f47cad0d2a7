#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace ordane::platform {

// One name found in a text: a person's or an organisation's, its words joined into one token.
struct TaggedName {
    enum class Kind { personalName, organizationName };

    Kind kind = Kind::personalName;
    size_t begin = 0;  // byte range in the tagged text
    size_t end = 0;

    bool operator==(const TaggedName&) const = default;
};

// Finds the personal and organisation names of a text, in order; place names and other words are
// not reported. The text must be valid UTF-8 (callers repair it first).
class NameTagger {
public:
    virtual ~NameTagger() = default;
    virtual std::vector<TaggedName> names(std::string_view text) const = 0;
};

}  // namespace ordane::platform
