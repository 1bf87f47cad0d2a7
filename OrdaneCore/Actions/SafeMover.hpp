#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The only code that moves a user's item to a new place. It checks that the item is still the one
// the user approved, never overwrites (a taken name becomes a free one), renames within a volume and
// otherwise copies under a hidden name, verifies the whole copy, gives it the free name and only
// then removes the original.
class SafeMover {
public:
    // A refusal the user reads; carries the item's name.
    class MoveError : public std::exception {
    public:
        enum class Kind { sourceMissing, sourceChanged, verificationFailed, trashUnavailable, sourceChangedWhileMoving };

        MoveError(Kind kind, std::string name);

        Kind kind() const { return kind_; }
        const std::string& name() const { return name_; }
        // The sentence shown to the user.
        const std::string& errorDescription() const { return description_; }
        const char* what() const noexcept override { return description_.c_str(); }

    private:
        Kind kind_;
        std::string name_;
        std::string description_;
    };

    using FileSystemPointer = std::shared_ptr<platform::FileSystem>;

    static constexpr int64_t hashChunkSize = 1 << 20;

    // Throws sourceMissing when nothing is at the URL, sourceChanged when a file's size differs or
    // the modification date is more than one second off.
    static void checkSource(const URL& url, int64_t expectedSize, std::optional<Date> expectedModified,
                            platform::FileSystem& fileSystem);

    // Moves the item to `destination` (or a free name beside it) and returns where it now is.
    // Throws MoveError, the file system's errors or the hasher's; in every case the item is still
    // whole at its source or at the returned place (after a failed removal of the source: both).
    // Even a crash part way leaves nothing at a visible name but a whole, verified copy.
    // Across volumes, a source that changed after it was copied is never removed: the copy is
    // removed instead (sourceChanged); what changes during the removal itself stays in the source
    // folder beside the verified copy (sourceChangedWhileMoving).
    static URL move(const URL& source, const URL& destination, int64_t expectedSize,
                    std::optional<Date> expectedModified, const FileSystemPointer& fileSystem);

    // `wanted` when free, else "stem 2.ext" ... "stem 99.ext", else "stem <seconds since 1970>.ext".
    static URL uniqueDestination(const URL& wanted, platform::FileSystem& fileSystem);

    // True when both paths are on one device; false when either can't be read.
    static bool isSameVolume(const URL& first, const URL& second, platform::FileSystem& fileSystem);

    // Throws verificationFailed unless the copy has the same names, kinds, sizes and SHA-256 hashes
    // as the source, at every level and at every size. Hashing errors are passed on.
    static void verifyCopy(const URL& source, const URL& copy, const FileSystemPointer& fileSystem);
};

}  // namespace ordane
