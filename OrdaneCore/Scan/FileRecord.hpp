#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Scan/CloudState.hpp"
#include "OrdaneCore/Scan/ProjectContext.hpp"
#include "OrdaneCore/Scan/TypeBucket.hpp"

namespace ordane {

// One scanned item: a file, a package, an app-managed bundle or a recreatable build folder.
struct FileRecord {
    UUID id;
    URL url;                // as the walk found it, not standardized
    int64_t size = 0;       // logical size; bounded allocated size of contents for folder-like items
    int64_t allocatedSize = 0;
    std::optional<Date> created;
    std::optional<Date> modified;
    bool isDirectory = false;
    bool isPackage = false;
    CloudState cloud = CloudState::local;
    std::optional<CloudProvider> cloudProvider;
    std::optional<ProjectContext> projectContext;

    std::string ext() const { return url.pathExtension(); }
    TypeBucket typeBucket() const;
    std::string parentFolderName() const;
    bool isCloudOnly() const { return cloud == CloudState::cloudOnly; }

    bool operator==(const FileRecord&) const = default;

    Json toJson() const;
    static FileRecord fromJson(const Json& json);
};

}  // namespace ordane

template <>
struct std::hash<ordane::FileRecord> {
    size_t operator()(const ordane::FileRecord& record) const noexcept {
        return std::hash<ordane::UUID>{}(record.id) ^ (std::hash<ordane::URL>{}(record.url) << 1);
    }
};
