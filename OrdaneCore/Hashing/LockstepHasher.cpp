#include "OrdaneCore/Hashing/LockstepHasher.hpp"

#include <algorithm>
#include <cstring>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"

namespace ordane {

namespace {

// Chunk buffers of the calling thread, kept between calls and never cleared: every byte used has
// been read first.
char* threadBuffer(size_t size) {
    thread_local std::unique_ptr<char[]> buffer;
    thread_local size_t capacity = 0;
    if (capacity < size) {
        buffer.reset();
        buffer = std::make_unique_for_overwrite<char[]>(size);
        capacity = size;
    }
    return buffer.get();
}

struct Member {
    std::unique_ptr<platform::ReadableFile> file;
    char* chunk = nullptr;
    size_t length = 0;
    uint64_t total = 0;  // bytes of the file so far, the shared start included
};

// Members whose contents have agreed so far, with the hash of what they share.
struct Agreeing {
    Sha256 hash;
    std::vector<size_t> members;
};

// Whether the file open at `index` is still the version whose start was hashed.
bool unchangedSince(const LockstepHasher::SharedStart& start, size_t index, const platform::ReadableFile& file) {
    if (index >= start.versions.size() || !start.versions[index]) return false;
    std::optional<platform::FileVersion> now = file.version();
    return now && *now == *start.versions[index];
}

}  // namespace

std::vector<std::optional<Sha256::Digest>> LockstepHasher::sha256(const std::vector<std::string>& paths,
                                                                  std::stop_token stop, const SharedStart* start,
                                                                  std::optional<uint64_t> length) const {
    std::vector<std::optional<Sha256::Digest>> digests(paths.size());
    if (paths.empty()) return digests;
    const size_t chunkSize = std::clamp(bufferBudget / paths.size(), minimumChunk, maximumChunk);
    char* buffers = threadBuffer(chunkSize * paths.size());

    std::vector<Member> members(paths.size());
    // Those going on from the start, and those read from their beginning.
    std::vector<Agreeing> open(2);
    if (start) open[0].hash = start->hash;
    for (size_t i = 0; i < paths.size(); ++i) {
        members[i].chunk = buffers + i * chunkSize;
        try {
            members[i].file = fileSystem_->openForReading(paths[i]);
            if (start && !unchangedSince(*start, i, *members[i].file)) {
                open[1].members.push_back(i);  // its start is not known to be the one hashed
                continue;
            }
            if (start) {
                members[i].total = members[i].file->skip(start->length);
                if (members[i].total < start->length) {  // shorter now than the start it shared
                    members[i].file.reset();
                    continue;
                }
            }
            open[0].members.push_back(i);
        } catch (const platform::FileSystemError&) {
            // unreadable: no digest
        }
    }
    std::erase_if(open, [](const Agreeing& agreeing) { return agreeing.members.empty(); });

    while (!open.empty()) {
        std::vector<Agreeing> next;
        for (Agreeing& agreeing : open) {
            std::vector<size_t> readable;
            for (size_t index : agreeing.members) {
                Member& member = members[index];
                try {
                    member.length = FileHasher::readFull(*member.file, member.chunk, chunkSize);
                    member.total += member.length;
                    // Grown since the scan (a download, a log): no digest, and no reading on to its end.
                    if (length && member.total > *length) {
                        member.file.reset();
                        continue;
                    }
                    readable.push_back(index);
                } catch (const platform::FileSystemError&) {
                    member.file.reset();
                }
            }
            // Split where the chunks differ; each part goes on from the hash of what came before.
            std::vector<Agreeing> parts;
            for (size_t index : readable) {
                const Member& member = members[index];
                auto same = std::find_if(parts.begin(), parts.end(), [&](const Agreeing& part) {
                    const Member& first = members[part.members.front()];
                    return first.length == member.length && std::memcmp(first.chunk, member.chunk, member.length) == 0;
                });
                if (same == parts.end()) {
                    parts.push_back({parts.empty() ? std::move(agreeing.hash) : Sha256(parts.front().hash), {}});
                    same = parts.end() - 1;
                }
                same->members.push_back(index);
            }
            for (Agreeing& part : parts) {
                const Member& first = members[part.members.front()];
                if (first.length == 0) {
                    Sha256::Digest digest = part.hash.finish();
                    for (size_t index : part.members) {
                        if (!length || members[index].total == *length) digests[index] = digest;
                        members[index].file.reset();
                    }
                } else {
                    next.push_back(std::move(part));
                }
            }
        }
        // Each part's hash is updated only once it has split off from the others.
        for (Agreeing& part : next) {
            const Member& first = members[part.members.front()];
            part.hash.update(first.chunk, first.length);
        }
        open = std::move(next);
        checkCancellation(stop);
    }
    return digests;
}

}  // namespace ordane
