#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace ordane {

// A path kept as the folder it lies in, shared with every other path of that folder, and its own
// name: a map of a home's files by path holds each folder's path once instead of once per file.
class SharedFolderPath {
public:
    // The folders of the paths made so far, each held once, for as long as the set lives; paths
    // made with it must not outlive it.
    class Folders {
    public:
        const std::string* intern(std::string_view folder);
        size_t size() const { return folders_.size(); }

    private:
        struct TextHash {
            using is_transparent = void;
            size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
        };
        std::unordered_set<std::string, TextHash, std::equal_to<>> folders_;
    };

    // Split at the last "/"; a path without one is kept whole as its name.
    SharedFolderPath(std::string_view path, Folders& folders);

    // The whole path, written into `buffer`.
    std::string_view text(std::string& buffer) const;
    std::string string() const;
    // The shared folder (null for a path without "/").
    const std::string* folder() const { return folder_; }

    bool operator==(std::string_view path) const;
    bool operator==(const SharedFolderPath& other) const;
    // As the texts of the paths compare.
    std::strong_ordering operator<=>(const SharedFolderPath& other) const;

    // Hashes a path as std::hash<std::string> hashes its text, so that an unordered map keyed by
    // these, filled and emptied in the same sequence, holds its entries in the same order as one
    // keyed by the texts. Not noexcept on purpose: the map then keeps each hash beside its entry
    // instead of rebuilding the text to hash it again.
    struct Hash {
        using is_transparent = void;
        size_t operator()(const SharedFolderPath& path) const;
        size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(const SharedFolderPath& a, const SharedFolderPath& b) const { return a == b; }
        bool operator()(const SharedFolderPath& a, std::string_view b) const { return a == b; }
        bool operator()(std::string_view a, const SharedFolderPath& b) const { return b == a; }
    };

    // A name in 24 bytes: up to 23 bytes are kept in place, a longer one on the heap. Most file
    // names fit, where a std::string keeps only 15 bytes in place and is larger itself.
    class Name {
    public:
        Name() : Name(std::string_view()) {}
        explicit Name(std::string_view text);
        Name(const Name& other) : Name(other.view()) {}
        Name(Name&& other) noexcept;
        Name& operator=(const Name& other);
        Name& operator=(Name&& other) noexcept;
        ~Name();

        std::string_view view() const;

    private:
        static constexpr size_t inlineCapacity = 23;
        static constexpr unsigned char onHeap = 0xFF;  // in the last byte; an inline name keeps its spare room there
        bool isOnHeap() const { return bytes_[inlineCapacity] == onHeap; }
        void release();

        alignas(char*) unsigned char bytes_[inlineCapacity + 1] = {};
    };

private:
    const std::string* folder_ = nullptr;
    Name name_;
};

}  // namespace ordane
