#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"

// Checks for values written to stored files, whose JSON form later versions must read.
namespace ordane::testing {

// The value writes exactly `text`, and `text` reads back as the value.
template <class T>
void expectStoredForm(const T& value, std::string_view text) {
    EXPECT_EQ(value.toJson(), json::parse(text)) << text;
    EXPECT_EQ(T::fromJson(json::parse(text)), value) << text;
}

// Written out as text and read back.
template <class T>
T reread(const T& value) {
    return T::fromJson(json::parse(json::dumpPretty(value.toJson())));
}

// One change to a stored value: the member at the JSON pointer replaced, or removed when
// `replacement` is empty.
struct Damage {
    std::string pointer;
    std::optional<Json> replacement;
};
inline const std::optional<Json> removed;

inline Json damaged(Json value, const Damage& damage) {
    Json::json_pointer pointer(damage.pointer);
    if (damage.replacement) {
        value[pointer] = *damage.replacement;
    } else {
        value[pointer.parent_pointer()].erase(pointer.back());
    }
    return value;
}

// Each damage on its own makes the whole value unreadable.
template <class T>
void expectEachRefused(const Json& good, const std::vector<Damage>& damages) {
    for (const Damage& damage : damages) {
        EXPECT_THROW(T::fromJson(damaged(good, damage)), DecodingError)
            << damage.pointer << " = " << (damage.replacement ? damage.replacement->dump() : "(removed)");
    }
}

// Each text fails to decode as a T.
template <class T>
void expectEachRefused(const std::vector<std::string_view>& texts) {
    for (std::string_view text : texts) EXPECT_THROW(T::fromJson(json::parse(text)), DecodingError) << text;
}

}  // namespace ordane::testing
