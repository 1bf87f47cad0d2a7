#pragma once

#include <sys/stat.h>

#include <string>

#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane::testing {

// The record of a file written by a test, with its size on disk.
inline FileRecord recordOf(const std::string& path) {
    FileRecord record;
    record.setURL(URL::fileURL(path));
    struct stat values {};
    if (::stat(path.c_str(), &values) == 0) record.setSize(values.st_size);
    return record;
}

}  // namespace ordane::testing
