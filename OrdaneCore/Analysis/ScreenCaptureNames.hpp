#pragma once

#include <optional>
#include <string_view>

namespace ordane {

// The names that screen-capture tools give their files unless told otherwise, in the languages
// whose text Ordane reads. The one place that tells a screenshot or a screen recording by its name.
struct ScreenCaptureNames {
    enum class Kind { screenshot, screenRecording };

    // What a file of this name (last path component, extension included) was saved as; nothing
    // for a name no tool gives. Case-sensitive, as the tools write them. The English words are
    // enough ("Screenshot", "Screencast"); a name that only begins with another language's words
    // is none: the date and time that follow them must be there too.
    static std::optional<Kind> kindOf(std::string_view fileName);
};

}  // namespace ordane
