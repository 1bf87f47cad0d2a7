#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

struct evp_md_ctx_st;  // OpenSSL's EVP_MD_CTX

namespace ordane {

// A running SHA-256 (OpenSSL EVP, which takes the processor's SHA instructions where there are
// any). Copies continue from the same state, so content shared up to a point is hashed once.
class Sha256 {
public:
    using Digest = std::array<unsigned char, 32>;

    Sha256();
    Sha256(const Sha256& other);
    Sha256& operator=(const Sha256& other);
    Sha256(Sha256&&) noexcept = default;
    Sha256& operator=(Sha256&&) noexcept = default;
    ~Sha256();

    void update(const void* data, size_t length);
    // The digest of everything given so far; the hasher may not be used afterwards.
    Digest finish();

    static Digest of(const void* data, size_t length);
    // 64 lower-case hexadecimal characters.
    static std::string hex(const Digest& digest);
    // The digest written by `hex`; none for anything else.
    static std::optional<Digest> fromHex(const std::string& text);

private:
    struct ContextFree {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextFree> context_;
};

}  // namespace ordane
