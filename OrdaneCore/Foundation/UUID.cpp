#include "OrdaneCore/Foundation/UUID.hpp"

#include <pthread.h>
#include <sys/random.h>
#include <uuid/uuid.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace ordane {

namespace {

// Random bytes fetched from the kernel in blocks: libuuid makes several system calls per id,
// which dominates a scan that gives every record one. Per thread, and dropped in a forked child
// so parent and child never hand out the same ids.
struct RandomPool {
    std::array<uint8_t, 4096> bytes{};
    size_t used = bytes.size();

    void take(uint8_t* out, size_t count) {
        if (used + count > bytes.size()) refill();
        std::memcpy(out, bytes.data() + used, count);
        used += count;
    }

    void refill() {
        size_t filled = 0;
        while (filled < bytes.size()) {
            ssize_t n = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw std::system_error(errno, std::generic_category(), "getrandom");
            }
            filled += static_cast<size_t>(n);
        }
        used = 0;
    }
};

thread_local RandomPool pool;

void forgetPoolInChild() { pool.used = pool.bytes.size(); }

}  // namespace

UUID UUID::random() {
    static const bool registered = (::pthread_atfork(nullptr, nullptr, forgetPoolInChild), true);
    (void)registered;
    UUID id;
    pool.take(id.bytes.data(), id.bytes.size());
    id.bytes[6] = static_cast<uint8_t>((id.bytes[6] & 0x0F) | 0x40);  // version 4
    id.bytes[8] = static_cast<uint8_t>((id.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return id;
}

std::optional<UUID> UUID::fromString(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    char buffer[37];
    std::memcpy(buffer, text.data(), 36);
    buffer[36] = '\0';
    uuid_t raw;
    if (uuid_parse(buffer, raw) != 0) return std::nullopt;
    UUID id;
    std::memcpy(id.bytes.data(), raw, 16);
    return id;
}

std::string UUID::uuidString() const {
    uuid_t raw;
    std::memcpy(raw, bytes.data(), 16);
    char buffer[37];
    uuid_unparse_upper(raw, buffer);
    return buffer;
}

}  // namespace ordane
