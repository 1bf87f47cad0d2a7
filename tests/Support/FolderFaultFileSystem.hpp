#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"

namespace ordane::testing {

// The real file system with folder reads (`readDirectory`) that fail, hang or answer with changed
// values, for the faults of a walk that running as root cannot produce. FaultInjectingFileSystem
// faults the other calls. Set it up before use; `reads` and the gate may be used from another thread.
class FolderFaultFileSystem : public platform::RealFileSystem {
public:
    std::map<std::string, int> failures;               // folder path → errno of its read
    std::map<std::string, std::string> sameFolderAs;   // folder path → folder whose identity it has (a bind mount)
    std::set<std::string> withoutValues;               // entry paths whose values cannot be read
    std::map<std::string, std::optional<platform::DownloadingStatus>> ubiquitous;  // entry path → status
    std::optional<std::string> throwsUnexpectedly;     // folder path whose read throws a non-file error
    // What the folders held for the readers say: whether reads of the folders in them cannot hang.
    bool readsEndPromptly = false;

    // Reads of `path` wait until `openGate()`.
    void blockReadsOf(const std::string& path);
    void openGate();
    // Paths read so far, in order.
    std::vector<std::string> reads();

    platform::DirectoryListing readDirectory(const std::string& path, bool includeHidden) override;
    // Reads by path through readDirectory, so that every read meets the faults above.
    platform::DirectoryListing readDirectoryFrom(const platform::OpenFolder* parent, const std::string& path,
                                                 bool includeHidden,
                                                 std::shared_ptr<const platform::OpenFolder>* keep) override;

private:
    std::mutex mutex_;
    std::condition_variable gateOpened_;
    std::optional<std::string> blocked_;
    bool gateOpen_ = false;
    std::vector<std::string> reads_;
};

}  // namespace ordane::testing
