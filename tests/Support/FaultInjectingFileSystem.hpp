#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::testing {

// Thrown once a simulated crash has happened, and by every call after it. It is not a
// std::exception, so code that confines errors to one action can't swallow it by accident.
struct SimulatedCrash {};

// A file system that passes every call to another one (the real one by default), except those a
// test marks to fail: with an errno (EIO, ENOSPC, EXDEV ...), with a simulated crash after a number
// of changing calls, or with corrupted bytes on writes. Counts and logs every call.
class FaultInjectingFileSystem : public platform::FileSystem {
public:
    enum class Operation {
        linkStatus, status, exists, listDirectory, openForReading, read, createNewFile, write, sync,
        readFile, writeFileAtomically, createDirectories, createDirectory, moveNoReplace, removeItem,
        removeTree, syncFolder, setPermissions, setModificationTime, readLink, createSymlink, canonicalPath
    };

    explicit FaultInjectingFileSystem(std::shared_ptr<FileSystem> inner = FileSystem::real());

    // Calls of `operation` whose path contains `pathPart` ("from -> to" for a move) fail with
    // `errorNumber`: the first `skip` matching calls pass, then `times` calls fail (0: all later).
    // A failing `exists` answers false, as the real one does when it can't look.
    void fail(Operation operation, std::string pathPart, int errorNumber, int skip = 0, int times = 0);
    // After `count` more successful changing calls (create, write, move, remove, set...), the next
    // call of any kind throws SimulatedCrash, and so does every call after it.
    void crashAfter(int count);
    // The crash happens now: every later call throws SimulatedCrash.
    void crashNow();
    // Makes the crash a power failure: at the crash, data written to a file since its last sync
    // is cut off, and names made or moved into a folder since that folder's last sync are undone
    // (a moved item goes back to its former name). Removals stand at once, the worst case for a
    // move whose copy may not have reached the disk yet. Only changes made through this file
    // system are tracked; everything before counts as on disk.
    void losePowerAtCrash();
    // The first byte of every write to a file whose path contains `pathPart` is flipped.
    void corruptWrites(std::string pathPart);
    void clearFaults();
    // "operation path" for every call so far, in order.
    std::vector<std::string> calls() const;
    // How many calls of `operation` had a path containing `pathPart`.
    int calls(Operation operation, const std::string& pathPart = "") const;

    // Checks the faults for one call; throws when it must fail. Used by the wrapped files too.
    void check(Operation operation, const std::string& path);
    bool corrupts(const std::string& path) const;
    // Bookkeeping of the wrapped files for a power failure: bytes past `syncedSize` are not on disk.
    void noteUnsyncedData(const std::string& path, int64_t syncedSize);
    void noteSyncedData(const std::string& path);

    platform::FileStatus linkStatus(const std::string& path) override;
    platform::FileStatus status(const std::string& path) override;
    bool exists(const std::string& path) override;
    std::vector<std::string> listDirectory(const std::string& path) override;
    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override;
    std::unique_ptr<platform::WritableFile> createNewFile(const std::string& path, uint32_t mode) override;
    std::string readFile(const std::string& path) override;
    void writeFileAtomically(const std::string& path, const std::string& contents) override;
    void createDirectories(const std::string& path) override;
    void createDirectory(const std::string& path, uint32_t mode) override;
    void moveNoReplace(const std::string& from, const std::string& to) override;
    void removeItem(const std::string& path) override;
    void removeTree(const std::string& path) override;
    void syncFolder(const std::string& path) override;
    void setPermissions(const std::string& path, uint32_t mode) override;
    void setModificationTime(const std::string& path, double modified) override;
    std::string readLink(const std::string& path) override;
    void createSymlink(const std::string& target, const std::string& path) override;
    std::string canonicalPath(const std::string& path) override;

private:
    struct Fault {
        Operation operation;
        std::string pathPart;
        int errorNumber;
        int skip;
        int times;  // 0: unlimited
        int seen = 0;
        int fired = 0;
    };

    // A name made in `folder` (or moved there from `movedFrom`) since the folder's last sync.
    struct NameChange {
        std::string folder;
        std::string path;
        std::optional<std::string> movedFrom;
    };

    void noteName(const std::string& path, std::optional<std::string> movedFrom = std::nullopt);
    void noteFolderSynced(const std::string& folder);
    void noteRemoved(const std::string& path);
    // Undoes what a power failure would lose; called under the mutex at the crash.
    void losePower();

    std::shared_ptr<FileSystem> inner_;
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
    std::vector<std::pair<Operation, std::string>> calls_;
    std::vector<std::string> corrupted_;
    int changesBeforeCrash_ = -1;  // -1: no crash planned
    bool crashed_ = false;
    bool losePowerAtCrash_ = false;
    std::map<std::string, int64_t> unsyncedData_;  // path -> bytes on disk
    std::vector<NameChange> unsyncedNames_;         // in the order they were made
};

// One point at which a run is cut short: a crash after `changes` changing calls, or a power failure there.
struct CrashPoint {
    bool powerLoss;
    int changes;
    void arm(FaultInjectingFileSystem& fs) const {
        if (powerLoss) fs.losePowerAtCrash();
        fs.crashAfter(changes);
    }
    std::string when() const { return (powerLoss ? "power failure after " : "crash after ") + std::to_string(changes); }
};

// Whether `steps` were cut short by the simulated crash.
inline bool crashes(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const SimulatedCrash&) {
        return true;
    }
    return false;
}

// Runs `attempt` at every crash point, then at every power failure, until it returns that the run ended uncut.
inline void atEveryCrashPoint(const std::function<bool(const CrashPoint&)>& attempt) {
    for (bool powerLoss : {false, true}) {
        for (int changes = 0; attempt(CrashPoint{powerLoss, changes}); ++changes) {}
    }
}

}  // namespace ordane::testing
