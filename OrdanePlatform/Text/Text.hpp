#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Unicode text services over ICU. Every function takes and returns UTF-8.
//
// Text that is not valid UTF-8 is read as if each ill-formed sequence (its maximal ill-formed
// subpart) were U+FFFD, and what comes back is always valid UTF-8. A "character" is a grapheme
// cluster. Case mapping never depends on the user's locale.
namespace ordane::platform::text {

bool isValidUTF8(std::string_view text);
// The text with every ill-formed sequence replaced by U+FFFD; valid text comes back unchanged.
std::string validUTF8(std::string_view text);

// The code points of the text (ill-formed sequences as U+FFFD).
std::u32string codePoints(std::string_view text);
// UTF-8 for code points; surrogates and values above U+10FFFF become U+FFFD.
std::string fromCodePoints(std::u32string_view codePoints);
// UTF-8 for ISO Latin 1 bytes (each byte is the code point of the same value).
std::string fromLatin1(std::string_view bytes);

// Number of user-perceived characters.
size_t characterCount(std::string_view text);
// The first `count` characters, cut at a character boundary; the whole text when shorter.
std::string prefix(std::string_view text, size_t count);

// The text's characters in order, each as its own string.
std::vector<std::string> characters(std::string_view text);

// Case- and diacritic-insensitive form for matching: NFD, nonspacing marks dropped, NFC, case
// folded, then lower-cased under "en_US". "José" gives "jose", "Straße" gives "strasse".
std::string folded(std::string_view text);

// Full case mapping under the root locale ("ß" upper-cases to "SS", "I" lower-cases to "i" even
// for a Turkish user).
std::string upperCased(std::string_view text);
std::string lowerCased(std::string_view text);

std::string normalizedNFC(std::string_view text);
// True when both texts have the same NFC form. Bytes that are not UTF-8 are no text: such a text
// is equivalent only to the very same bytes.
bool canonicallyEquivalent(std::string_view a, std::string_view b);

// Character classes of single code points.
bool isLetter(char32_t c);               // general category L or M (a mark belongs to its letter)
bool isNumber(char32_t c);               // has a Unicode numeric value (digits, ½, Ⅻ, ...)
bool isAlphanumeric(char32_t c);         // general category L, M or N
bool isUpperCase(char32_t c);            // the Unicode Uppercase property
bool isLowerCase(char32_t c);            // the Unicode Lowercase property
bool isWhitespace(char32_t c);           // spaces (Zs) and tab; no line ends
bool isWhitespaceOrNewline(char32_t c);  // the above, separators (Z), U+000A to U+000D, U+0085

// The text without the leading and trailing code points for which `isTrimmed` holds.
std::string trimming(std::string_view text, bool (*isTrimmed)(char32_t));

}  // namespace ordane::platform::text
