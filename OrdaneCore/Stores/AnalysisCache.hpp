#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/SampleSource.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Stores/SharedFolderPath.hpp"
#include "OrdaneCore/Stores/StoreFile.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// What earlier scans learned about each unchanged file (fingerprint, text sample, insight, hashes),
// keyed by the path of the record's URL as the walk found it. A cache: an unusable file is simply
// rebuilt. Every public member takes the cache's lock; a hit refreshes `lastSeen`, so reads write.
class AnalysisCache {
public:
    static constexpr int64_t fileVersion = 3;
    static constexpr int64_t currentSchemaVersion = 3;
    static constexpr int64_t currentDetectorVersion = 1;
    // The detector version of an entry only the duplicate search made: no detector has read the
    // file, so recognition must not take the entry for "found unreadable before".
    static constexpr int64_t hashOnlyDetectorVersion = 0;
    static constexpr double modificationTolerance = 1.0;  // seconds
    static constexpr double pruneAge = 7'776'000;         // 90 days
    static constexpr size_t maxEntries = 100'000;

    struct Entry {
        int64_t size = 0;
        Date mtime;
        int64_t schemaVersion = currentSchemaVersion;
        int64_t detectorVersion = currentDetectorVersion;
        std::optional<Fingerprint> fingerprint;
        std::optional<std::string> sampleText;
        std::optional<SampleSource> sampleSource;
        std::optional<ContentInsight> insight;
        Date lastSeen;
        std::optional<std::string> partialSHA256;  // 64 lower-case hexadecimal characters
        std::optional<std::string> fullSHA256;

        bool operator==(const Entry&) const = default;

        // The stored form, written and read straight from text: the term vectors, most of a large
        // file, never pass through a JSON tree. Writing refuses (EncodingError) whatever reading
        // would refuse, so one bad entry can't spoil the file.
        void appendJson(std::string& out) const;
        static Entry read(JsonReader& reader);
        Json toJson() const;
        static Entry fromJson(const Json& value);
    };

    struct Hashes {
        std::optional<std::string> partial;
        std::optional<std::string> full;
        bool operator==(const Hashes&) const = default;
    };

    explicit AnalysisCache(URL fileURL,
                           std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    // The valid entry for the record (same size, modification date within the tolerance), with
    // `lastSeen` refreshed; none for a record without a modification date.
    std::optional<Entry> cachedEntry(const FileRecord& record);
    // The valid entry's insight when it was made by the current detector.
    std::optional<ContentInsight> cachedInsight(const FileRecord& record);
    // Upserts under the URL's path; an unchanged file's missing hashes carry over from the old entry.
    void store(Entry entry, const URL& url);
    // Hashes of the valid entry, only when its modification date is exactly the record's.
    Hashes cachedHashes(const FileRecord& record);
    // Sets the hashes passed on the valid entry, or on a fresh hash-only one when the file changed
    // (which drops its old fingerprint, sample and insight). Nothing for a record without a
    // modification date.
    void recordHashes(const FileRecord& record, const std::optional<std::string>& partialSHA256,
                      const std::optional<std::string>& fullSHA256);
    // Prunes and writes the file when something changed. Entries that can't be written are left out.
    void saveIfDirty();
    // Drops entries not seen for 90 days, then all but the 100,000 seen last; a drop is saved
    // at the next save.
    void prune();

private:
    // What is kept of an entry. The duplicate search leaves an entry with hashes alone for most
    // files of a home, hundreds of thousands of them: such an entry is kept small, its digests as
    // bytes. An entry that holds more (a reading of the file) is kept whole.
    class Stored {
    public:
        explicit Stored(Entry entry);

        Entry entry() const;
        void appendJson(std::string& out) const;
        const Entry* whole() const { return whole_.get(); }

        int64_t size() const { return whole_ ? whole_->size : size_; }
        Date mtime() const { return whole_ ? whole_->mtime : mtime_; }
        int64_t schemaVersion() const { return whole_ ? whole_->schemaVersion : schemaVersion_; }
        Date lastSeen() const { return whole_ ? whole_->lastSeen : lastSeen_; }
        Hashes hashes() const;

        void setLastSeen(Date date);
        // A new modification date drops the hashes of the old one.
        void setMtime(Date date);
        // Sets the hashes given; an absent one stays as it is.
        void setHashes(const std::optional<std::string>& partial, const std::optional<std::string>& full);

    private:
        using Digest = std::array<unsigned char, 32>;
        void makeWhole();

        std::unique_ptr<Entry> whole_;
        int64_t size_ = 0;
        Date mtime_;
        Date lastSeen_;
        // Versions are small numbers; an entry with one that does not fit is kept whole.
        int32_t schemaVersion_ = 0;
        int32_t detectorVersion_ = 0;
        std::optional<Digest> partial_;
        std::optional<Digest> full_;
    };

    void loadIfNeeded();
    Stored* validEntry(const FileRecord& record);
    void pruneLocked();

    using Entries = std::unordered_map<SharedFolderPath, Stored, SharedFolderPath::Hash, SharedFolderPath::Equal>;

    std::mutex mutex_;
    StoreFile file_;
    // Declared before the entries, whose keys point into it.
    SharedFolderPath::Folders folders_;
    Entries entries_;
    bool loaded_ = false;
    bool dirty_ = false;
};

}  // namespace ordane
