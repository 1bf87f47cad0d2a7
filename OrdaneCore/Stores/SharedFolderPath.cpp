#include "OrdaneCore/Stores/SharedFolderPath.hpp"

namespace ordane {

const std::string* SharedFolderPath::Folders::intern(std::string_view folder) {
    auto it = folders_.find(folder);
    if (it == folders_.end()) it = folders_.emplace(folder).first;
    return &*it;  // a node-based set keeps its elements in place
}

SharedFolderPath::SharedFolderPath(std::string_view path, Folders& folders) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        name_ = path;
        return;
    }
    folder_ = folders.intern(path.substr(0, slash));
    name_ = path.substr(slash + 1);
}

std::string_view SharedFolderPath::text(std::string& buffer) const {
    if (!folder_) return name_;
    buffer.assign(*folder_);
    buffer += '/';
    buffer += name_;
    return buffer;
}

std::string SharedFolderPath::string() const {
    std::string buffer;
    return std::string(text(buffer));
}

bool SharedFolderPath::operator==(std::string_view path) const {
    if (!folder_) return path == name_;
    const std::string& folder = *folder_;
    return path.size() == folder.size() + 1 + name_.size() && path.starts_with(folder) && path[folder.size()] == '/' &&
           path.ends_with(name_);
}

bool SharedFolderPath::operator==(const SharedFolderPath& other) const {
    if (name_ != other.name_) return false;
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
