#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// A strict pull reader over JSON text, several times faster than nlohmann's parser on large
// numeric arrays, for files too big to parse into one tree: the caller walks the outer objects
// member by member and builds a `Json` only for each inner value. Values read the way
// `json::parse` reads them (integers as signed or unsigned, other numbers as doubles, strings
// checked for UTF-8). Throws DecodingError at the first fault; nesting is limited, so hostile
// input can't exhaust the stack.
class JsonReader {
public:
    static constexpr int maxDepth = 256;

    explicit JsonReader(std::string_view text) : text_(text) {}

    // Reads an object, calling `member(std::string key)` for each member; `member` must read the
    // member's value (with readValue, skipValue or forEachMember).
    template <class Member>
    void forEachMember(Member&& member) {
        enterObject();
        if (closeIfEmpty('}')) return;
        do {
            std::string key = readKey();
            member(std::move(key));
        } while (continueAfterElement('}'));
    }

    Json readValue();
    void skipValue() { (void)readValue(); }
    // Only whitespace may follow.
    void finish();

private:
    void enterObject();
    std::string readKey();
    bool closeIfEmpty(char close);
    // After an element: true on ",", false on `close`.
    bool continueAfterElement(char close);

    Json readValue(int depth);
    std::string readString();
    Json readNumber();
    void appendEscape(std::string& out);
    unsigned readHex4();
    void skipWhitespace();
    char peek();
    void expect(char c);
    void expectWord(std::string_view word);
    [[noreturn]] void fail(std::string_view message) const;

    std::string_view text_;
    size_t position_ = 0;
};

}  // namespace ordane
