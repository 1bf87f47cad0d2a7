#pragma once

namespace ordane {

// On the offscreen platform (the scripted run, tests) Qt warns for every window shown that it can't
// pass size hints to a window manager it doesn't have. Drops that message there; every other
// message, and every message on other platforms, goes on as before. Call once, after the
// application object exists.
void quietOffscreenPlatform();

}  // namespace ordane
