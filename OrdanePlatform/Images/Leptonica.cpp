#include "OrdanePlatform/Images/Leptonica.hpp"

#include <allheaders.h>

#include <mutex>

namespace ordane::platform {

void silenceLeptonica() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

}  // namespace ordane::platform
