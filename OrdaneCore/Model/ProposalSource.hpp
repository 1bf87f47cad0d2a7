#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

// The line of reasoning that produced a proposed folder.
enum class ProposalSource { recognition, series, versions, filenamePattern, mediaDate, fromDownloads };

template <>
struct EnumCases<ProposalSource> {
    static constexpr std::array<std::pair<ProposalSource, std::string_view>, 6> cases{{
        {ProposalSource::recognition, "recognition"},
        {ProposalSource::series, "series"},
        {ProposalSource::versions, "versions"},
        {ProposalSource::filenamePattern, "filenamePattern"},
        {ProposalSource::mediaDate, "mediaDate"},
        {ProposalSource::fromDownloads, "fromDownloads"},
    }};
};

}  // namespace ordane
