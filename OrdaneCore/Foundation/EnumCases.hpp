#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace ordane {

// Each enumeration written to disk specializes this with its cases in declared order:
//   template <> struct EnumCases<TypeBucket> {
//       static constexpr std::array<std::pair<TypeBucket, std::string_view>, 9> cases{{...}};
//   };
// The string is the case name, which is also its JSON form.
template <class E>
struct EnumCases;

template <class E>
constexpr auto allCases() {
    std::array<E, EnumCases<E>::cases.size()> result{};
    for (size_t i = 0; i < result.size(); ++i) result[i] = EnumCases<E>::cases[i].first;
    return result;
}

template <class E>
constexpr std::string_view rawValue(E value) {
    for (const auto& [item, name] : EnumCases<E>::cases) {
        if (item == value) return name;
    }
    return {};
}

template <class E>
constexpr std::optional<E> enumFromRaw(std::string_view raw) {
    for (const auto& [item, name] : EnumCases<E>::cases) {
        if (name == raw) return item;
    }
    return std::nullopt;
}

}  // namespace ordane
