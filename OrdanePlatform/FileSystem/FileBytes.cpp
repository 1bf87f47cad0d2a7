#include "OrdanePlatform/FileSystem/FileBytes.hpp"

#include <utility>

namespace ordane::platform {

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this == &other) return *this;
    // A moved string may carry its bytes inline, so the view is taken anew.
    text_ = std::move(other.text_);
    buffer_ = std::move(other.buffer_);
    view_ = buffer_ ? std::string_view(buffer_.get(), other.view_.size()) : std::string_view(text_);
    other.view_ = {};
    return *this;
}

}  // namespace ordane::platform
