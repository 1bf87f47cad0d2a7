#include "OrdanePlatform/Process/WireFormat.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <system_error>

namespace ordane::platform {

namespace {

void putLittleEndian(std::string& bytes, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t getLittleEndian(std::string_view bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) value |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

// Sockets get MSG_NOSIGNAL, so that a reader gone away gives EPIPE rather than a SIGPIPE that ends us.
ssize_t writeSome(int fd, const char* data, size_t size) {
    ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
    if (written < 0 && errno == ENOTSOCK) written = ::write(fd, data, size);
    return written;
}

}  // namespace

void ByteWriter::i64(int64_t value) { putLittleEndian(bytes_, static_cast<uint64_t>(value), 8); }

void ByteWriter::f64(double value) { putLittleEndian(bytes_, std::bit_cast<uint64_t>(value), 8); }

void ByteWriter::string(std::string_view value) {
    i64(static_cast<int64_t>(value.size()));
    bytes_.append(value);
}

std::string_view ByteReader::take(size_t count) {
    if (count > bytes_.size() - offset_) throw WireFormatError("message cut short");
    std::string_view part = bytes_.substr(offset_, count);
    offset_ += count;
    return part;
}

uint8_t ByteReader::u8() { return static_cast<uint8_t>(take(1)[0]); }

bool ByteReader::boolean() {
    const uint8_t value = u8();
    if (value > 1) throw WireFormatError("not a yes or no");
    return value == 1;
}

int64_t ByteReader::i64() { return static_cast<int64_t>(getLittleEndian(take(8))); }

double ByteReader::f64() { return std::bit_cast<double>(getLittleEndian(take(8))); }

std::string ByteReader::string() {
    const int64_t length = i64();
    if (length < 0) throw WireFormatError("negative length");
    return std::string(take(static_cast<size_t>(length)));
}

namespace frame {

namespace {

void writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = writeSome(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "write to a reader channel");
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
}

// Reads exactly `size` bytes; false when the stream ended before the first one.
bool readAll(int fd, char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t count = ::read(fd, data + done, size - done);
        if (count < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "read from a reader channel");
        }
        if (count == 0) {
            if (done == 0) return false;
            throw WireFormatError("frame cut short");
        }
        done += static_cast<size_t>(count);
    }
    return true;
}

}  // namespace

void write(int fd, std::string_view message) {
    if (message.size() > maxLength) throw WireFormatError("frame too long");
    std::string header;
    putLittleEndian(header, message.size(), 4);
    writeAll(fd, header);
    writeAll(fd, message);
}

std::optional<std::string> read(int fd) {
    char header[4];
    if (!readAll(fd, header, sizeof header)) return std::nullopt;
    const uint64_t length = getLittleEndian(std::string_view(header, sizeof header));
    if (length > maxLength) throw WireFormatError("frame too long");
    std::string message(length, '\0');
    if (length > 0 && !readAll(fd, message.data(), length)) throw WireFormatError("frame cut short");
    return message;
}

}  // namespace frame

}  // namespace ordane::platform
