// Text extraction against the command-line tools on the same generated files, in one run:
//   PDF text of the first 3 pages of 200 PDFs      against `pdftotext -l 3`  (one at a time; target ratio <= 1.0)
//   text in 50 screenshots, on all cores           against `tesseract`       (target >= 1.5x faster; word agreement)
//   scanned PDFs, on all cores                     pages rendered and recognised per second
//
//   ExtractionBench            builds the files in a new temporary folder and removes it after
//   ExtractionBench folder     builds them in `folder` unless they are there already, and keeps them

#include <allheaders.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/PDFTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"
#include "Support/Command.hpp"
#include "Support/DocumentFixtures.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

constexpr int pdfCount = 200;
constexpr int screenshotCount = 50;
constexpr int scanCount = 16;

const std::vector<std::string> toolEnvironment{"PATH=/usr/bin:/bin", "LANG=C.UTF-8", "OMP_THREAD_LIMIT=1"};

template <class Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string numbered(const std::string& folder, const char* stem, int i, const char* ext) {
    return folder + "/" + stem + std::to_string(i) + "." + ext;
}

const char* const vocabulary[] = {"invoice", "account", "payment", "summary", "delivery", "customer", "balance",
                                  "statement", "reference", "quarterly", "schedule", "overview", "settings",
                                  "network", "storage", "calendar", "message", "receipt", "project", "budget"};

std::string phrase(int seed, int words) {
    std::string text;
    for (int w = 0; w < words; ++w) {
        if (w) text += ' ';
        text += vocabulary[(seed * 7 + w * 13) % 20];
    }
    return text;
}

Screenshot screenshot(int i) {
    Screenshot shot;
    shot.width = 1280;
    shot.height = 800;
    shot.lines.push_back({phrase(i, 3), 420, 40, 34, true});
    for (int line = 0; line < 12; ++line) {
        shot.lines.push_back({phrase(i + line, 4), 60, 140.0 + line * 50, 20});
        shot.lines.push_back({phrase(i * 3 + line, 3), 700, 140.0 + line * 50, 20});
    }
    return shot;
}

void buildFiles(const std::string& root) {
    std::filesystem::create_directories(root + "/pdf");
    std::filesystem::create_directories(root + "/shots");
    std::filesystem::create_directories(root + "/scans");
    for (int i = 0; i < pdfCount; ++i) {
        std::vector<PageLines> pages = numberedPages(1 + i % 10);
        for (PageLines& page : pages) {
            for (int line = 0; line < 30; ++line) page.push_back(phrase(i + line, 8) + " " + std::to_string(line));
        }
        writeTextPdf(numbered(root + "/pdf", "doc", i, "pdf"), pages);
    }
    for (int i = 0; i < screenshotCount; ++i) {
        writeScreenshotPng(numbered(root + "/shots", "shot", i, "png"), screenshot(i));
    }
    for (int i = 0; i < scanCount; ++i) {
        std::vector<PageLines> pages(2);
        for (int p = 0; p < 2; ++p) {
            for (int line = 0; line < 25; ++line) pages[p].push_back(phrase(i + p + line, 7));
        }
        writeScannedPdf(numbered(root + "/scans", "scan", i, "pdf"), pages);
    }
}

std::map<std::string, int> wordCounts(const std::string& text) {
    std::map<std::string, int> counts;
    std::istringstream words(text);
    for (std::string word; words >> word;) ++counts[word];
    return counts;
}

// Words both found, over the words either found.
void addAgreement(const std::string& ours, const std::string& theirs, long& shared, long& either) {
    auto a = wordCounts(ours);
    auto b = wordCounts(theirs);
    for (const auto& [word, count] : a) {
        const int other = b.count(word) ? b[word] : 0;
        shared += std::min(count, other);
        either += std::max(count, other);
    }
    for (const auto& [word, count] : b) {
        if (!a.count(word)) either += count;
    }
}

// The pixels the recogniser reads from a picture under 1,000 pixels high: grey, at twice the size.
std::string writeTwiceAsLarge(const std::string& path) {
    const std::string larger = path.substr(0, path.size() - 4) + "-2x.png";
    if (std::filesystem::exists(larger)) return larger;
    PIX* picture = pixRead(path.c_str());
    PIX* grey = picture ? pixConvertTo8(picture, 0) : nullptr;
    PIX* scaled = grey ? pixScaleGray2xLI(grey) : nullptr;
    const bool written = scaled && pixWrite(larger.c_str(), scaled, IFF_PNG) == 0;
    pixDestroy(&scaled);
    pixDestroy(&grey);
    pixDestroy(&picture);
    if (!written) throw std::runtime_error("could not write " + larger);
    return larger;
}

std::vector<std::string> runTesseract(const std::vector<std::string>& files, size_t cores) {
    return platform::BoundedParallel::run<std::string>(files.size(), cores, {}, [&](size_t i) {
        CommandResult result = runCommand({"tesseract", files[i], "stdout", "--psm", "11"}, toolEnvironment);
        return result.exitCode == 0 ? result.output : std::string();
    });
}

FileRecord recordOf(const std::string& path) {
    FileRecord record;
    record.setURL(URL::fileURL(path));
    record.setSize(static_cast<int64_t>(std::filesystem::file_size(path)));
    return record;
}

