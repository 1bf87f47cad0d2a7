#include "OrdaneCore/Scan/FileRecord.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace {

enum Flag : uint8_t {
    directory = 1,
    package = 2,
    directoryURL = 4,
    hasCreated = 8,
    hasModified = 16,
};

}  // namespace

// A folder's path, shared by the records of its items.
struct FileRecord::Folder {
    std::atomic<uint32_t> references{1};
    uint32_t length = 0;

    const char* text() const { return reinterpret_cast<const char*>(this + 1); }
    std::string_view path() const { return {text(), length}; }

    static Folder* make(std::string_view path) {
        void* memory = ::operator new(sizeof(Folder) + path.size());
        auto* folder = new (memory) Folder;
        folder->length = static_cast<uint32_t>(path.size());
        std::memcpy(reinterpret_cast<char*>(folder + 1), path.data(), path.size());
        return folder;
    }
    static Folder* retain(Folder* folder) {
        folder->references.fetch_add(1, std::memory_order_relaxed);
        return folder;
    }
    static void release(Folder* folder) {
        if (folder && folder->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            folder->~Folder();
            ::operator delete(folder);
        }
    }

    // The folder of `path`: the last one asked for on this thread when it is the same, so the items
    // of one folder, which come together from a walk or a file, share it.
    static Folder* shared(std::string_view path) {
        struct Last {
            Folder* folder = nullptr;
            ~Last() { release(folder); }
        };
        thread_local Last last;
        if (!last.folder || last.folder->path() != path) {
            release(last.folder);
            last.folder = make(path);
        }
        return retain(last.folder);
    }
};

namespace {

// Items are cut from blocks that a thread fills one after another, instead of being allocated one
// by one: a walk makes one for every item it finds, and its consumer, on another thread, drops
// them, where freeing each took the maker's arena lock. A block is freed with its last item.
class ItemBlock {
public:
    static constexpr size_t bytes = 64 * 1024;
    static constexpr size_t largestPiece = 1024;  // larger items are allocated on their own

    static constexpr size_t unit = alignof(std::max_align_t);

    // Room for `size` bytes (at most largestPiece), aligned for any item, in the calling thread's
    // block; `offset`: where it lies in the block, in units, never 0. A block is not aligned to
    // its size to be found from a piece's address: the allocator would give twice the memory.
    static void* cut(size_t size, uint16_t& offset) {
        thread_local Current current;
        size = (size + unit - 1) & ~(unit - 1);
        if (!current.block || current.block->used_ + size > bytes) {
            // Made before the full one is given up, so that a failure leaves the thread's block as it was.
            auto* fresh = new (::operator new(bytes)) ItemBlock;
            if (current.block) current.block->retire();
            current.block = fresh;
        }
        ItemBlock& block = *current.block;
        offset = static_cast<uint16_t>(block.used_ / unit);
        void* piece = reinterpret_cast<char*>(&block) + block.used_;
        block.used_ += size;
        block.pieces_ += 1;
        return piece;
    }

    // Gives back a piece that cut returned, from any thread.
    static void release(void* piece, uint16_t offset) {
        reinterpret_cast<ItemBlock*>(static_cast<char*>(piece) - size_t{offset} * unit)->drop(1);
    }

private:
    // The thread's block, given up when the thread ends.
    struct Current {
        ItemBlock* block = nullptr;
        ~Current() {
            if (block) std::exchange(block, nullptr)->retire();
        }
    };

    // The count starts high and the cutting thread takes off what it did not cut when it moves on,
    // so that cutting a piece needs no atomic step; each piece takes off one when it goes.
    static constexpr uint32_t unclaimed = uint32_t{1} << 30;

    void retire() { drop(unclaimed - pieces_); }
    void drop(uint32_t count) {
        if (references_.fetch_sub(count, std::memory_order_acq_rel) == count) {
            this->~ItemBlock();
            ::operator delete(this, bytes);
        }
    }

    std::atomic<uint32_t> references_{unclaimed};
    uint32_t pieces_ = 0;  // cut so far, by the cutting thread alone
    size_t used_ = (sizeof(ItemBlock) + unit - 1) & ~(unit - 1);
};

}  // namespace

// The shared, immutable values of a record; its name follows it in the same allocation.
struct FileRecord::Item {
    UUID id;
    std::atomic<uint32_t> references{1};
    uint32_t nameLength = 0;
    int64_t size = 0;
    int64_t allocatedSize = 0;
    double created = 0;
    double modified = 0;
    Folder* folder = nullptr;
    ProjectContext* project = nullptr;
    uint8_t flags = 0;
    CloudState cloud = CloudState::local;
    uint8_t provider = 0;  // 1 + the CloudProvider, 0 for none
    uint16_t blockOffset = 0;  // where it lies in its ItemBlock, in units; 0 when allocated alone

