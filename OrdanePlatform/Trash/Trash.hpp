#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Trash/MountTable.hpp"
#include "OrdanePlatform/Trash/TrashUnavailableError.hpp"

namespace ordane::platform {

// The freedesktop.org Trash: the home trash for items on its device, otherwise the trash at the
// top of the item's volume ($topdir/.Trash/$uid when $topdir/.Trash is a sticky folder, else
// $topdir/.Trash-$uid). An item is never copied between devices to reach a trash.
class Trash {
public:
    Trash(std::shared_ptr<FileSystem> fileSystem, std::string homeTrashDirectory, uint32_t userID,
          std::string mountTableSource = MountTable::defaultSource);

    // $XDG_DATA_HOME/Trash, or $HOME/.local/share/Trash when XDG_DATA_HOME is unset or relative.
    static std::string homeTrashDirectory();
    // The current user's trash, as the environment names it.
    static Trash forCurrentUser(std::shared_ptr<FileSystem> fileSystem);

    // Moves the item into the trash of its volume, writing its info file first, and returns its
    // new path (<trash>/files/<name>). Throws TrashUnavailableError when its volume has no usable
    // trash and FileSystemError for other failures; when it throws, the item has not moved.
    std::string trashItem(const std::string& path);

    // True when the trash folder that holds a trashed item is there; false when, for example, the
    // drive of that trash is not connected.
    bool isReachable(const std::string& trashedPath);
    // True when the info file beside a trashed item records `originalPath` as where it came from.
    // False when there is no info file or it names another place; throws FileSystemError when it
    // exists but can't be read.
    bool recordsOrigin(const std::string& trashedPath, const std::string& originalPath);
    // The absolute original path recorded for a trashed item; none without a readable info file.
    std::optional<std::string> originalPath(const std::string& trashedPath);
    // After an item has left the trash: removes its info file and its directorysizes line.
    // Failures are ignored; a stale info file is harmless.
    void forget(const std::string& trashedPath);

private:
    struct Target {
        std::string directory;  // the trash folder holding files/ and info/
        std::string infoPath;   // the Path value for the info file
    };

    std::optional<uint64_t> homeDevice();
    Target volumeTrashFor(const std::string& path);
    std::optional<std::string> usableVolumeTrash(const std::string& topDirectory);
    void prepareTrashFolder(const std::string& directory, bool allowLink);
    std::string moveInto(const Target& target, const std::string& path);

    std::shared_ptr<FileSystem> fs_;
    std::string home_;
    uint32_t userID_;
    std::string mountTableSource_;
};

}  // namespace ordane::platform
