#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"

#include <cerrno>

#include "OrdanePlatform/FileSystem/Packages.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

DirectoryEnumerator::DirectoryEnumerator(std::shared_ptr<FileSystem> fileSystem, std::string root,
                                         Options options, ErrorHandler onError)
    : fileSystem_(std::move(fileSystem)),
      root_(path::withoutTrailingSlash(root)),
      options_(options),
      onError_(std::move(onError)) {
    if (!fileSystem_->status(root_).isDirectory()) throw FileSystemError(ENOTDIR, "enumerate", root_);
}

const DirectoryEnumerator::Item* DirectoryEnumerator::next() {
    if (finished_) return nullptr;
    if (!started_) {
        started_ = true;
        descendInto(root_, std::nullopt);
    } else if (descendPending_) {
        descendPending_ = false;
        // Copied: descending may move the entry that current_ points into.
        std::string folder = current_.path;
        const FileStatus& listed = *current_.entry->status;  // only folders with values descend
        descendInto(folder, Identity{listed.device, listed.inode});
    }
    while (!finished_ && !stack_.empty()) {
        Frame& top = stack_.back();
        if (top.nextIndex == top.listing.entries.size()) {
            stack_.pop_back();
            continue;
        }
        const DirectoryEntry& entry = top.listing.entries[top.nextIndex++];
        current_.path = path::appending(top.path, entry.name);
        current_.entry = &entry;
        bool isFolder = entry.status && entry.status->isDirectory();
        current_.isPackage = isFolder && isPackageFolder(entry.name);
        descendPending_ = isFolder && !(current_.isPackage && options_.skipsPackageDescendants);
        return &current_;
    }
    finished_ = true;
    stack_.clear();
    return nullptr;
}

void DirectoryEnumerator::descendInto(const std::string& path, std::optional<Identity> listedAs) {
    DirectoryListing listing;
    try {
        listing = fileSystem_->readDirectory(path, !options_.skipsHiddenFiles);
    } catch (const FileSystemError& error) {
        if (onError_ && !onError_(path, error.errorNumber())) finished_ = true;
        return;
    }
    if (isAncestor(listing)) {
        if (onError_ && !onError_(path, ELOOP)) finished_ = true;
        return;
    }
    // The folder is opened by path after its parent was read; if something else took the name
    // since (a link, say), what was opened is not what was listed, and is not entered.
    if (listedAs && (listing.device != listedAs->device || listing.inode != listedAs->inode)) {
        if (onError_ && !onError_(path, ESTALE)) finished_ = true;
        return;
    }
    if (onFolderRead_) onFolderRead_(path, listing);
    stack_.push_back(Frame{path, std::move(listing), 0});
}

bool DirectoryEnumerator::isAncestor(const DirectoryListing& listing) const {
    for (const Frame& frame : stack_) {
        if (frame.listing.device == listing.device && frame.listing.inode == listing.inode) return true;
    }
    return false;
}

}  // namespace ordane::platform
