#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"

#include <cerrno>

#include "OrdanePlatform/FileSystem/Packages.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

DirectoryEnumerator::DirectoryEnumerator(std::shared_ptr<FileSystem> fileSystem, std::string root,
                                         Options options, ErrorHandler onError)
    : DirectoryEnumerator(fileSystem, root, fileSystem->status(path::withoutTrailingSlash(root)), options,
                          std::move(onError)) {
    followsRootLink_ = true;
}

DirectoryEnumerator::DirectoryEnumerator(std::shared_ptr<FileSystem> fileSystem, std::string root,
                                         const FileStatus& rootStatus, Options options, ErrorHandler onError)
    : fileSystem_(std::move(fileSystem)),
      root_(path::withoutTrailingSlash(root)),
      options_(options),
      onError_(std::move(onError)) {
    if (!rootStatus.isDirectory()) throw FileSystemError(ENOTDIR, "enumerate", root_);
}

DirectoryEnumerator::~DirectoryEnumerator() {
    if (!readAhead_) return;
    for (size_t level = 0; level < depth_; ++level) release(stack_[level]);
    if (within_) {
        // A nested walk that reached its end took everything read below its root: dropping
        // would only cost the lock. One that stopped early leaves reads the outer walk skips.
        if (!finished_) readAhead_->dropBelow(readAheadWalk_, base_);
    } else {
        readAhead_->detach(readAheadWalk_);
    }
}

void DirectoryEnumerator::readAheadOn(FolderReadAhead& readAhead, FolderReadAhead::WillEnter willEnter) {
    readAhead_ = &readAhead;
    readAheadWalk_ = readAhead.attach(!options_.skipsHiddenFiles, !options_.skipsPackageDescendants,
                                      std::move(willEnter));
}

void DirectoryEnumerator::readAheadWithin(const DirectoryEnumerator& outer) {
    if (!outer.readAhead_ || outer.depth_ == 0) return;
    readAhead_ = outer.readAhead_;
    readAheadWalk_ = outer.readAheadWalk_;
    within_ = true;
    const Frame& parent = outer.stack_[outer.depth_ - 1];
    base_ = parent.position;
    base_.push_back(static_cast<uint32_t>(parent.nextIndex - 1));
}

const DirectoryEnumerator::Item* DirectoryEnumerator::next() {
    if (finished_) return nullptr;
    if (!started_) {
        started_ = true;
        descendInto(root_, std::nullopt);
    } else if (descendPending_) {
        descendPending_ = false;
        const FileStatus& listed = *current_.entry->status;  // only folders with values descend
        descendInto(current_.path, Identity{listed.device, listed.inode});
    }
    while (!finished_ && depth_ > 0) {
        Frame& top = stack_[depth_ - 1];
        if (top.nextIndex == top.listing.entries.size()) {
            release(top);
            --depth_;
            continue;
        }
        const DirectoryEntry& entry = top.listing.entries[top.nextIndex++];
        // Built in place: the buffer is kept from item to item.
        current_.path.assign(top.path);
        if (current_.path.empty() || current_.path.back() != '/') current_.path += '/';
        current_.path += entry.name;
        current_.entry = &entry;
        bool isFolder = entry.status && entry.status->isDirectory();
        current_.isPackage = isFolder && isPackageFolder(entry.name);
        descendPending_ = isFolder && !(current_.isPackage && options_.skipsPackageDescendants);
        return &current_;
    }
    finished_ = true;
    stack_.clear();
    depth_ = 0;
    return nullptr;
}

void DirectoryEnumerator::release(Frame& frame) {
    if (frame.wasReadAhead) {
        readAhead_->giveBack(readAheadWalk_, std::move(frame.listing), frame.reader);
    } else {
        frame.listing = DirectoryListing{};
    }
    for (size_t index = frame.nextReadWith; index < frame.readWith.size(); ++index) {
        readAhead_->giveBack(readAheadWalk_, std::move(frame.readWith[index].listing), frame.reader);
    }
    frame.readWith.clear();
    frame.nextReadWith = 0;
}

std::optional<DirectoryListing> DirectoryEnumerator::readWithParent(uint32_t index) {
    Frame& parent = stack_[depth_ - 1];
    auto& readWith = parent.readWith;
    // Those passed were not entered after all.
    while (parent.nextReadWith < readWith.size() && readWith[parent.nextReadWith].index < index) {
        readAhead_->giveBack(readAheadWalk_, std::move(readWith[parent.nextReadWith++].listing), parent.reader);
    }
    if (parent.nextReadWith == readWith.size() || readWith[parent.nextReadWith].index != index) return std::nullopt;
    return std::move(readWith[parent.nextReadWith++].listing);
}

