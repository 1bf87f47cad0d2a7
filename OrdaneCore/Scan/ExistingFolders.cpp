#include "OrdaneCore/Scan/ExistingFolders.hpp"

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

// The deepest root that holds the path (or is it); null when none does.
const std::string* rootHolding(const std::string& itemPath, const std::vector<std::string>& roots) {
    const std::string* best = nullptr;
    for (const std::string& root : roots) {
        if (path::isSameOrInside(itemPath, root) && (!best || root.size() > best->size())) best = &root;
    }
    return best;
}

}  // namespace

ExistingFolders ExistingFolders::fromScan(const std::vector<FileRecord>& records, const std::vector<URL>& roots) {
    std::vector<std::string> rootPaths;
    rootPaths.reserve(roots.size());
    for (const URL& root : roots) rootPaths.push_back(path::standardized(root.path()));

    ExistingFolders result;
    for (const FileRecord& record : records) {
        const std::string itemPath = path::standardized(record.path());
        if (record.isDirectory()) result.insertStandardized(itemPath);
        const std::string* root = rootHolding(itemPath, rootPaths);
        if (!root || itemPath == *root) continue;
        // Climb from the parent to the root; a folder already held had its ancestors added with it.
        for (std::string folder = path::parent(itemPath); path::isSameOrInside(folder, *root);
             folder = path::parent(folder)) {
            if (!result.insertStandardized(folder)) break;
            if (folder == *root) break;
        }
    }
    return result;
}

bool ExistingFolders::insert(std::string_view folderPath) { return insertStandardized(path::standardized(folderPath)); }

bool ExistingFolders::insertStandardized(std::string folderPath) {
    if (!paths_.insert(folderPath).second) return false;
    std::string key = platform::text::lowerCased(folderPath);
    auto [entry, inserted] = byKey_.try_emplace(key, folders_.size());
    if (!inserted && folderPath < folders_[entry->second].path) entry->second = folders_.size();
    folders_.push_back(Folder{std::move(folderPath), std::move(key)});
    return true;
}

const std::string* ExistingFolders::pathWithKey(std::string_view key) const {
    if (auto exact = paths_.find(std::string(key)); exact != paths_.end()) return &*exact;
    auto found = byKey_.find(std::string(key));
    return found == byKey_.end() ? nullptr : &folders_[found->second].path;
}

bool ExistingFolders::contains(std::string_view folderPath) const { return paths_.contains(path::standardized(folderPath)); }

}  // namespace ordane
