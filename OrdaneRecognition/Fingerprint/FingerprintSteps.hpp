#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Fingerprint/EntitySignature.hpp"
#include "OrdaneCore/Fingerprint/StructuralFeatures.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdanePlatform/Language/DataDetector.hpp"

// The feature steps of the fingerprinter with the text's date matches found once and shared.
// The text must be valid UTF-8.
namespace ordane::fingerprint_steps {

std::vector<platform::DataMatch> dateMatches(std::string_view text);

StructuralFeatures structuralFeatures(std::string_view text, std::optional<int64_t> pageCount,
                                      const std::vector<std::string>& lines,
                                      const std::vector<platform::DataMatch>& dates);
std::vector<int64_t> monthYearMentions(const std::vector<platform::DataMatch>& dates);
EntitySignature entitySignature(std::string_view text, const OwnerIdentity& owner,
                                const std::vector<platform::DataMatch>& dates);

}  // namespace ordane::fingerprint_steps
