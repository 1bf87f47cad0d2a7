#include "OrdaneCore/Stores/SharedFolderPath.hpp"

#include <cstring>
#include <utility>

namespace ordane {

SharedFolderPath::Name::Name(std::string_view text) {
    if (text.size() <= inlineCapacity) {
        if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
        bytes_[inlineCapacity] = static_cast<unsigned char>(inlineCapacity - text.size());
        return;
    }
    char* data = new char[text.size()];
    std::memcpy(data, text.data(), text.size());
    const size_t size = text.size();
    std::memcpy(bytes_, &data, sizeof data);
    std::memcpy(bytes_ + sizeof data, &size, sizeof size);
    bytes_[inlineCapacity] = onHeap;
}

SharedFolderPath::Name::Name(Name&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.bytes_[inlineCapacity] = inlineCapacity;  // empty; the heap text is this one's now
}

SharedFolderPath::Name& SharedFolderPath::Name::operator=(const Name& other) {
    if (this != &other) *this = Name(other.view());
    return *this;
}

SharedFolderPath::Name& SharedFolderPath::Name::operator=(Name&& other) noexcept {
    if (this != &other) {
        release();
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.bytes_[inlineCapacity] = inlineCapacity;
    }
    return *this;
}

SharedFolderPath::Name::~Name() { release(); }

void SharedFolderPath::Name::release() {
    if (!isOnHeap()) return;
    char* data = nullptr;
    std::memcpy(&data, bytes_, sizeof data);
    delete[] data;
    bytes_[inlineCapacity] = inlineCapacity;
}

std::string_view SharedFolderPath::Name::view() const {
    if (!isOnHeap()) return {reinterpret_cast<const char*>(bytes_), inlineCapacity - bytes_[inlineCapacity]};
    const char* data = nullptr;
    size_t size = 0;
    std::memcpy(&data, bytes_, sizeof data);
    std::memcpy(&size, bytes_ + sizeof data, sizeof size);
    return {data, size};
}

const std::string* SharedFolderPath::Folders::intern(std::string_view folder) {
    auto it = folders_.find(folder);
    if (it == folders_.end()) it = folders_.emplace(folder).first;
    return &*it;  // a node-based set keeps its elements in place
}

SharedFolderPath::SharedFolderPath(std::string_view path, Folders& folders) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        name_ = Name(path);
        return;
    }
    folder_ = folders.intern(path.substr(0, slash));
    name_ = Name(path.substr(slash + 1));
}

std::string_view SharedFolderPath::text(std::string& buffer) const {
    if (!folder_) return name_.view();
    buffer.assign(*folder_);
    buffer += '/';
    buffer += name_.view();
    return buffer;
}

std::string SharedFolderPath::string() const {
    std::string buffer;
    return std::string(text(buffer));
}

bool SharedFolderPath::operator==(std::string_view path) const {
    const std::string_view name = name_.view();
    if (!folder_) return path == name;
    const std::string& folder = *folder_;
    return path.size() == folder.size() + 1 + name.size() && path.starts_with(folder) && path[folder.size()] == '/' &&
           path.ends_with(name);
}

bool SharedFolderPath::operator==(const SharedFolderPath& other) const {
    if (name_.view() != other.name_.view()) return false;
    if (folder_ == other.folder_) return true;
    return folder_ && other.folder_ && *folder_ == *other.folder_;
}

std::strong_ordering SharedFolderPath::operator<=>(const SharedFolderPath& other) const {
    std::string mine;
    std::string theirs;
    return text(mine).compare(other.text(theirs)) <=> 0;
}

size_t SharedFolderPath::Hash::operator()(const SharedFolderPath& path) const {
    thread_local std::string buffer;
    return std::hash<std::string_view>{}(path.text(buffer));
}

}  // namespace ordane
static_assert(sizeof(ordane::SharedFolderPath) == 32);
