#include "OrdaneCore/Analysis/OrganizeSuggester.hpp"

namespace ordane {

std::optional<OrganizeSuggester::Suggestion> OrganizeSuggester::suggestion(const FileRecord& record) const {
    if (record.isDirectory() || !folders.isInsideDownloads(record.url())) return std::nullopt;
    const URL* folder = nullptr;
    switch (typeBucketForExtension(record.url().pathExtension())) {
        case TypeBucket::documents: folder = &folders.documents; break;
        case TypeBucket::photos: folder = &folders.pictures; break;
        case TypeBucket::videos: folder = &folders.movies; break;
        case TypeBucket::audio: folder = &folders.music; break;
        default: return std::nullopt;
    }
    // Subfolders of Downloads are not reproduced: everything lands in the one folder.
    URL destination = folder->appendingPathComponent("From Downloads", true)
                          .appendingPathComponent(record.url().lastPathComponent());
    return Suggestion{destination, UserFolders::displayName(*folder) + " → From Downloads"};
}

}  // namespace ordane
