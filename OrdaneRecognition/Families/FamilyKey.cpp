#include "OrdaneRecognition/Families/FamilyKey.hpp"

#include <charconv>
#include <cstdint>

#include "OrdaneCore/Vectors/StableHash.hpp"

namespace ordane::FamilyKey {

std::string make(std::span<const URL> members, bool isRecurringSeries) {
    uint64_t combined = 0;
    for (const URL& member : members) combined ^= StableHash::fnv1a64(member.path());
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, combined, 16).ptr;
    std::string key = isRecurringSeries ? "series|" : "family|";
    for (const char* c = digits; c != end; ++c) key += static_cast<char>(*c >= 'a' ? *c - 'a' + 'A' : *c);
    return key;
}

}  // namespace ordane::FamilyKey
