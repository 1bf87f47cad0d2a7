#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/FileSystem/FolderReadAhead.hpp"

namespace ordane::platform {

// Depth-first walk below a folder: each folder comes before its contents and siblings come in
// bytewise name order. Each folder is read in full and closed before the walk descends, so deep
// trees hold no descriptors. Links are reported, never followed; a folder reached again through
// a bind mount (same device and inode as one of its ancestors) is reported but not entered.
class DirectoryEnumerator {
public:
    struct Options {
        bool skipsHiddenFiles = false;         // leave out names starting with "."
        bool skipsPackageDescendants = false;  // don't enter packages (see Packages.hpp)
    };

    // Called with a folder's path and errno when it cannot be read (ELOOP for a cycle, ESTALE for
    // a folder replaced since it was listed, by a file or a link too); answers whether to go on.
    // The folder's contents are skipped either way.
    using ErrorHandler = std::function<bool(const std::string& path, int errorNumber)>;

    struct Item {
        std::string path;  // the root as given + "/" + names
        const DirectoryEntry* entry = nullptr;
        bool isPackage = false;  // a folder with a package extension

        const std::string& name() const { return entry->name; }
        // Values of the item itself; absent when they could not be read.
        const std::optional<FileStatus>& status() const { return entry->status; }
    };

    // Throws FileSystemError when `root` (a final link followed) is missing or not a folder.
    // The root itself is read on the first `next()`; failing that goes to the error handler.
    DirectoryEnumerator(std::shared_ptr<FileSystem> fileSystem, std::string root, Options options,
                        ErrorHandler onError = nullptr);
    // For a root whose values the caller has just read (from its parent's listing, links not
    // followed): they are not read again. The root is then read as the constructor above would,
    // whatever folder is at its path by then, except that a link there is not followed.
    DirectoryEnumerator(std::shared_ptr<FileSystem> fileSystem, std::string root, const FileStatus& rootStatus,
                        Options options, ErrorHandler onError = nullptr);
    ~DirectoryEnumerator();
    DirectoryEnumerator(const DirectoryEnumerator&) = delete;
    DirectoryEnumerator& operator=(const DirectoryEnumerator&) = delete;

    // Has the folders it will enter read on `readAhead`'s threads before it gets to them; the
    // items, their order and the errors stay the same. `willEnter` tells which folders the caller
    // will not skip (called on those threads). A listing read ahead is used only when the item
    // at its path is still the folder read (a folder, with its device, inode and birth time) as
    // the walk gets there; otherwise the folder is read again. Set before the first `next()`;
    // `readAhead` must outlive the enumerator.
    void readAheadOn(FolderReadAhead& readAhead, FolderReadAhead::WillEnter willEnter = nullptr);
    // Reads ahead as part of `outer`'s walk, for an enumerator (without options) of the folder
    // `outer` returned last, for which `outer`'s WillEnter answered `whole`. No effect when
    // `outer` does not read ahead.
    void readAheadWithin(const DirectoryEnumerator& outer);

    // The next item, or nullptr at the end. Valid until the next call.
    const Item* next();

    // Don't enter the folder that `next()` returned last.
    void skipDescendants() { descendPending_ = false; }

    // Called with each folder's listing when it has been read, before any of its items is
    // returned; lets a caller look at a folder's names without reading it twice.
    using FolderReadHandler = std::function<void(const std::string& path, const DirectoryListing& listing)>;
    void setFolderReadHandler(FolderReadHandler handler) { onFolderRead_ = std::move(handler); }

private:
    using Identity = FolderReadAhead::FolderIdentity;

    struct Frame {
        std::string path;
        DirectoryListing listing;
        size_t nextIndex = 0;
        FolderReadAhead::Position position;  // kept only when reading ahead
        bool wasReadAhead = false;
        int reader = -1;  // that read it and those read along with it, when read ahead
        // Subfolders read along with this folder, and the first not yet entered or passed.
        std::vector<FolderReadAhead::Subfolder> readWith;
        size_t nextReadWith = 0;
    };

    // `listedAs`: the identity the folder had in its parent's listing (none for the root).
    void descendInto(const std::string& path, std::optional<Identity> listedAs);
    // `readWith`: the subfolders read along with it, and `reader`: the reader that read them, when
    // it was read ahead.
    DirectoryListing read(const std::string& path, const FolderReadAhead::Position& position, bool& readAhead,
                          std::vector<FolderReadAhead::Subfolder>& readWith, int& reader);
    // The listing of the subfolder at `index` of the folder being walked, when read with it.
    std::optional<DirectoryListing> readWithParent(uint32_t index);
    // Gives back the listings a frame holds, when they were read ahead.
    void release(Frame& frame);
    // Whether the folder at `path` is still the one `listing` was read from.
    bool stillAtItsPath(const std::string& path, const DirectoryListing& listing) const;
    bool isAncestor(const DirectoryListing& listing) const;

    std::shared_ptr<FileSystem> fileSystem_;
    std::string root_;
    Options options_;
    ErrorHandler onError_;
    FolderReadHandler onFolderRead_;
    std::vector<Frame> stack_;  // the folders being walked, then spare frames
    size_t depth_ = 0;          // how many are being walked
    Item current_;
    bool started_ = false;
    bool finished_ = false;
    bool descendPending_ = false;
    FolderReadAhead* readAhead_ = nullptr;
    std::shared_ptr<FolderReadAhead::Walk> readAheadWalk_;
    bool followsRootLink_ = false;       // the root was given by its path alone
    bool within_ = false;                // part of another enumerator's walk
    FolderReadAhead::Position base_;     // then the root's place in that walk
};

}  // namespace ordane::platform
