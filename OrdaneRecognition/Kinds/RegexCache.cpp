#include "OrdaneRecognition/Kinds/RegexCache.hpp"

#include <cstdint>

namespace ordane {

RegexCache& RegexCache::shared() {
    static RegexCache* instance = new RegexCache();  // lives as long as the process, used from any thread
    return *instance;
}

std::string RegexCache::key(std::string_view pattern, Options options) {
    return std::to_string(static_cast<uint32_t>(options)) + "|" + std::string(pattern);
}

std::optional<platform::text::Regex> RegexCache::regex(std::string_view pattern, Options options) {
    std::string cacheKey = key(pattern, options);
    std::lock_guard guard(lock_);
    if (auto found = cache_.find(cacheKey); found != cache_.end()) return found->second;
    try {
        return cache_.emplace(std::move(cacheKey), platform::text::Regex(pattern, options)).first->second;
    } catch (const platform::text::RegexError&) {
        return std::nullopt;
    }
}

size_t RegexCache::size() const {
    std::lock_guard guard(lock_);
    return cache_.size();
}

}  // namespace ordane
