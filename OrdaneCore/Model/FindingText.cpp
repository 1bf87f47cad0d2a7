#include "OrdaneCore/Model/FindingText.hpp"

#include <atomic>
#include <cstring>
#include <limits>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

// The characters follow the header in the same allocation.
struct FindingText::Block {
    std::atomic<uint32_t> references{1};
    uint32_t size = 0;

    std::string_view chars() const { return {reinterpret_cast<const char*>(this + 1), size}; }

    static Block* make(std::string_view first, std::string_view second = {}) {
        size_t size = first.size() + second.size();
        if (size > std::numeric_limits<uint32_t>::max()) throw std::length_error("text too long for a finding");
        auto* block = new (::operator new(sizeof(Block) + size)) Block;
        block->size = static_cast<uint32_t>(size);
        auto* chars = reinterpret_cast<char*>(block + 1);
        if (!first.empty()) std::memcpy(chars, first.data(), first.size());
        if (!second.empty()) std::memcpy(chars + first.size(), second.data(), second.size());
        return block;
    }
};

FindingText::FindingText(std::string_view text) {
    if (!text.empty()) bits_ = reinterpret_cast<uintptr_t>(Block::make(text));
}

FindingText FindingText::pathOf(const FileRecord& record) {
    std::string path = record.path();
    if (!platform::text::isValidUTF8(path)) return FindingText(platform::text::validUTF8(path));
    FileRecord kept = record;
    FindingText text;
    text.bits_ = reinterpret_cast<uintptr_t>(std::exchange(kept.item_, nullptr)) | recordTag;
    return text;
}

FindingText::FindingText(const FindingText& other) noexcept : bits_(other.bits_) {
    if (isRecord()) {
        FileRecord owned = record();
        owned.item_ = nullptr;  // the new reference now belongs to this text
    } else if (const Block* shared = block()) {
        const_cast<Block*>(shared)->references.fetch_add(1, std::memory_order_relaxed);
    }
}

FindingText& FindingText::operator=(const FindingText& other) noexcept {
    if (bits_ != other.bits_) {
        FindingText copy(other);
        std::swap(bits_, copy.bits_);
    }
    return *this;
}

FindingText& FindingText::operator=(FindingText&& other) noexcept {
    std::swap(bits_, other.bits_);
    return *this;
}

FindingText::~FindingText() { release(); }

void FindingText::release() noexcept {
    if (isRecord()) {
        FileRecord adopted(reinterpret_cast<FileRecord::Item*>(bits_ & ~recordTag));  // released when it goes
    } else if (const Block* shared = block()) {
        auto* owned = const_cast<Block*>(shared);
        if (owned->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            owned->~Block();
            ::operator delete(owned);
        }
    }
    bits_ = 0;
}

// A new reference to the record this text keeps.
FileRecord FindingText::record() const {
    FileRecord borrowed(reinterpret_cast<FileRecord::Item*>(bits_ & ~recordTag));
    FileRecord copy = borrowed;
    borrowed.item_ = nullptr;  // the borrowed reference stays with this text
    return copy;
}

std::string FindingText::str() const {
    if (isRecord()) return record().path();
    const Block* kept = block();
    return kept ? std::string(kept->chars()) : std::string();
}

bool FindingText::empty() const { return bits_ == 0; }

std::optional<std::string_view> FindingText::stored() const {
    if (isRecord()) return std::nullopt;
    const Block* kept = block();
    return kept ? kept->chars() : std::string_view();
}

FindingText& FindingText::operator+=(std::string_view more) {
    if (more.empty()) return *this;
    FindingText longer;
    if (auto chars = stored()) {
        longer.bits_ = reinterpret_cast<uintptr_t>(Block::make(*chars, more));
    } else {
        longer.bits_ = reinterpret_cast<uintptr_t>(Block::make(str(), more));
    }
    std::swap(bits_, longer.bits_);
    return *this;
}

bool operator==(const FindingText& a, const FindingText& b) {
    if (a.bits_ == b.bits_) return true;
    auto left = a.stored();
    auto right = b.stored();
    if (left && right) return *left == *right;
    return a.str() == b.str();
}

bool operator==(const FindingText& a, std::string_view b) {
    if (auto chars = a.stored()) return *chars == b;
    return a.str() == b;
}

std::string operator+(const FindingText& a, std::string_view b) {
    std::string result = a.str();
    result += b;
    return result;
}

std::ostream& operator<<(std::ostream& stream, const FindingText& text) { return stream << text.str(); }

}  // namespace ordane