void benchPdfText(const std::string& root) {
    std::vector<std::string> files;
    for (int i = 0; i < pdfCount; ++i) files.push_back(numbered(root + "/pdf", "doc", i, "pdf"));
    size_t ourCharacters = 0;
    const double ours = secondsOf([&] {
        for (const std::string& file : files) {
            auto sample = PDFTextExtractor::extractText(URL::fileURL(file), 3, 20'000);
            if (!sample) throw std::runtime_error("no text from " + file);
            ourCharacters += sample->text.size();
        }
    });
    size_t theirCharacters = 0;
    const double theirs = secondsOf([&] {
        for (const std::string& file : files) {
            CommandResult result = runCommand({"pdftotext", "-l", "3", file, "-"}, toolEnvironment);
            if (result.exitCode != 0) throw std::runtime_error("pdftotext failed on " + file);
            theirCharacters += result.output.size();
        }
    });
    std::printf("PDF text, first 3 pages of %d PDFs, one at a time\n", pdfCount);
    std::printf("  Ordane:    %.3f s (%zu bytes of text)\n", ours, ourCharacters);
    std::printf("  pdftotext: %.3f s (%zu bytes of text)\n", theirs, theirCharacters);
    std::printf("  ratio Ordane/pdftotext: %.2f (target <= 1.0)\n\n", ours / theirs);
}

void benchScreenshots(const std::string& root, size_t cores) {
    std::vector<std::string> files;
    for (int i = 0; i < screenshotCount; ++i) files.push_back(numbered(root + "/shots", "shot", i, "png"));
    std::vector<std::string> ourTexts;
    const double ours = secondsOf([&] {
        ourTexts = platform::BoundedParallel::run<std::string>(files.size(), cores, {}, [&](size_t i) {
            auto sample = ImageOCRExtractor::recognizeText(recordOf(files[i]), ExtractionBudget());
            return sample ? sample->text : std::string();
        });
    });
    std::vector<std::string> larger;
    for (const std::string& file : files) larger.push_back(writeTwiceAsLarge(file));
    std::vector<std::string> theirTexts, theirLargerTexts;
    const double theirs = secondsOf([&] { theirTexts = runTesseract(files, cores); });
    const double theirsLarger = secondsOf([&] { theirLargerTexts = runTesseract(larger, cores); });

    std::printf("Text in %d screenshots of 1280 x 800, %zu at a time\n", screenshotCount, cores);
    std::printf("  Ordane:                                   %.3f s\n", ours);
    auto report = [&](const char* name, double seconds, const std::vector<std::string>& texts) {
        long shared = 0, either = 0, right = 0, all = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            addAgreement(ourTexts[i], texts[i], shared, either);
            std::string drawn;
            for (const PlacedText& line : screenshot(static_cast<int>(i)).lines) drawn += line.text + "\n";
            addAgreement(texts[i], drawn, right, all);
        }
        std::printf("  %-40s %.3f s: Ordane is %.2fx faster (target >= 1.5x)\n", name, seconds, seconds / ours);
        std::printf("    words agreeing with Ordane's %.1f%%, with the drawn text %.1f%%\n",
                    either ? 100.0 * shared / either : 0.0, all ? 100.0 * right / all : 0.0);
    };
    long right = 0, all = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string drawn;
        for (const PlacedText& line : screenshot(static_cast<int>(i)).lines) drawn += line.text + "\n";
        addAgreement(ourTexts[i], drawn, right, all);
    }
    std::printf("    words agreeing with the drawn text %.1f%%\n", all ? 100.0 * right / all : 0.0);
    report("tesseract --psm 11 on the same files:", theirs, theirTexts);
    report("tesseract --psm 11 on the 2x grey pixels:", theirsLarger, theirLargerTexts);
    std::printf("\n");
}

void benchScans(const std::string& root, size_t cores) {
    std::vector<std::string> files;
    for (int i = 0; i < scanCount; ++i) files.push_back(numbered(root + "/scans", "scan", i, "pdf"));
    int64_t pages = 0;
    const double rendering = secondsOf([&] {
        for (const std::string& file : files) {
            auto rendered = ScannedPDFOCRExtractor::renderPages(URL::fileURL(file));
            pages += rendered ? static_cast<int64_t>(rendered->images.size()) : 0;
        }
    });
    std::vector<char> read;
    const double whole = secondsOf([&] {
        read = platform::BoundedParallel::run<char>(files.size(), cores, {}, [&](size_t i) {
            return static_cast<char>(ScannedPDFOCRExtractor().extract(recordOf(files[i]), ExtractionBudget()).has_value());
        });
    });
    std::printf("Scanned PDFs: %d documents of 2 US Letter pages\n", scanCount);
    std::printf("  rendering at scale 2, one at a time: %.1f pages/s\n", pages / rendering);
    std::printf("  rendered and recognised, %zu at a time: %.2f pages/s (%ld of %d documents gave text)\n\n", cores,
                pages / whole, static_cast<long>(std::count(read.begin(), read.end(), 1)), scanCount);
}

}  // namespace

int main(int argc, char** argv) {
    platform::restartWithOneOpenMPThread(argv);
    const bool keep = argc > 1;
    std::string base;
    if (keep) {
        base = argv[1];
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "ordane-extractionbench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return 1;
        base = pattern;
    }
    const std::string root = base + "/files";
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    int status = 0;
    try {
        if (!std::filesystem::exists(root + "/scans")) {
            const double built = secondsOf([&] { buildFiles(root); });
            std::printf("files built in %.1f s at %s\n\n", built, root.c_str());
        }
        benchPdfText(root);
        benchScreenshots(root, cores);
        benchScans(root, cores);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ExtractionBench: %s\n", error.what());
        status = 1;
    }
    if (!keep) platform::FileSystem::real()->removeTree(base);
    return status;
}
