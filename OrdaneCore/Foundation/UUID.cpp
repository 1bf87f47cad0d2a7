#include "OrdaneCore/Foundation/UUID.hpp"

#include <pthread.h>
#include <sys/random.h>
#include <uuid/uuid.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace ordane {

namespace {

// Ids come from a generator on each thread, seeded from the kernel: a scan gives every record an
// id, and drawing all of them from the kernel cost more than the rest of making the record. The
// seed is drawn again every few thousand ids, and in a forked child so that parent and child
// never hand out the same ids.
struct RandomPool {
    static constexpr unsigned idsPerSeed = 4096;
    uint64_t state[4]{};
    unsigned left = 0;

    void take(uint8_t* out) {
        if (left == 0) reseed();
        --left;
        uint64_t halves[2] = {next(), next()};
        std::memcpy(out, halves, sizeof halves);
    }

    // xoshiro256**: 256 bits of state, so two threads' streams never meet in practice.
    uint64_t next() {
        uint64_t result = std::rotl(state[1] * 5, 7) * 9;
        uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = std::rotl(state[3], 45);
        return result;
    }

    void reseed() {
        auto* bytes = reinterpret_cast<uint8_t*>(state);
        size_t filled = 0;
        while (filled < sizeof state) {
            ssize_t n = ::getrandom(bytes + filled, sizeof state - filled, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw std::system_error(errno, std::generic_category(), "getrandom");
            }
            filled += static_cast<size_t>(n);
        }
        if ((state[0] | state[1] | state[2] | state[3]) == 0) state[0] = 1;  // the one state it never leaves
        left = idsPerSeed;
    }
};

thread_local RandomPool pool;

void forgetPoolInChild() { pool.left = 0; }

}  // namespace

UUID UUID::random() {
    static const bool registered = (::pthread_atfork(nullptr, nullptr, forgetPoolInChild), true);
    (void)registered;
    UUID id;
    pool.take(id.bytes.data());
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
