#pragma once

namespace ordane::platform {

// Leptonica prints its warnings and errors to standard error by default; we report failures as
// results instead. Safe to call from any thread, any number of times.
void silenceLeptonica();

}  // namespace ordane::platform