DirectoryListing DirectoryEnumerator::read(const std::string& path, const FolderReadAhead::Position& position,
                                           bool& readAhead, std::vector<FolderReadAhead::Subfolder>& readWith,
                                           int& reader) {
    readAhead = false;
    if (readAhead_) {
        std::optional<FolderReadAhead::Read> read;
        if (depth_ > 0) {
            auto listing = readWithParent(position.back());
            if (listing) read = FolderReadAhead::Read{std::move(*listing), nullptr, {}, stack_[depth_ - 1].reader};
        }
        if (!read) read = readAhead_->take(readAheadWalk_, position, path);
        if (read) {
            if (read->error) std::rethrow_exception(read->error);
            if (stillAtItsPath(path, read->listing)) {
                readAhead = true;
                readWith = std::move(read->subfolders);
                reader = read->reader;
                return std::move(read->listing);
            }
            // Another folder took the name (or none has it) since that read: it and what was read
            // below it are out of date, and the folder is read again as if never read ahead.
            readAhead_->dropBelow(readAheadWalk_, position);
        }
    }
    bool includeHidden = !options_.skipsHiddenFiles;
    // Only a root given by its path may be a link to the folder to walk. Every other folder was
    // listed as one: a link that took its name since is not followed.
    if (depth_ == 0 && followsRootLink_) return fileSystem_->readDirectory(path, includeHidden);
    return fileSystem_->readDirectoryFrom(nullptr, path, includeHidden, nullptr);
}

void DirectoryEnumerator::descendInto(const std::string& path, std::optional<Identity> listedAs) {
    // Made ready in the frame the folder will have: a frame keeps its buffers for the next folder
    // at its depth. Growing the stack moves no entry (current_ points into one).
    if (depth_ == stack_.size()) stack_.emplace_back();
    Frame& frame = stack_[depth_];
    const FolderReadAhead::Position& position = frame.position;
    if (readAhead_ && depth_ == 0) {
        frame.position = base_;
    } else if (readAhead_) {
        const Frame& parent = stack_[depth_ - 1];
        frame.position.assign(parent.position.begin(), parent.position.end());
        frame.position.push_back(static_cast<uint32_t>(parent.nextIndex - 1));
    }
    DirectoryListing listing;
    bool wasReadAhead = false;
    std::vector<FolderReadAhead::Subfolder> readWith;
    int reader = -1;
    try {
        listing = read(path, position, wasReadAhead, readWith, reader);
    } catch (const FileSystemError& error) {
        // Listed as a folder and no folder now: a file or a link took its name (a link opened
        // without following it gives ENOTDIR here, ELOOP on some systems).
        const bool replaced = error.errorNumber() == ENOTDIR || error.errorNumber() == ELOOP;
        int errorNumber = listedAs && replaced ? ESTALE : error.errorNumber();
        if (onError_ && !onError_(path, errorNumber)) finished_ = true;
        return;
    }
    if (isAncestor(listing)) {
        if (onError_ && !onError_(path, ELOOP)) finished_ = true;
        return;
    }
    // The folder is opened by path after its parent was read; if another folder took the name
    // since, what was opened is not what was listed, and is not entered.
    if (listedAs && (listing.device != listedAs->device || listing.inode != listedAs->inode)) {
        if (onError_ && !onError_(path, ESTALE)) finished_ = true;
        return;
    }
    if (onFolderRead_) onFolderRead_(path, listing);
    if (readAhead_ && !wasReadAhead) {
        std::vector<Identity> ancestors;
        for (size_t level = 0; level < depth_; ++level) {
            ancestors.push_back(Identity{stack_[level].listing.device, stack_[level].listing.inode});
        }
        ancestors.push_back(Identity{listing.device, listing.inode});
        readAhead_->readSubfoldersAhead(readAheadWalk_, position, path, listing, ancestors, within_);
    }
    frame.path.assign(path);
    frame.listing = std::move(listing);
    frame.nextIndex = 0;
    frame.wasReadAhead = wasReadAhead;
    frame.reader = reader;
    frame.readWith = std::move(readWith);
    frame.nextReadWith = 0;
    ++depth_;
}

bool DirectoryEnumerator::stillAtItsPath(const std::string& path, const DirectoryListing& listing) const {
    try {
        FileStatus now = fileSystem_->linkStatus(path);
        // An inode freed with the folder may already be the next item's (ext4 gives it to the next
        // one made): its birth time tells them apart.
        return now.isDirectory() && now.device == listing.device && now.inode == listing.inode &&
               now.created == listing.created;
    } catch (const FileSystemError&) {
        return false;
    }
}

bool DirectoryEnumerator::isAncestor(const DirectoryListing& listing) const {
    for (size_t level = 0; level < depth_; ++level) {
        if (stack_[level].listing.device == listing.device && stack_[level].listing.inode == listing.inode) return true;
    }
    return false;
}

}  // namespace ordane::platform
