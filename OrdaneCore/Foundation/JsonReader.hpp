#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    // A leading UTF-8 byte order mark is skipped, as the tree parser skips it.
    explicit JsonReader(std::string_view text) : text_(text), position_(text.starts_with("\xEF\xBB\xBF") ? 3 : 0) {}

    // Reads an object, calling `member(std::string_view key)` for each member; `member` must read
    // the member's value (with readValue, skipValue or forEachMember). The key is valid until the
    // value is read: it points into the text, or into a buffer when it had escapes.
    template <class Member>
    void forEachMember(Member&& member) {
        enterObject();
        if (closeIfEmpty('}')) return;
        do {
            member(readKey());
        } while (continueAfterElement('}'));
    }

    // Reads an object whose members named in `keys` are all required, calling `member(index)` to
    // read the value of keys[index]; other members are read and passed over. Throws DecodingError
    // naming the first of `keys` missing.
    template <size_t count, class Member>
    void readRequiredMembers(const std::array<std::string_view, count>& keys, Member&& member) {
        static_assert(count <= 64);
        uint64_t seen = 0;
        forEachMember([&](std::string_view key) {
            for (size_t k = 0; k < count; ++k) {
                if (key == keys[k]) {
                    member(k);
                    seen |= uint64_t{1} << k;
                    return;
                }
            }
            skipValue();
        });
        for (size_t k = 0; k < count; ++k) {
            if ((seen & (uint64_t{1} << k)) == 0) missingKey(keys[k]);
        }
    }
    [[noreturn]] static void missingKey(std::string_view key);

    // Reads an array, calling `element()` for each element, which must read it.
    template <class Element>
    void forEachElement(Element&& element) {
        expect('[');
        if (closeIfEmpty(']')) return;
        do {
            element();
        } while (continueAfterElement(']'));
    }

    Json readValue();
    void skipValue() { (void)readValue(); }
    // Steps over the next value checking only where its strings and brackets end, without building
    // it, and returns its text: a fast first pass over a large file, whose spans a strict read
    // then decodes. Never reads past the text; may accept a span the strict read refuses.
    std::string_view skimValue();
    // Where the value starting at `position` (no whitespace first) ends, as skimValue finds it;
    // npos when the text ends inside a string or container. A scalar may run to the end of the
    // text, where more of it could follow.
    static size_t skimEnd(std::string_view text, size_t position);
    // Reads a null if one comes next; optional members that are null count as absent.
    bool readNull();
    // An optional member: null reads as absent, anything else as `read(*this)` gives it.
    template <class T, class Read>
    void readOptional(std::optional<T>& target, Read&& read) {
        if (readNull()) {
            target.reset();
        } else {
            target = read(*this);
        }
    }

    // Typed reads, as strict as json::string, json::int64, json::uint64 and json::number on the
    // value `readValue` would give.
    std::string readString();
    // A string naming a case of `E`, as json::enumeration reads it.
    template <class E>
    E readEnumeration() {
        const std::string raw = readString();
        auto result = enumFromRaw<E>(raw);
        if (!result) throw DecodingError("Unknown case \"" + raw + "\"");
        return *result;
    }
    bool readBool();
    int64_t readInt64();
    uint64_t readUInt64();
    double readDouble();
    // An array read into `values` as forEachElement with readInt64 (readDouble) on each element
    // would read it, faster for the long arrays of a large file.
    void readInt64Array(std::vector<int64_t>& values);
    void readDoubleArray(std::vector<double>& values);

    // The double nearest to the text of a JSON number, as strtod gives it, without its cost for
    // short decimals. Throws DecodingError when out of range.
    static double parseDouble(std::string_view number);
    // Only whitespace may follow.
    void finish();

private:
    void enterObject();
    std::string_view readKey();
    bool closeIfEmpty(char close);
    // After an element: true on ",", false on `close`.
    bool continueAfterElement(char close);

    struct NumberToken {
        std::string_view text;
        bool integral = true;
        bool negative = false;
    };

    // The usual short number, read in one pass: at most 19 digits, as an integer and its power
    // of ten. False, with nothing read, for anything else, which the full scan reads.
    struct ShortNumber {
        uint64_t digits = 0;
        int64_t scale = 0;
        bool negative = false;
        bool integral = true;
    };
    bool readShortNumber(ShortNumber& number);
    // Where the usual element of a number array ends: a short decimal (at most `maxDigits`
    // digits, a fraction only with `fractions`) followed at once by "," or "]"; npos for
    // anything else, which the general reads take.
    size_t usualElementEnd(bool fractions, size_t maxDigits, ShortNumber& number) const;
    // The same for the element from `start` to the separator at `end` of a 64-byte block whose
    // digits are the bits of `digits`, with eight more bytes after the block to read: false for
    // anything else.
    static bool usualElementIn(const char* block, size_t start, size_t end, uint64_t digits, bool fractions,
                               size_t maxDigits, ShortNumber& number);
    template <class T, class Convert>
    void readNumberArray(std::vector<T>& values, bool fractions, size_t maxDigits, Convert&& convert,
                         T (JsonReader::*read)());

    Json readValue(int depth);
    std::string readStringBody();
    NumberToken scanNumber();
    Json readNumber();
    void appendEscape(std::string& out);
    unsigned readHex4();
    void skipWhitespace();
    char peek();
    void expect(char c);
    void expectWord(std::string_view word);
    [[noreturn]] void fail(std::string_view message) const;

    std::string_view text_;
    size_t position_;
    std::string keyBuffer_;  // the last key read that had escapes
};

}  // namespace ordane