    const char* nameText() const { return reinterpret_cast<const char*>(this + 1); }
    std::string_view name() const { return {nameText(), nameLength}; }

    // A new item holding `name`, with `from`'s other values (or the defaults).
    static Item* make(std::string_view name, const Item* from, Folder* folder, bool cut = true) {
        size_t size = sizeof(Item) + name.size();
        uint16_t offset = 0;
        auto* item = new (cut && size <= ItemBlock::largestPiece ? ItemBlock::cut(size, offset) : ::operator new(size)) Item;
        item->blockOffset = offset;
        if (from) {
            item->id = from->id;
            item->size = from->size;
            item->allocatedSize = from->allocatedSize;
            item->created = from->created;
            item->modified = from->modified;
            item->flags = from->flags;
            item->cloud = from->cloud;
            item->provider = from->provider;
            if (from->project) item->project = new ProjectContext(*from->project);
        }
        item->folder = folder;
        item->nameLength = static_cast<uint32_t>(name.size());
        std::memcpy(reinterpret_cast<char*>(item + 1), name.data(), name.size());
        return item;
    }
    // A new item for the path (as setPath takes it), with `from`'s other values (or the defaults).
    static Item* atPath(std::string_view path, bool urlIsDirectory, const Item* from);
    static Item* retain(Item* item);
    static void release(Item* item) {
        if (item && !isEmpty(item) && item->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            Folder::release(item->folder);
            delete item->project;
            uint16_t offset = item->blockOffset;
            item->~Item();
            if (offset != 0) {
                ItemBlock::release(item, offset);
            } else {
                ::operator delete(item);
            }
        }
    }
    static bool isEmpty(const Item* item);
    bool has(Flag flag) const { return (flags & flag) != 0; }
    void set(Flag flag, bool on) { flags = static_cast<uint8_t>(on ? flags | flag : flags & ~flag); }
    void setCreated(std::optional<Date> date) {
        set(hasCreated, date.has_value());
        created = date ? date->secondsSinceReferenceDate : 0;
    }
    void setModified(std::optional<Date> date) {
        set(hasModified, date.has_value());
        modified = date ? date->secondsSinceReferenceDate : 0;
    }
    void setProvider(std::optional<CloudProvider> cloudProvider) {
        provider = cloudProvider ? static_cast<uint8_t>(static_cast<uint8_t>(*cloudProvider) + 1) : 0;
    }
};

