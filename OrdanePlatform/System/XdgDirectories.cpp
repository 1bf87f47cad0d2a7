#include "OrdanePlatform/System/XdgDirectories.hpp"

#include <cstdlib>
#include <optional>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

std::string fromVariable(const char* name, std::string_view home, std::string_view fallback) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/') return path::standardized(value);
    return path::standardized(path::appending(home, fallback));
}

std::string_view trimmedLeft(std::string_view text) {
    size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// The value after "=": quoted with escapes, or bare up to white space or a comment.
std::optional<std::string> shellWord(std::string_view text) {
    std::string word;
    if (!text.empty() && text.front() == '"') {
        for (size_t i = 1; i < text.size(); ++i) {
            if (text[i] == '"') return word;
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            word += text[i];
        }
        return std::nullopt;  // no closing quote
    }
    size_t end = text.find_first_of(" \t#");
    return std::string(text.substr(0, end));
}

std::optional<std::string> expanded(std::string_view value, std::string_view home) {
    for (std::string_view variable : {"${HOME}", "$HOME"}) {
        if (!value.starts_with(variable)) continue;
        std::string_view rest = value.substr(variable.size());
        if (!rest.empty() && rest.front() != '/') return std::nullopt;  // $HOMEWORK is another variable
        return path::standardized(std::string(home) + std::string(rest));
    }
    if (value.empty() || value.front() != '/') return std::nullopt;
    return path::standardized(value);
}

}  // namespace

XdgDirectories XdgDirectories::under(std::string_view home) {
    return {path::standardized(path::appending(home, ".local/share")), path::standardized(path::appending(home, ".config")),
            path::standardized(path::appending(home, ".cache"))};
}

XdgDirectories XdgDirectories::fromEnvironment(std::string_view home) {
    return {fromVariable("XDG_DATA_HOME", home, ".local/share"), fromVariable("XDG_CONFIG_HOME", home, ".config"),
            fromVariable("XDG_CACHE_HOME", home, ".cache")};
}

std::string XdgDirectories::userDirsFile() const { return path::appending(configHome, "user-dirs.dirs"); }

std::map<std::string, std::string> parseUserDirs(std::string_view text, std::string_view home) {
    const std::string homePath = path::standardized(home);
    std::map<std::string, std::string> entries;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trimmedLeft(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        constexpr std::string_view prefix = "XDG_", suffix = "_DIR";
        size_t equals = line.find('=');
        if (!line.starts_with(prefix) || equals == std::string_view::npos) continue;
        std::string_view name = line.substr(0, equals);
        while (name.ends_with(' ') || name.ends_with('\t')) name.remove_suffix(1);
        if (!name.ends_with(suffix) || name.size() <= prefix.size() + suffix.size()) continue;
        std::string key(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));

        auto word = shellWord(trimmedLeft(line.substr(equals + 1)));
        auto folder = word ? expanded(*word, homePath) : std::nullopt;
        if (!folder) continue;
        if (*folder == homePath) {
            entries.erase(key);
        } else {
            entries[key] = *folder;
        }
    }
    return entries;
}

}  // namespace ordane::platform
