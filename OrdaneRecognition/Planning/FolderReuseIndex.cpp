#include "OrdaneRecognition/Planning/FolderReuseIndex.hpp"

#include "OrdaneCore/Identity/TextNormalizers.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

// The look-up key: the lower-cased base path, a NUL (never in a path), then how the name matches.
// A name with letters matches by its folded key; one without matches only itself, exactly.
std::string lookupKey(std::string_view loweredBase, std::string_view name, const std::string& folded) {
    std::string key(loweredBase);
    key += '\0';
    if (folded.empty()) {
        key += '=';
        key += name;
    } else {
        key += '~';
        key += folded;
    }
    return key;
}

}  // namespace

std::string FolderReuseIndex::matchKey(std::string_view name) {
    std::string key = foldedForMatching(name);
    if (!key.empty() && key.back() == 's') key.pop_back();
    return key;
}

FolderReuseIndex::FolderReuseIndex(const ExistingFolders& folders) {
    for (const ExistingFolders::Folder& folder : folders.folders()) {
        const std::string name = path::lastComponent(folder.path);
        if (name.empty()) continue;  // the root
        const std::string folded = matchKey(name);
        // Lower-casing keeps every "/", so the key's components line up with the path's.
        std::string base = path::parent(folder.key);
        for (size_t depth = 1; depth <= 2 && !base.empty(); ++depth) {
            offer(lookupKey(base, name, folded), folder.path, depth);
            if (base == "/") break;
            base = path::parent(base);
        }
    }
}

void FolderReuseIndex::offer(std::string key, const std::string& folderPath, size_t depth) {
    auto [entry, inserted] = candidates_.try_emplace(std::move(key), Candidate{folderPath, depth});
    if (inserted) return;
    Candidate& held = entry->second;
    if (depth < held.depth || (depth == held.depth && folderPath < held.path)) held = Candidate{folderPath, depth};
}

std::optional<std::string> FolderReuseIndex::match(std::string_view basePath, std::string_view name) const {
    const std::string loweredBase = platform::text::lowerCased(path::standardized(basePath));
    auto found = candidates_.find(lookupKey(loweredBase, name, matchKey(name)));
    if (found == candidates_.end()) return std::nullopt;
    return found->second.path;
}

}  // namespace ordane
