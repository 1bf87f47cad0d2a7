#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace ordane::platform {

// Splits a text into its word tokens, in order; spaces and punctuation are no tokens.
//
// The text must be valid UTF-8 (callers repair it first); offsets are byte offsets into it.
class WordTokenizer {
public:
    // Called once per token with its byte range [begin, end); returning false stops the walk.
    // It must not start another walk on the same thread (the walk's iterator is per thread).
    using TokenHandler = std::function<bool(size_t begin, size_t end)>;

    virtual ~WordTokenizer() = default;
    virtual void enumerateTokens(std::string_view text, const TokenHandler& onToken) const = 0;
};

}  // namespace ordane::platform
