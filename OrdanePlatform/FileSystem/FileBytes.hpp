#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace ordane::platform {

// The bytes of a whole file as one block: held in a string, or in a buffer filled without first
// being cleared. Never mapped: a file cut short by someone else while mapped would crash the reader.
class FileBytes {
public:
    explicit FileBytes(std::string text) : text_(std::move(text)), view_(text_) {}
    FileBytes(std::unique_ptr<char[]> buffer, size_t size) : buffer_(std::move(buffer)), view_(buffer_.get(), size) {}
    FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }
    FileBytes& operator=(FileBytes&& other) noexcept;

    std::string_view view() const { return view_; }

private:
    std::string text_;
    std::unique_ptr<char[]> buffer_;
    std::string_view view_;
};

}  // namespace ordane::platform
