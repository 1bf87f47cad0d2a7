#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ordane::platform {

// A message between two of our own processes that the other side can't decode.
class WireFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compact binary messages between our processes on one machine: fixed-width little-endian
// integers, doubles by their bits (so a value comes back exactly as it left), strings with their
// length first. Both ends are the same build, so there is no versioning.
class ByteWriter {
public:
    void u8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void boolean(bool value) { u8(value ? 1 : 0); }
    void i64(int64_t value);
    void f64(double value);
    void string(std::string_view value);

    const std::string& bytes() const { return bytes_; }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

// Reads what a ByteWriter wrote, in the same order; throws WireFormatError when the bytes run out
// or hold something other than what is asked for.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    uint8_t u8();
    bool boolean();
    int64_t i64();
    double f64();
    std::string string();
    bool atEnd() const { return offset_ == bytes_.size(); }

private:
    std::string_view take(size_t count);

    std::string_view bytes_;
    size_t offset_ = 0;
};

// Frames on a stream (a socket or pipe): a 32-bit length, then the message. Blocking calls that
// go on after EINTR.
namespace frame {

inline constexpr size_t maxLength = 256 * 1024 * 1024;

// Throws std::system_error when the other end is gone.
void write(int fd, std::string_view message);
// Nothing at a clean end of the stream before a frame; throws WireFormatError for a frame cut
// short or too long, std::system_error for a failed read.
std::optional<std::string> read(int fd);

}  // namespace frame

}  // namespace ordane::platform
