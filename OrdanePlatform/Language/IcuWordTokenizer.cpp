#include "OrdanePlatform/Language/IcuWordTokenizer.hpp"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <memory>

#include "OrdanePlatform/Text/IcuText.hpp"

namespace ordane::platform {

namespace {

// Building a word iterator loads its rules and dictionaries: one per thread, reused.
icu::BreakIterator& wordBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        text::icu_text::check(status, "word break iterator");
        return made;
    }();
    return *iterator;
}

}  // namespace

void IcuWordTokenizer::enumerateTokens(std::string_view text, const TokenHandler& onToken) const {
    if (text.empty()) return;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utext(
        utext_openUTF8(nullptr, text.data(), text::icu_text::checkedLength(text), &status), &utext_close);
    text::icu_text::check(status, "open text");
    icu::BreakIterator& breaks = wordBreaks();
    breaks.setText(utext.get(), status);
    text::icu_text::check(status, "set word break text");
    // Over UTF-8 text the boundaries are byte offsets.
    int32_t start = breaks.first();
    for (int32_t end = breaks.next(); end != icu::BreakIterator::DONE; start = end, end = breaks.next()) {
        if (breaks.getRuleStatus() < UBRK_WORD_NONE_LIMIT) continue;
        if (!onToken(static_cast<size_t>(start), static_cast<size_t>(end))) break;
    }
    // The iterator must not keep pointing at text that is about to go away.
    breaks.setText(icu::UnicodeString());
}

const IcuWordTokenizer& IcuWordTokenizer::shared() {
    static const IcuWordTokenizer tokenizer;
    return tokenizer;
}

}  // namespace ordane::platform
