#include "OrdaneCore/Vectors/StableHash.hpp"

namespace ordane::StableHash {

uint64_t fnv1a64(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

int bucket(std::string_view text) { return static_cast<int>(fnv1a64(text) & 0xFFF); }

}  // namespace ordane::StableHash