namespace {

// The root's path "/" is the folder "" and the name "".
std::pair<std::string_view, std::string_view> split(std::string_view path) {
    size_t slash = platform::path::lastIndexOf(path, '/');
    if (slash == std::string_view::npos) return {std::string_view(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

FileRecord::Item* FileRecord::Item::atPath(std::string_view path, bool urlIsDirectory, const Item* from) {
    // A walk's paths are already as a URL keeps them: absolute, without a trailing "/".
    bool asURLKeepsIt = !path.empty() && path.front() == '/' && (path.size() == 1 || path.back() != '/');
    if (!asURLKeepsIt) {
        URL url = URL::fileURL(path, urlIsDirectory);
        return atPath(url.path(), url.isDirectory(), from);
    }
    auto [folder, name] = split(path);
    Item* item = make(name, from, Folder::shared(folder));
    item->set(directoryURL, urlIsDirectory);
    return item;
}

namespace {

// What a default record holds, and a moved-from one: shared, never freed, copied before any change.
// Not counted: every move makes a default record, and a count on one item would be a memory
// location all threads that move records write to.
FileRecord::Item* emptyItem() {
    static FileRecord::Item* const empty = [] {
        // Not cut: it would hold its block for good.
        FileRecord::Item* item = FileRecord::Item::make("", nullptr, FileRecord::Folder::make(""), false);
        item->references = 2;  // never 1: always copied before a change
        return item;
    }();
    return empty;
}

}  // namespace

bool FileRecord::Item::isEmpty(const Item* item) { return item == emptyItem(); }

FileRecord::Item* FileRecord::Item::retain(Item* item) {
    if (!isEmpty(item)) item->references.fetch_add(1, std::memory_order_relaxed);
    return item;
}

FileRecord::FileRecord() : item_(emptyItem()) {}

FileRecord::FileRecord(const Fields& fields) : FileRecord(fields.url.path(), fields.url.isDirectory(), fields) {}

FileRecord::FileRecord(std::string_view path, bool urlIsDirectory, const Fields& fields)
    : item_(Item::atPath(path, urlIsDirectory, nullptr)) {
    setValues(fields);
    if (fields.projectContext) item_->project = new ProjectContext(*fields.projectContext);
}

FileRecord::FileRecord(std::string_view path, bool urlIsDirectory, Fields&& fields)
    : item_(Item::atPath(path, urlIsDirectory, nullptr)) {
    setValues(fields);
    if (fields.projectContext) item_->project = new ProjectContext(std::move(*fields.projectContext));
}

void FileRecord::setValues(const Fields& fields) {
    Item& item = *item_;  // new, so not shared: set in place
    item.id = fields.id;
    item.size = fields.size;
    item.allocatedSize = fields.allocatedSize;
    item.setCreated(fields.created);
    item.setModified(fields.modified);
    item.set(directory, fields.isDirectory);
    item.set(package, fields.isPackage);
    item.cloud = fields.cloud;
    item.setProvider(fields.cloudProvider);
}

FileRecord::FileRecord(const FileRecord& other) noexcept : item_(Item::retain(other.item_)) {}

FileRecord::FileRecord(FileRecord&& other) noexcept : FileRecord() { std::swap(item_, other.item_); }

FileRecord& FileRecord::operator=(const FileRecord& other) noexcept {
    if (item_ != other.item_) Item::release(std::exchange(item_, Item::retain(other.item_)));
    return *this;
}

FileRecord& FileRecord::operator=(FileRecord&& other) noexcept {
    std::swap(item_, other.item_);
    return *this;
}

FileRecord::~FileRecord() { Item::release(item_); }

FileRecord::Item& FileRecord::mutableItem() {
    if (item_->references.load(std::memory_order_acquire) != 1) {
        Item* copy = Item::make(item_->name(), item_, Folder::retain(item_->folder));
        Item::release(std::exchange(item_, copy));
    }
    return *item_;
}

FileRecord::Fields FileRecord::fields() const {
    Fields fields;
    fields.id = id();
    fields.url = url();
    fields.size = size();
    fields.allocatedSize = allocatedSize();
    fields.created = created();
    fields.modified = modified();
    fields.isDirectory = isDirectory();
    fields.isPackage = isPackage();
    fields.cloud = cloud();
    fields.cloudProvider = cloudProvider();
    if (const ProjectContext* context = projectContext()) fields.projectContext = *context;
    return fields;
}

const UUID& FileRecord::id() const { return item_->id; }

URL FileRecord::url() const { return URL::fileURL(path(), urlIsDirectory()); }
bool FileRecord::urlIsDirectory() const { return item_->has(directoryURL); }

std::string FileRecord::path() const {
    std::string_view folder = folderPath();
    std::string_view name = item_->name();
    std::string result;
    result.reserve(folder.size() + 1 + name.size());
    result.append(folder).append(1, '/').append(name);
    return result;
}

std::string_view FileRecord::name() const { return item_->name(); }
std::string_view FileRecord::folderPath() const { return item_->folder->path(); }
int64_t FileRecord::size() const { return item_->size; }
int64_t FileRecord::allocatedSize() const { return item_->allocatedSize; }

const std::optional<Date> FileRecord::created() const {
    return item_->has(hasCreated) ? std::optional<Date>(Date{item_->created}) : std::nullopt;
}

const std::optional<Date> FileRecord::modified() const {
    return item_->has(hasModified) ? std::optional<Date>(Date{item_->modified}) : std::nullopt;
}

bool FileRecord::isDirectory() const { return item_->has(directory); }
bool FileRecord::isPackage() const { return item_->has(package); }
CloudState FileRecord::cloud() const { return item_->cloud; }

const std::optional<CloudProvider> FileRecord::cloudProvider() const {
    if (item_->provider == 0) return std::nullopt;
    return static_cast<CloudProvider>(item_->provider - 1);
}

const ProjectContext* FileRecord::projectContext() const { return item_->project; }

FileRecord& FileRecord::setID(const UUID& id) {
    mutableItem().id = id;
    return *this;
}

// A URL's path always starts with "/" and has no trailing "/".
FileRecord& FileRecord::setURL(const URL& url) { return setPath(url.path(), url.isDirectory()); }

FileRecord& FileRecord::setPath(std::string_view path, bool urlIsDirectory) {
    Item::release(std::exchange(item_, Item::atPath(path, urlIsDirectory, item_)));
    return *this;
}

FileRecord& FileRecord::setSize(int64_t size) {
    mutableItem().size = size;
    return *this;
}

FileRecord& FileRecord::setAllocatedSize(int64_t allocatedSize) {
    mutableItem().allocatedSize = allocatedSize;
    return *this;
}

FileRecord& FileRecord::setCreated(std::optional<Date> created) {
    mutableItem().setCreated(created);
    return *this;
}

FileRecord& FileRecord::setModified(std::optional<Date> modified) {
    mutableItem().setModified(modified);
    return *this;
}

FileRecord& FileRecord::setIsDirectory(bool isDirectory) {
    mutableItem().set(directory, isDirectory);
    return *this;
}

FileRecord& FileRecord::setIsPackage(bool isPackage) {
    mutableItem().set(package, isPackage);
    return *this;
}

FileRecord& FileRecord::setCloud(CloudState cloud) {
    mutableItem().cloud = cloud;
    return *this;
}

FileRecord& FileRecord::setCloudProvider(std::optional<CloudProvider> provider) {
    mutableItem().setProvider(provider);
    return *this;
}

FileRecord& FileRecord::setProjectContext(std::optional<ProjectContext> context) {
    Item& item = mutableItem();
    delete std::exchange(item.project, context ? new ProjectContext(std::move(*context)) : nullptr);
    return *this;
}

std::string FileRecord::ext() const { return platform::path::extension(item_->name()); }

TypeBucket FileRecord::typeBucket() const {
    if (isDirectory() && !isPackage()) return TypeBucket::folders;
    return typeBucketForName(item_->name());
}

std::string FileRecord::parentFolderName() const {
    std::string_view folder = folderPath();
    if (folder.empty()) return item_->name().empty() ? ".." : "/";  // the root's parent, or the root
    return platform::path::lastComponent(folder);
}

bool FileRecord::pathLess(const FileRecord& a, const FileRecord& b) {
    if (a.item_->folder == b.item_->folder) return a.name() < b.name();
    // Folder, "/", name: compared piece by piece as one text.
    auto pieces = [](const FileRecord& r) {
        return std::array<std::string_view, 3>{r.folderPath(), "/", r.name()};
    };
    auto left = pieces(a);
    auto right = pieces(b);
    size_t i = 0, j = 0;
    std::string_view x = left[0], y = right[0];
    while (true) {
        while (x.empty() && i + 1 < 3) x = left[++i];
        while (y.empty() && j + 1 < 3) y = right[++j];
        if (x.empty() || y.empty()) return x.empty() && !y.empty();
        size_t n = std::min(x.size(), y.size());
        if (int c = x.substr(0, n).compare(y.substr(0, n)); c != 0) return c < 0;
        x.remove_prefix(n);
        y.remove_prefix(n);
    }
}

bool FileRecord::operator==(const FileRecord& other) const {
    if (item_ == other.item_) return true;
    const Item& a = *item_;
    const Item& b = *other.item_;
    auto sameProject = [&] { return a.project == b.project || (a.project && b.project && *a.project == *b.project); };
    return a.id == b.id && a.name() == b.name() && a.folder->path() == b.folder->path() && a.size == b.size &&
           a.allocatedSize == b.allocatedSize && a.flags == b.flags && (!a.has(hasCreated) || a.created == b.created) &&
           (!a.has(hasModified) || a.modified == b.modified) && a.cloud == b.cloud && a.provider == b.provider &&
           sameProject();
}

Json FileRecord::toJson() const {
    Json result = {
        {"id", json::uuidValue(id())},
        {"url", json::urlValue(url())},
        {"size", size()},
        {"allocatedSize", allocatedSize()},
        {"isDirectory", isDirectory()},
        {"isPackage", isPackage()},
        {"cloud", json::enumValue(cloud())},
    };
    json::setOptional(result, "created", created(), json::dateValue);
    json::setOptional(result, "modified", modified(), json::dateValue);
    json::setOptional(result, "cloudProvider", cloudProvider(), json::enumValue<CloudProvider>);
    if (const ProjectContext* context = projectContext()) result["projectContext"] = context->toJson();
    return result;
}

FileRecord FileRecord::fromJson(const Json& value) {
    auto readDate = [](const Json& j) { return json::date(j); };
    Fields fields;
    fields.id = json::uuid(json::field(value, "id"));
    fields.url = json::url(json::field(value, "url"));
    fields.size = json::int64(json::field(value, "size"));
    fields.allocatedSize = json::int64(json::field(value, "allocatedSize"));
    fields.created = json::optional<Date>(value, "created", readDate);
    fields.modified = json::optional<Date>(value, "modified", readDate);
    fields.isDirectory = json::boolean(json::field(value, "isDirectory"));
    fields.isPackage = json::boolean(json::field(value, "isPackage"));
    fields.cloud = json::enumeration<CloudState>(json::field(value, "cloud"));
    fields.cloudProvider = json::optional<CloudProvider>(
        value, "cloudProvider", [](const Json& j) { return json::enumeration<CloudProvider>(j); });
    fields.projectContext = json::optional<ProjectContext>(value, "projectContext", ProjectContext::fromJson);
    return FileRecord(fields);
}

}  // namespace ordane
