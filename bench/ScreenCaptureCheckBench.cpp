// The screen-capture check that every scan runs on each picture whose name does not already say it
// is a screenshot, over a generated library of photos: camera JPEGs with Exif (a thumbnail
// included) and, for a third of them, XMP from a photo editor; PNG exports of about 2 MB with a
// Software text and their pixels in 8 KB chunks, as libpng writes them; a few PNG captures. The
// JPEGs' pixels are a hole in the file; the PNGs are a few distinct files linked under many names.
// The first pass fills the page cache; the passes after it are what a warm scan spends on the
// check.
//
//   ScreenCaptureCheckBench [--photos N]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t photosPerFolder = 500;
constexpr off_t cameraPhotoSize = 3'000'000;  // the pixels are a hole: the check never reads them
constexpr size_t distinctPngs = 20;

// The number of photos: 50,000 unless `--photos N` says otherwise.
size_t photoCount(int argc, char** argv) {
    if (argc == 1) return 50'000;
    if (argc == 3 && std::string(argv[1]) == "--photos") return std::stoul(argv[2]);
    throw std::runtime_error("usage: ScreenCaptureCheckBench [--photos N]");
}

// Every tenth photo is a PNG, every fiftieth PNG a capture.
bool isPng(size_t i) { return i % 10 == 9; }
bool isCapture(size_t i) { return i % 500 == 499; }

// A PNG of about 2 MB: header, the software's text, then 8 KB image data chunks.
std::string exportedPng(const std::string& software, uint64_t seed) {
    std::string png = blankPng(1600, 1200).substr(0, 33);
    png += pngChunk("tEXt", std::string("Software\0", 9) + software);
    std::string data(8192, '\0');
    for (int chunk = 0; chunk < 250; ++chunk) {
        for (char& c : data) c = static_cast<char>((seed = seed * 6364136223846793005u + 1442695040888963407u) >> 56);
        png += pngChunk("IDAT", data);
    }
    return png + pngChunk("IEND", "");
}

std::vector<std::string> writeLibrary(const std::string& root, size_t count) {
    const std::string scratch = root + "/template.jpg";
    writeScreenshotJpeg(scratch, Screenshot{320, 240, {}});
    const std::string jpegTemplate = readFile(scratch);
    fs::remove(scratch);
    fs::create_directories(root + "/originals");
    for (size_t k = 0; k < distinctPngs; ++k) {
        writeFile(root + "/originals/export" + std::to_string(k) + ".png", exportedPng("Image Editor 2.10", k));
    }
    writeFile(root + "/originals/capture.png", exportedPng("gnome-screenshot", distinctPngs));
    const std::string editorXmp = jpegSegment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                                                        xmpPacket({{"xmp:CreatorTool", "Photo Editor 4.2"},
                                                                   {"dc:creator", "<rdf:Seq><rdf:li>Sam</rdf:li></rdf:Seq>"}}));
    std::vector<std::string> paths;
    for (size_t i = 0; i < count; ++i) {
        const std::string folder = root + "/Pictures/" + std::to_string(2000 + i / photosPerFolder);
        if (i % photosPerFolder == 0) fs::create_directories(folder);
        char name[48];
        if (isPng(i)) {
            std::snprintf(name, sizeof name, "/export_%06zu.png", i);
            const std::string original = isCapture(i) ? "capture.png" : "export" + std::to_string(i % distinctPngs) + ".png";
            fs::create_hard_link(root + "/originals/" + original, folder + name);
        } else {
            std::snprintf(name, sizeof name, "/IMG_%06zu.jpg", i);
            ExifFields exif{"Camera firmware 1.02", "", "", 12'000, i % 2 == 0};
            std::string segments = jpegSegment(0xE1, std::string("Exif\0\0", 6) + exifBlock(exif));
            if (i % 3 == 0) segments += editorXmp;
            writeFile(folder + name, jpegTemplate.substr(0, 2) + segments + jpegTemplate.substr(2));
            if (::truncate((folder + name).c_str(), cameraPhotoSize) != 0) throw std::runtime_error("truncate");
        }
        paths.push_back(folder + name);
    }
    return paths;
}

std::vector<FileRecord> recordsOf(const std::vector<std::string>& paths) {
    std::vector<FileRecord> records;
    for (const std::string& path : paths) {
        struct stat values {};
        if (::stat(path.c_str(), &values) != 0) throw std::runtime_error("cannot stat " + path);
        FileRecord record;
        record.setURL(URL::fileURL(path));
        record.setSize(values.st_size);
        records.push_back(std::move(record));
    }
    return records;
}

// Seconds for one check of every record, and how many it took for captures.
std::pair<double, size_t> checkAll(const std::vector<FileRecord>& records) {
    const auto start = Clock::now();
    size_t captures = 0;
    for (const FileRecord& record : records) captures += RecognitionPipeline::isScreenshot(record);
    return {std::chrono::duration<double>(Clock::now() - start).count(), captures};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const size_t photos = photoCount(argc, argv);
        std::string base = (fs::temp_directory_path() / "ordane-capture-check-bench-XXXXXX").string();
        if (!::mkdtemp(base.data())) throw std::runtime_error("cannot create a temporary folder");
        std::printf("generating %zu photos in %s\n", photos, base.c_str());
        std::fflush(stdout);
        const std::vector<FileRecord> records = recordsOf(writeLibrary(base, photos));
        size_t expected = 0;
        for (size_t i = 0; i < photos; ++i) expected += isPng(i) && isCapture(i);

        std::vector<FileRecord> jpegs, pngs;
        for (const FileRecord& record : records) (record.ext() == "png" ? pngs : jpegs).push_back(record);
        std::vector<double> warm;
        for (int pass = 0; pass < 4; ++pass) {
            const auto [seconds, captures] = checkAll(records);
            std::printf("%s: %zu photos checked in %.3f s (%.1f us a photo), %zu captures (expected %zu)\n",
                        pass == 0 ? "first pass " : "warm pass  ", records.size(), seconds,
                        seconds * 1e6 / double(records.size()), captures, expected);
            if (pass > 0) warm.push_back(seconds);
        }
        for (const auto& [kind, subset] : {std::pair{"JPEG", &jpegs}, std::pair{"PNG", &pngs}}) {
            const double seconds = checkAll(*subset).first;
            std::printf("  of which %zu %s: %.3f s (%.1f us each)\n", subset->size(), kind, seconds,
                        seconds * 1e6 / double(std::max<size_t>(subset->size(), 1)));
        }
        std::sort(warm.begin(), warm.end());
        std::printf("warm scan, median of %zu: %.3f s for %zu photos (target for 50,000: under 5 s)\n", warm.size(),
                    warm[warm.size() / 2], records.size());
        fs::remove_all(base);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScreenCaptureCheckBench: %s\n", error.what());
        return 2;
    }
}
