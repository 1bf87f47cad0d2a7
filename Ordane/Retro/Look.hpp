#pragma once

namespace ordane::retro {

// Makes the application look the same on every desktop: the Fusion style, the light retro palette
// for the few standard widgets we keep, and the font name substitutions. Call once, after the
// QApplication exists.
void installRetroLook();

}  // namespace ordane::retro
