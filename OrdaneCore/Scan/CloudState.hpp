#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

enum class CloudState { local, cloudOnly, cloudDownloaded };

enum class CloudProvider { iCloudDrive, dropbox, oneDrive, googleDrive, other };

template <>
struct EnumCases<CloudState> {
    static constexpr std::array<std::pair<CloudState, std::string_view>, 3> cases{{
        {CloudState::local, "local"},
        {CloudState::cloudOnly, "cloudOnly"},
        {CloudState::cloudDownloaded, "cloudDownloaded"},
    }};
};

template <>
struct EnumCases<CloudProvider> {
    static constexpr std::array<std::pair<CloudProvider, std::string_view>, 5> cases{{
        {CloudProvider::iCloudDrive, "iCloudDrive"},
        {CloudProvider::dropbox, "dropbox"},
        {CloudProvider::oneDrive, "oneDrive"},
        {CloudProvider::googleDrive, "googleDrive"},
        {CloudProvider::other, "other"},
    }};
};

constexpr std::string_view displayName(CloudProvider provider) {
    switch (provider) {
        case CloudProvider::iCloudDrive: return "iCloud Drive";
        case CloudProvider::dropbox: return "Dropbox";
        case CloudProvider::oneDrive: return "OneDrive";
        case CloudProvider::googleDrive: return "Google Drive";
        case CloudProvider::other: return "a cloud service";
    }
    return "a cloud service";
}

}  // namespace ordane
