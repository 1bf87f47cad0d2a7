#include "OrdaneCore/Hashing/Sha256.hpp"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

#include "OrdaneCore/Hashing/FileHasher.hpp"

namespace ordane {

namespace {

void checkOpenSSL(int result, const char* operation) {
    if (result != 1) throw std::runtime_error(std::string("SHA-256 ") + operation + " failed");
}

}  // namespace

void Sha256::ContextFree::operator()(evp_md_ctx_st* context) const { EVP_MD_CTX_free(context); }

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (!context_) throw std::bad_alloc();
    checkOpenSSL(EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr), "init");
}

Sha256::Sha256(const Sha256& other) : context_(EVP_MD_CTX_new()) {
    if (!context_) throw std::bad_alloc();
    checkOpenSSL(EVP_MD_CTX_copy_ex(context_.get(), other.context_.get()), "copy");
}

Sha256& Sha256::operator=(const Sha256& other) {
    if (this != &other) *this = Sha256(other);
    return *this;
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t length) {
    checkOpenSSL(EVP_DigestUpdate(context_.get(), data, length), "update");
}

Sha256::Digest Sha256::finish() {
    Digest digest{};
    unsigned int length = 0;
    checkOpenSSL(EVP_DigestFinal_ex(context_.get(), digest.data(), &length), "final");
    if (length != digest.size()) throw std::runtime_error("SHA-256 gave a digest of an unexpected length");
    return digest;
}

Sha256::Digest Sha256::of(const void* data, size_t length) {
    Digest digest{};
    unsigned int digestLength = 0;
    checkOpenSSL(EVP_Digest(data, length, digest.data(), &digestLength, EVP_sha256(), nullptr), "digest");
    return digest;
}

std::string Sha256::hex(const Digest& digest) { return FileHasher::hexString(digest); }

std::optional<Sha256::Digest> Sha256::fromHex(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    Digest digest{};
    if (text.size() != digest.size() * 2) return std::nullopt;
    for (size_t i = 0; i < digest.size(); ++i) {
        int high = value(text[2 * i]);
        int low = value(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return digest;
}

}  // namespace ordane
