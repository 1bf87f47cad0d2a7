#include "OrdanePlatform/Ocr/TextRecognizer.hpp"

#include <allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "OrdanePlatform/Images/Leptonica.hpp"

namespace ordane::platform {

namespace {

using Engine = tesseract::TessBaseAPI;

// Idle engines, kept for the life of the process.
class EnginePool {
public:
    std::unique_ptr<Engine> take() {
        {
            std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<Engine> engine = std::move(idle_.back());
                idle_.pop_back();
                return engine;
            }
        }
        auto engine = std::make_unique<Engine>();
        // Progress and resolution notes go to the debug file, which is standard error by default.
        engine->SetVariable("debug_file", "/dev/null");
        if (engine->Init(nullptr, "eng") != 0) return nullptr;
        engine->SetVariable("debug_file", "/dev/null");
        return engine;
    }

    void give(std::unique_ptr<Engine> engine) {
        engine->Clear();
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(engine));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Engine>> idle_;
};

// Never destroyed: tesseract's own dictionary cache, which the engines share, may be gone by then.
EnginePool& enginePool() {
    static EnginePool* pool = new EnginePool;
    return *pool;
}

class BorrowedEngine {
public:
    BorrowedEngine() : engine_(enginePool().take()) {}
    ~BorrowedEngine() {
        if (engine_) enginePool().give(std::move(engine_));
    }
    BorrowedEngine(const BorrowedEngine&) = delete;
    BorrowedEngine& operator=(const BorrowedEngine&) = delete;
    Engine* get() const { return engine_.get(); }

private:
    std::unique_ptr<Engine> engine_;
};

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPointer = std::unique_ptr<PIX, PixDeleter>;

// Grey levels with transparency laid on white, as the engine reads dark text on a light ground.
PixPointer greyOnWhite(const RgbaImage& image) {
    PixPointer grey(pixCreate(image.width, image.height, 8));
    if (!grey) return nullptr;
    l_uint32* data = pixGetData(grey.get());
    const l_int32 wordsPerLine = pixGetWpl(grey.get());
    const uint8_t* in = image.pixels.data();
    for (int row = 0; row < image.height; ++row) {
        l_uint32* line = data + static_cast<ptrdiff_t>(row) * wordsPerLine;
        for (int column = 0; column < image.width; ++column, in += 4) {
            const uint32_t alpha = in[3];
            const uint32_t luma = (in[0] * 299u + in[1] * 587u + in[2] * 114u) / 1000u;
            const uint32_t level = (luma * alpha + 255u * (255u - alpha) + 127u) / 255u;
            SET_DATA_BYTE(line, column, static_cast<l_int32>(level));
        }
    }
    return grey;
}

bool cancelWhenDue(void* deadline, int) { return static_cast<const Deadline*>(deadline)->reached(); }

std::string trimmedLine(const char* text) {
    std::string line(text ? text : "");
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    size_t start = 0;
    while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) ++start;
    return line.substr(start);
}

}  // namespace

std::optional<std::vector<RecognizedLine>> TextRecognizer::recognize(const RgbaImage& image, Layout layout,
                                                                    const Deadline& deadline) {
    if (image.empty() || image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4 ||
        deadline.reached()) {
        return std::nullopt;
    }
    silenceLeptonica();
    PixPointer picture = greyOnWhite(image);
    if (!picture) return std::nullopt;
    // Screen text is small; the model reads letters best at about twice a screen's size.
    constexpr int smallHeight = 1000;
    int resolution = 300;
    if (image.height < smallHeight) {
        picture.reset(pixScaleGray2xLI(picture.get()));
        if (!picture) return std::nullopt;
        resolution = 192;
    }
    if (deadline.reached()) return std::nullopt;

    BorrowedEngine borrowed;
    Engine* engine = borrowed.get();
    if (!engine) return std::nullopt;
    engine->SetPageSegMode(layout == Layout::sparseText ? tesseract::PSM_SPARSE_TEXT : tesseract::PSM_AUTO);
    engine->SetImage(picture.get());
    engine->SetSourceResolution(resolution);

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &cancelWhenDue;
    monitor.cancel_this = const_cast<Deadline*>(&deadline);
    const int failed = engine->Recognize(&monitor);
    if (failed != 0 || deadline.reached()) return std::nullopt;

    const double width = pixGetWidth(picture.get());
    const double height = pixGetHeight(picture.get());
    std::vector<RecognizedLine> lines;
    std::unique_ptr<tesseract::ResultIterator> iterator(engine->GetIterator());
    if (!iterator) return lines;
    constexpr auto level = tesseract::RIL_TEXTLINE;
    do {
        if (iterator->Empty(level)) continue;
        std::unique_ptr<char[]> text(iterator->GetUTF8Text(level));
        std::string string = trimmedLine(text.get());
        int left = 0, top = 0, right = 0, bottom = 0;
        if (string.empty() || !iterator->BoundingBox(level, &left, &top, &right, &bottom)) continue;
        RecognizedLine line;
        line.text = std::move(string);
        line.x = left / width;
        line.y = top / height;
        line.width = (right - left) / width;
        line.height = (bottom - top) / height;
        line.confidence = std::clamp(iterator->Confidence(level) / 100.0, 0.0, 1.0);
        lines.push_back(std::move(line));
    } while (iterator->Next(level));
    return lines;
}

void restartWithOneOpenMPThread(char** argv) {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::strcmp(limit, "1") == 0) return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
}

}  // namespace ordane::platform
