#include "OrdanePlatform/FileSystem/FileBytes.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace ordane::platform {

FileBytes FileBytes::mapped(const char* address, size_t size) {
    FileBytes bytes;
    bytes.mapping_ = address;
    bytes.view_ = std::string_view(address, size);
    return bytes;
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this == &other) return *this;
    unmap();
    // A moved string may carry its bytes inline, so the view is taken anew.
    text_ = std::move(other.text_);
    buffer_ = std::move(other.buffer_);
    mapping_ = std::exchange(other.mapping_, nullptr);
    released_ = std::exchange(other.released_, 0);
    if (mapping_) {
        view_ = other.view_;
    } else {
        view_ = buffer_ ? std::string_view(buffer_.get(), other.view_.size()) : std::string_view(text_);
    }
    other.view_ = {};
    return *this;
}

FileBytes::~FileBytes() { unmap(); }

void FileBytes::unmap() {
    if (!mapping_) return;
    ::munmap(const_cast<char*>(mapping_), view_.size());
    mapping_ = nullptr;
    view_ = {};
}

void FileBytes::release(size_t offset) {
    if (!mapping_) return;
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t end = std::min(offset, view_.size()) / page * page;
    if (end <= released_) return;
    // The pages stay mapped: dropping them only lets go of the memory, which the file backs.
    ::madvise(const_cast<char*>(mapping_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

}  // namespace ordane::platform
