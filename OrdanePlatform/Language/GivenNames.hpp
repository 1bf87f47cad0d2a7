#pragma once

#include <string_view>

namespace ordane::platform {

// True for a common given name in many languages, written folded ("jose", "francois", "zoe").
// Names that are also everyday English words (May, Grace, Will, Hope…) are left out: the name
// tagger would otherwise read "May 2024" or a heading such as "Grace Period" as a person.
bool isCommonGivenName(std::string_view foldedWord);

}  // namespace ordane::platform
