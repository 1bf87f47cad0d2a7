#include "OrdaneCore/Stores/FilingPriorsStore.hpp"

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

// In doubles: counts read from a file may be as large as the file says.
double FilingPriorsStore::Row::acceptanceRate() const {
    const double accepts = static_cast<double>(acceptCount);
    return (accepts + 1) / (accepts + static_cast<double>(rejectCount) + 3);
}

bool FilingPriorsStore::Row::hasHistory() const { return saturatingAdd(acceptCount, rejectCount) > 2; }

Json FilingPriorsStore::Row::toJson() const {
    return Json{
        {"kind", json::stringValue(kind)},
        {"destinationPath", json::filePathValue(destinationPath)},
        {"acceptCount", acceptCount},
        {"rejectCount", rejectCount},
        {"lastUpdated", json::dateValue(lastUpdated)},
    };
}

FilingPriorsStore::Row FilingPriorsStore::Row::fromJson(const Json& value) {
    Row row;
    row.kind = json::string(json::field(value, "kind"));
    row.destinationPath = json::filePath(json::field(value, "destinationPath"));
    row.acceptCount = json::int64(json::field(value, "acceptCount"));
    row.rejectCount = json::int64(json::field(value, "rejectCount"));
    row.lastUpdated = json::date(json::field(value, "lastUpdated"));
    // Negative counts would make the acceptance rate meaningless (or divide by zero).
    if (row.acceptCount < 0 || row.rejectCount < 0) throw DecodingError("Negative count in a filing prior");
    return row;
}

FilingPriorsStore::FilingPriorsStore(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(std::move(fileURL), std::move(fileSystem), StoreFile::Unusable::setAside) {}

void FilingPriorsStore::recordAccept(const std::string& kind, const std::string& destinationPath) {
    record(kind, destinationPath, Decision::accept);
}

void FilingPriorsStore::recordReject(const std::string& kind, const std::string& destinationPath) {
    record(kind, destinationPath, Decision::reject);
}

std::vector<FilingPriorsStore::Row> FilingPriorsStore::allRows() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    std::vector<Row> result;
    result.reserve(rows_.size());
    for (const auto& [key, row] : rows_) result.push_back(row);
    return result;
}

void FilingPriorsStore::save() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    saveLocked();
}

void FilingPriorsStore::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;
    auto stored = file_.load([](std::string_view text) {
        std::map<std::string, Row> result;
        // Rows are keyed by their own fields, whatever key the file gave them.
        StoreFile::readEntries(
            text, fileVersion, "rows", [](JsonReader& reader) { return Row::fromJson(reader.readValue()); },
            [&result](std::string, Row row) { result.insert_or_assign(key(row.kind, row.destinationPath), std::move(row)); });
        return result;
    });
    if (stored) rows_ = std::move(*stored);
}

void FilingPriorsStore::record(const std::string& kind, const std::string& destinationPath, Decision decision) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    Date now = Date::now();
    Row& row = rows_.try_emplace(key(kind, destinationPath), Row{kind, destinationPath, 0, 0, now}).first->second;
    int64_t& count = decision == Decision::accept ? row.acceptCount : row.rejectCount;
    count = saturatingAdd(count, 1);
    row.lastUpdated = now;
    saveLocked();
}

void FilingPriorsStore::saveLocked() {
    Json object = {
        {"version", fileVersion},
        {"rows", StoreFile::writableObject(rows_, [](const Row& row) { return row.toJson(); })},
    };
    file_.write(json::dumpPretty(object));
}

}  // namespace ordane
