#pragma once

#include <memory>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The events of one scan, handed over from the walk's own thread to one consumer without ever
// dropping one or holding the walk back. Dropping the stream asks the walk to stop and returns at
// once, even when the walk is stuck in a hung file system.
class ScanStream {
public:
    struct Channel;

    explicit ScanStream(std::shared_ptr<Channel> channel);
    ScanStream(ScanStream&&) noexcept = default;
    ScanStream& operator=(ScanStream&& other) noexcept;
    ScanStream(const ScanStream&) = delete;
    ScanStream& operator=(const ScanStream&) = delete;
    ~ScanStream();

    // Waits for the next event: progress and records in walk order, then the summary, then
    // nothing (nullopt). Rethrows what ended the walk early. When `stopToken` asks to stop, the
    // walk is asked to stop and CancellationError is thrown without waiting for it.
    std::optional<ScanEvent> next(std::stop_token stopToken = {});

private:
    void requestStop();

    std::shared_ptr<Channel> channel_;
    // Taken from the channel in one go, handed out in order: each other event after as many
    // records as it notes.
    std::vector<FileRecord> receivedRecords_;
    std::vector<std::pair<size_t, ScanEvent>> receivedOthers_;
    size_t nextRecord_ = 0;
    size_t nextOther_ = 0;
};

// The one entry point of a folder scan.
class ScanEngine {
public:
    // Starts the walk over `roots` on its own thread and returns at once.
    static ScanStream scan(std::vector<URL> roots, ScanRules rules, URL home,
                           std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());
};

}  // namespace ordane
