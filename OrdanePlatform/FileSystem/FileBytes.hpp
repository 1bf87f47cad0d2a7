#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace ordane::platform {

// The bytes of a whole file as one block: held in a string, in a buffer filled without first
// being cleared, or mapped read-only from the file, so that what was read can be given back
// while the rest is still in use.
class FileBytes {
public:
    explicit FileBytes(std::string text) : text_(std::move(text)), view_(text_) {}
    FileBytes(std::unique_ptr<char[]> buffer, size_t size) : buffer_(std::move(buffer)), view_(buffer_.get(), size) {}
    // Takes over a read-only mapping of `size` bytes (from mmap), unmapped at the end.
    static FileBytes mapped(const char* address, size_t size);
    FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }
    FileBytes& operator=(FileBytes&& other) noexcept;
    ~FileBytes();

    std::string_view view() const { return view_; }

    // The bytes before `offset` will not be looked at again: a mapped file gives their memory
    // back (a later look would read them from the file anew). Other blocks are kept whole.
    void release(size_t offset);

private:
    FileBytes() = default;
    void unmap();

    std::string text_;
    std::unique_ptr<char[]> buffer_;
    const char* mapping_ = nullptr;
    size_t released_ = 0;  // of the mapping, in whole pages
    std::string_view view_;
};

}  // namespace ordane::platform
