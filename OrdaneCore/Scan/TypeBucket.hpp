#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

// The broad kind of a scanned item, chosen from its extension.
enum class TypeBucket { documents, photos, videos, audio, archives, installers, apps, folders, other };

template <>
struct EnumCases<TypeBucket> {
    static constexpr std::array<std::pair<TypeBucket, std::string_view>, 9> cases{{
        {TypeBucket::documents, "documents"},
        {TypeBucket::photos, "photos"},
        {TypeBucket::videos, "videos"},
        {TypeBucket::audio, "audio"},
        {TypeBucket::archives, "archives"},
        {TypeBucket::installers, "installers"},
        {TypeBucket::apps, "apps"},
        {TypeBucket::folders, "folders"},
        {TypeBucket::other, "other"},
    }};
};

// The bucket of an extension (any letter case); `other` when the table has none.
TypeBucket typeBucketForExtension(std::string_view extension);
// The bucket of a file's name by its extension, as typeBucketForExtension gives it.
TypeBucket typeBucketForName(std::string_view name);
// Whether a lower-case extension is an installer package that is done with once used (.dmg, .deb …).
bool isClearableInstallerExtension(std::string_view extension);
std::string_view displayName(TypeBucket bucket);

}  // namespace ordane
