#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/JsonReader.hpp"

namespace ordane::json {

// One codec for every stored tagged union held as a std::variant of case structs. Each case struct
// provides
//   static constexpr std::string_view caseName;
//   Json payload() const;                       // the object of its fields ({} when it has none)
//   static Case fromPayload(const Json& object); // throws DecodingError
// and the union is written as {"caseName": payload}.
template <class... Cases>
Json encodeTagged(const std::variant<Cases...>& value) {
    return std::visit([](const auto& item) { return tagged(item.caseName, item.payload()); }, value);
}

namespace detail {
template <class Variant, size_t index = 0>
Variant decodeCase(const TaggedCase& item, std::string_view typeName) {
    if constexpr (index == std::variant_size_v<Variant>) {
        throw DecodingError("Unknown " + std::string(typeName) + " case \"" + item.name + "\"");
    } else {
        using Case = std::variant_alternative_t<index, Variant>;
        if (item.name == Case::caseName) return Variant(std::in_place_index<index>, Case::fromPayload(*item.payload));
        return decodeCase<Variant, index + 1>(item, typeName);
    }
}

template <class Variant, size_t index = 0>
Variant readCase(std::string_view name, JsonReader& reader, std::string_view typeName) {
    if constexpr (index == std::variant_size_v<Variant>) {
        throw DecodingError("Unknown " + std::string(typeName) + " case \"" + std::string(name) + "\"");
    } else {
        using Case = std::variant_alternative_t<index, Variant>;
        if (name == Case::caseName) return Variant(std::in_place_index<index>, Case::readPayload(reader));
        return readCase<Variant, index + 1>(name, reader, typeName);
    }
}
}  // namespace detail

// Exactly one key, which must be one of the case names; `typeName` goes into the error message.
template <class Variant>
Variant decodeTagged(const Json& value, std::string_view typeName) {
    return detail::decodeCase<Variant>(taggedCase(value), typeName);
}

// The same reading straight from the text, for unions whose cases also provide
//   static Case readPayload(JsonReader& reader);
// A repeated key counts once, the last one read, as in the tree.
template <class Variant>
Variant readTagged(JsonReader& reader, std::string_view typeName) {
    std::optional<Variant> result;
    reader.forEachMember([&](std::string_view name) {
        if (result && std::visit([](const auto& item) { return item.caseName; }, *result) != name) {
            throw DecodingError(std::string(invalidKeyCountMessage));
        }
        result = detail::readCase<Variant>(name, reader, typeName);
    });
    if (!result) throw DecodingError(std::string(invalidKeyCountMessage));
    return std::move(*result);
}

}  // namespace ordane::json
