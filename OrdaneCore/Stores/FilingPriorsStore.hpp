#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Stores/StoreFile.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Where the user has filed documents of each kind: accepts for moves carried out, rejects for moves
// undone. These are the user's own decisions, so every change is written at once, and a file that
// can't be used is set aside, never overwritten. Every public member takes the store's lock.
class FilingPriorsStore {
public:
    struct Row {
        std::string kind;  // a DocKind raw value
        std::string destinationPath;
        int64_t acceptCount = 0;
        int64_t rejectCount = 0;
        Date lastUpdated;

        // (accepts + 1) / (accepts + rejects + 3): a new row starts at 1/3.
        double acceptanceRate() const;
        bool hasHistory() const;

        bool operator==(const Row&) const = default;
        Json toJson() const;
        static Row fromJson(const Json& value);
    };

    static constexpr int64_t fileVersion = 1;

    explicit FilingPriorsStore(URL fileURL,
                               std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    void recordAccept(const std::string& kind, const std::string& destinationPath);
    void recordReject(const std::string& kind, const std::string& destinationPath);
    std::vector<Row> allRows();
    void save();

private:
    enum class Decision { accept, reject };

    // Also the row's key in the file, so the path in its stored form.
    static std::string key(const std::string& kind, const std::string& destinationPath) {
        return kind + "|" + json::filePathValue(destinationPath).get<std::string>();
    }

    void loadIfNeeded();
    void record(const std::string& kind, const std::string& destinationPath, Decision decision);
    void saveLocked();

    std::mutex mutex_;
    StoreFile file_;
    std::map<std::string, Row> rows_;
    bool loaded_ = false;
};

}  // namespace ordane
