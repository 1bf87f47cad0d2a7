#pragma once

#include <span>
#include <string>

#include "OrdaneCore/Foundation/URL.hpp"

namespace ordane::FamilyKey {

// The group key every member of one document family shares: "series|" for a recurring series,
// "family|" for versions of one document, then the upper-case hexadecimal digits (no leading
// zeros) of the exclusive-or of the members' path hashes. The key ignores member order; a family
// whose hashes cancel out ends in "0".
std::string make(std::span<const URL> members, bool isRecurringSeries);

}  // namespace ordane::FamilyKey
