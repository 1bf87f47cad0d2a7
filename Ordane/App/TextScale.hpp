#pragma once

namespace ordane {

// The one factor every interface font size is multiplied by: 1.0 until set. Set by the
// application state at start and whenever the user changes the text size.
double currentTextScale();
void setCurrentTextScale(double scale);

}  // namespace ordane
