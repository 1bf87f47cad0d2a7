#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

TypeBucket FileRecord::typeBucket() const {
    if (isDirectory && !isPackage) return TypeBucket::folders;
    return typeBucketForExtension(ext());
}

std::string FileRecord::parentFolderName() const { return url.deletingLastPathComponent().lastPathComponent(); }

Json FileRecord::toJson() const {
    Json result = {
        {"id", json::uuidValue(id)},
        {"url", json::urlValue(url)},
        {"size", size},
        {"allocatedSize", allocatedSize},
        {"isDirectory", isDirectory},
        {"isPackage", isPackage},
        {"cloud", json::enumValue(cloud)},
    };
    json::setOptional(result, "created", created, json::dateValue);
    json::setOptional(result, "modified", modified, json::dateValue);
    json::setOptional(result, "cloudProvider", cloudProvider, json::enumValue<CloudProvider>);
    json::setOptional(result, "projectContext", projectContext, [](const ProjectContext& c) { return c.toJson(); });
    return result;
}

FileRecord FileRecord::fromJson(const Json& value) {
    auto readDate = [](const Json& j) { return json::date(j); };
    FileRecord record;
    record.id = json::uuid(json::field(value, "id"));
    record.url = json::url(json::field(value, "url"));
    record.size = json::int64(json::field(value, "size"));
    record.allocatedSize = json::int64(json::field(value, "allocatedSize"));
    record.created = json::optional<Date>(value, "created", readDate);
    record.modified = json::optional<Date>(value, "modified", readDate);
    record.isDirectory = json::boolean(json::field(value, "isDirectory"));
    record.isPackage = json::boolean(json::field(value, "isPackage"));
    record.cloud = json::enumeration<CloudState>(json::field(value, "cloud"));
    record.cloudProvider = json::optional<CloudProvider>(
        value, "cloudProvider", [](const Json& j) { return json::enumeration<CloudProvider>(j); });
    record.projectContext = json::optional<ProjectContext>(value, "projectContext", ProjectContext::fromJson);
    return record;
}

}  // namespace ordane
