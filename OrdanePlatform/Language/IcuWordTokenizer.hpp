#pragma once

#include "OrdanePlatform/Language/WordTokenizer.hpp"

namespace ordane::platform {

// Unicode word boundaries (ICU's word break rules, root locale; dictionaries for scripts without
// spaces). A token is a segment whose rule status is a word, number, kana or ideograph, so
// "12.5", "it's" and "b2b" are one token each and "e-mail" is two.
class IcuWordTokenizer : public WordTokenizer {
public:
    void enumerateTokens(std::string_view text, const TokenHandler& onToken) const override;

    // A shared instance: the tokenizer holds no state.
    static const IcuWordTokenizer& shared();
};

}  // namespace ordane::platform
