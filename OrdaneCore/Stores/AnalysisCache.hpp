#pragma once

#include <array>
#include <cstdint>
#include <cstring>
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
    // Widths of the size and versions of an entry of hashes alone as it is kept in memory; an entry
    // with a value beyond them (or below 0) is kept whole.
    static constexpr int compactSizeBits = 48;
    static constexpr int compactSchemaVersionBits = 4;
    static constexpr int compactDetectorVersionBits = 8;

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
    // files of a home, hundreds of thousands of them: such an entry is kept in 56 bytes, its size,
    // versions and flags in one word and one digest in place. That is all most files need: a file
    // within the first 64 KiB has one hash for both, and a longer one has its partial hash alone
    // until it meets a copy. Two different digests are kept together on the heap. An entry that
    // holds more (a reading of the file), or a value this form can't hold exactly, is kept whole.
    // Either heap block is pointed to from the digest's place.
    class Stored {
    public:
        explicit Stored(Entry entry);
        Stored(Stored&& other) noexcept;
        Stored& operator=(Stored&& other) noexcept;
        Stored(const Stored&) = delete;
        Stored& operator=(const Stored&) = delete;
        ~Stored();

        Entry entry() const;
        void appendJson(std::string& out) const;
        // The entry when it is kept whole; null for one of hashes alone.
        const Entry* whole() const { return isWhole_ ? wholeEntry() : nullptr; }

        int64_t size() const { return isWhole_ ? wholeEntry()->size : static_cast<int64_t>(size_); }
        Date mtime() const { return isWhole_ ? wholeEntry()->mtime : mtime_; }
        int64_t schemaVersion() const { return isWhole_ ? wholeEntry()->schemaVersion : schemaVersion_; }
        Date lastSeen() const { return isWhole_ ? wholeEntry()->lastSeen : lastSeen_; }
        Hashes hashes() const;

        void setLastSeen(Date date);
        // A new modification date drops the hashes of the old one.
        void setMtime(Date date);
        // Sets the hashes given; an absent one stays as it is.
        void setHashes(const std::optional<std::string>& partial, const std::optional<std::string>& full);

    private:
        using Digest = std::array<unsigned char, 32>;
        Entry* wholeEntry() const { return pointerInPlace<Entry>(); }
        unsigned char* digestsApart() const { return pointerInPlace<unsigned char>(); }
        template <class T>
        T* pointerInPlace() const {
            T* pointer = nullptr;
            std::memcpy(&pointer, digest_, sizeof pointer);
            return pointer;
        }
        void placePointer(const void* pointer) { std::memcpy(digest_, &pointer, sizeof pointer); }
        std::optional<Digest> partialDigest() const;
        std::optional<Digest> fullDigest() const;
        void becomeWhole(std::unique_ptr<Entry> entry);
        void makeWhole();
        // Keeps these digests, in the small form, in place of the ones kept.
        void placeDigests(const std::optional<Digest>& partial, const std::optional<Digest>& full);
        void takeFrom(Stored& other);
        // Frees the heap block, if any; the hashes go with it.
        void release();

        uint64_t size_ : compactSizeBits = 0;
        uint64_t schemaVersion_ : compactSchemaVersionBits = 0;
        uint64_t detectorVersion_ : compactDetectorVersionBits = 0;
        uint64_t hasPartial_ : 1 = 0;
        uint64_t hasFull_ : 1 = 0;
        uint64_t apart_ : 1 = 0;  // both digests, different, on the heap
        uint64_t isWhole_ : 1 = 0;
        Date mtime_;
        Date lastSeen_;
        alignas(void*) unsigned char digest_[32] = {};  // the one digest; or the heap block's pointer
    };
    static_assert(sizeof(Stored) == 56, "a map node of a key and an entry of hashes fits a 112-byte block");

    // Dropping this many entries at once gives their memory back to the system.
    static constexpr size_t releaseAfterDropping = 10'000;

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
