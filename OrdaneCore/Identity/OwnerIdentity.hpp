#pragma once

#include <string>
#include <vector>

namespace ordane {

// The owner's name and the folded spellings under which it may appear in a document
// (see containsFolded).
struct OwnerIdentity {
    std::string fullName;               // exactly as given
    std::vector<std::string> variants;  // folded, at least 4 characters each, distinct, ascending

    OwnerIdentity() = default;
    explicit OwnerIdentity(std::string fullName);

    bool operator==(const OwnerIdentity&) const = default;
};

}  // namespace ordane
