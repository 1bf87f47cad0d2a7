#include "OrdaneCore/Foundation/UUID.hpp"

#include <uuid/uuid.h>

#include <cstring>

namespace ordane {

UUID UUID::random() {
    uuid_t raw;
    uuid_generate_random(raw);
    UUID id;
    std::memcpy(id.bytes.data(), raw, 16);
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
