#pragma once

#include <string>

namespace ordane::platform {

// One line of text found in a picture: its box as fractions of the picture's width and height,
// origin at the top-left corner, and the recogniser's confidence from 0 to 1.
struct RecognizedLine {
    std::string text;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double confidence = 0;

    bool operator==(const RecognizedLine&) const = default;
};

}  // namespace ordane::platform
