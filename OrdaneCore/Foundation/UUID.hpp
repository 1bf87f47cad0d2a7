#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ordane {

// A 128-bit identifier, written in canonical upper case and read in any case.
struct UUID {
    std::array<uint8_t, 16> bytes{};

    static UUID random();
    static std::optional<UUID> fromString(std::string_view text);
    std::string uuidString() const;

    bool operator==(const UUID&) const = default;
    auto operator<=>(const UUID&) const = default;
};

}  // namespace ordane

template <>
struct std::hash<ordane::UUID> {
    size_t operator()(const ordane::UUID& id) const noexcept {
        uint64_t a = 0;
        uint64_t b = 0;
        for (int i = 0; i < 8; ++i) a = (a << 8) | id.bytes[i];
        for (int i = 8; i < 16; ++i) b = (b << 8) | id.bytes[i];
        return static_cast<size_t>(a ^ (b * 0x9E3779B97F4A7C15ull));
    }
};
