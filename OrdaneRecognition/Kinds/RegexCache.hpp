#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "OrdanePlatform/Text/Regex.hpp"

namespace ordane {

// The process-wide store of compiled regular expressions: each (pattern, options) pair is
// compiled once, under the lock, so two threads asking for the same new pattern compile it once.
// Entries are never removed. A pattern that does not compile is not remembered.
class RegexCache {
public:
    using Options = platform::text::RegexOptions;

    static RegexCache& shared();

    // The compiled expression, or nothing when the pattern is not a valid ICU expression. The
    // returned value shares the cached compiled pattern and may be used from any thread.
    std::optional<platform::text::Regex> regex(std::string_view pattern, Options options = Options::none);

    size_t size() const;

    // The key of a pattern: the options' raw value in decimal, "|", the pattern.
    static std::string key(std::string_view pattern, Options options);

private:
    RegexCache() = default;

    mutable std::mutex lock_;
    std::unordered_map<std::string, platform::text::Regex> cache_;
};

}  // namespace ordane
