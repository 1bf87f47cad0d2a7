#pragma once

#include <string>

namespace ordane::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    // A fresh folder inside `base` (for example a folder on another volume).
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Path of a name below the folder.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes a file (creating its folders) with the given contents.
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
void makeDirectories(const std::string& path);

}  // namespace ordane::testing
