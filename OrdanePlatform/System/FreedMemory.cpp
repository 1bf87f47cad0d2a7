#include "OrdanePlatform/System/FreedMemory.hpp"

#include <malloc.h>

namespace ordane::platform {

void returnFreedMemory() { ::malloc_trim(0); }

}  // namespace ordane::platform
