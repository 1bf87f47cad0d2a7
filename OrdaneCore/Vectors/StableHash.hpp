#pragma once

#include <cstdint>
#include <string_view>

namespace ordane::StableHash {

// 64-bit FNV-1a over the UTF-8 bytes. Stored values depend on it, so it must never change
// (unlike std::hash, which may be seeded or differ between library versions).
uint64_t fnv1a64(std::string_view text);

// The term bucket of a text: the low 12 bits of its hash, 0...4095.
int bucket(std::string_view text);

}  // namespace ordane::StableHash
