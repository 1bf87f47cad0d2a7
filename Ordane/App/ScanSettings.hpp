#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The user's few preferences, kept in settings.json in the Application Support folder.
struct ScanSettings {
    static constexpr double minimumTextScale = 0.5;
    static constexpr double maximumTextScale = 3.0;
    // A settings file is a few hundred bytes; anything this large is not one.
    static constexpr int64_t maximumFileSize = 1 << 20;

    std::set<std::string> disabledFolders;         // "Desktop", "Documents" … not to scan
    std::set<std::string> enabledExternalVolumes;  // mount points of drives to scan as well
    std::optional<double> textScale;               // absent means 1.0
    std::optional<std::string> ownerName;          // absent or blank: the account's full name

    // A text scale the interface can be laid out at: finite, from 0.5 to 3.0; otherwise none.
    static std::optional<double> usableTextScale(std::optional<double> scale);
    double effectiveTextScale() const { return textScale.value_or(1.0); }

    // Both arrays are required; a text scale that can't be used reads as absent. Throws DecodingError.
    static ScanSettings fromJson(const Json& json);
    Json toJson() const;  // throws EncodingError

    // The settings in the file, or the defaults when it is missing, too large or doesn't decode.
    static ScanSettings load(const URL& fileURL,
                             std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());
    // Writes the whole record atomically, pretty-printed with sorted keys, creating the folder. A
    // file already there that can't be read as settings is first renamed to
    // "settings.json.unreadable-<UTC time>", never overwritten. Returns whether the file was
    // written; a failure leaves the record in memory as it is and shows nothing.
    bool save(const URL& fileURL, std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real()) const;

    bool operator==(const ScanSettings&) const = default;
};

}  // namespace ordane
