#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Scan/CloudState.hpp"
#include "OrdaneCore/Scan/ProjectContext.hpp"
#include "OrdaneCore/Scan/TypeBucket.hpp"

namespace ordane {

// One scanned item: a file, a package, an app-managed bundle or a recreatable build folder.
//
// A home holds millions of these, and the groups and findings made from a scan hold the scan's own
// records, so a record is one pointer to a shared, immutable item: a copy shares it, and a setter
// copies it first when it is shared. The item keeps its folder's path (shared by the folder's
// items) and its own name; the URL is built when asked for.
class FileRecord {
public:
    // A record's values one by one, to build a record in a piece (converts implicitly).
    struct Fields {
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
    };

    FileRecord();  // the nil id, the URL of "/", nothing else set
    FileRecord(const Fields& fields);
    // The record of the item at `path` (as setPath takes it) with the other values of `fields`,
    // whose `url` is not read: a walk builds one for every item it finds, without a URL.
    FileRecord(std::string_view path, bool urlIsDirectory, const Fields& fields);
    // The same, taking the project context over instead of copying it.
    FileRecord(std::string_view path, bool urlIsDirectory, Fields&& fields);
    FileRecord(const FileRecord& other) noexcept;
    FileRecord(FileRecord&& other) noexcept;
    FileRecord& operator=(const FileRecord& other) noexcept;
    FileRecord& operator=(FileRecord&& other) noexcept;
    ~FileRecord();

    Fields fields() const;

    const UUID& id() const;
    URL url() const;
    bool urlIsDirectory() const;
    // The path of url() without building the URL.
    std::string path() const;
    // The last path component ("" for the root).
    std::string_view name() const;
    // The path up to the last "/" ("" for an item of the root folder).
    std::string_view folderPath() const;
    int64_t size() const;
    int64_t allocatedSize() const;
    const std::optional<Date> created() const;
    const std::optional<Date> modified() const;
    bool isDirectory() const;
    bool isPackage() const;
    CloudState cloud() const;
    const std::optional<CloudProvider> cloudProvider() const;
    const ProjectContext* projectContext() const;  // null when none

    FileRecord& setID(const UUID& id);
    FileRecord& setURL(const URL& url);
    // setURL(URL::fileURL(path, urlIsDirectory)) without making the URL.
    FileRecord& setPath(std::string_view path, bool urlIsDirectory);
    FileRecord& setSize(int64_t size);
    FileRecord& setAllocatedSize(int64_t allocatedSize);
    FileRecord& setCreated(std::optional<Date> created);
    FileRecord& setModified(std::optional<Date> modified);
    FileRecord& setIsDirectory(bool isDirectory);
    FileRecord& setIsPackage(bool isPackage);
    FileRecord& setCloud(CloudState cloud);
    FileRecord& setCloudProvider(std::optional<CloudProvider> provider);
    FileRecord& setProjectContext(std::optional<ProjectContext> context);

    std::string ext() const;
    TypeBucket typeBucket() const;
    std::string parentFolderName() const;
    bool isCloudOnly() const { return cloud() == CloudState::cloudOnly; }
    // Plain byte order of the two paths, compared without building them.
    static bool pathLess(const FileRecord& a, const FileRecord& b);
    // Both are the same shared item (so equal without comparing).
    bool sharesItemWith(const FileRecord& other) const { return item_ == other.item_; }

    bool operator==(const FileRecord& other) const;

    Json toJson() const;
    static FileRecord fromJson(const Json& json);

    struct Item;
    struct Folder;

private:
    friend class FindingText;  // keeps a record as one tagged pointer to its item
    explicit FileRecord(Item* item) : item_(item) {}
    Item& mutableItem();
    // All values of `fields` but the URL and project context, into a new item.
    void setValues(const Fields& fields);
    Item* item_;
};

}  // namespace ordane

template <>
struct std::hash<ordane::FileRecord> {
    size_t operator()(const ordane::FileRecord& record) const noexcept {
        return std::hash<ordane::UUID>{}(record.id()) ^ (std::hash<std::string>{}(record.path()) << 1);
    }
};
