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
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "OrdanePlatform/Images/Leptonica.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

using Engine = tesseract::TessBaseAPI;

constexpr std::string_view englishModels = "eng";

// The models an engine loads for a language named by its ISO 639-1 code: English alone, or the
// language's own model first with English after it. Nothing for a language we have no model for.
std::optional<std::string> modelsFor(std::string_view language) {
    static constexpr std::pair<std::string_view, std::string_view> models[] = {
        {"fr", "fra"}, {"de", "deu"}, {"es", "spa"}, {"it", "ita"}, {"pt", "por"}, {"nl", "nld"},
        {"sv", "swe"}, {"no", "nor"}, {"da", "dan"}, {"tr", "tur"}, {"pl", "pol"}};
    if (language == "en") return std::string(englishModels);
    for (const auto& [code, model] : models) {
        if (code == language) return std::string(model) + "+eng";
    }
    return std::nullopt;
}

// Idle engines, kept for the life of the process: every English one, and the most recently given
// back of the others, twice as many as were ever busy at once (two for a reader process, which
// reads one file at a time), so that a home with pictures in many languages doesn't end up
// holding an engine per language per thread.
class EnginePool {
public:
    // An idle engine that has loaded `models`, or a new one; nothing when they can't be loaded.
    std::unique_ptr<Engine> take(const std::string& models) {
        {
            std::lock_guard lock(mutex_);
            if (unavailable_.count(models)) return nullptr;
            if (std::unique_ptr<Engine> engine = takeIdle(models)) {
                countBusy();
                return engine;
            }
        }
        const Deadline::Clock::time_point loadStart = Deadline::Clock::now();
        auto engine = std::make_unique<Engine>();
        // Progress and resolution notes go to the debug file, which is standard error by default.
        engine->SetVariable("debug_file", "/dev/null");
        if (engine->Init(nullptr, models.c_str()) != 0) {
            // A model that isn't installed stays missing: don't look for its file on every picture.
            std::lock_guard lock(mutex_);
            unavailable_.insert(models);
            return nullptr;
        }
        engine->SetVariable("debug_file", "/dev/null");
        std::lock_guard lock(mutex_);
        loadTimes_[models] = Deadline::Clock::now() - loadStart;
        countBusy();
        return engine;
    }

    // What taking an engine of `models` now would spend loading them: nothing when one is idle or
    // they are missing; else what they took last time or, never loaded yet, twice the English
    // model's time, as they are the language's model read with the English one.
    Deadline::Clock::duration loadTime(const std::string& models) {
        std::lock_guard lock(mutex_);
        if (unavailable_.count(models) || hasIdle(models)) return {};
        if (const auto known = loadTimes_.find(models); known != loadTimes_.end()) return known->second;
        const auto english = loadTimes_.find(std::string(englishModels));
        return english == loadTimes_.end() ? Deadline::Clock::duration{} : 2 * english->second;
    }

    void give(const std::string& models, std::unique_ptr<Engine> engine) {
        engine->Clear();
        std::unique_ptr<Engine> dropped;  // ended outside the lock
        std::lock_guard lock(mutex_);
        --busy_;
        if (models == englishModels) {
            english_.push_back(std::move(engine));
            return;
        }
        others_.emplace_back(models, std::move(engine));
        if (others_.size() > 2 * mostBusy_) {
            dropped = std::move(others_.front().second);
            others_.pop_front();
        }
    }

private:
    std::unique_ptr<Engine> takeIdle(const std::string& models) {
        std::unique_ptr<Engine> engine;
        if (models == englishModels) {
            if (english_.empty()) return nullptr;
            engine = std::move(english_.back());
            english_.pop_back();
            return engine;
        }
        for (auto idle = others_.rbegin(); idle != others_.rend(); ++idle) {
            if (idle->first != models) continue;
            engine = std::move(idle->second);
            others_.erase(std::next(idle).base());
            return engine;
        }
        return nullptr;
    }

    bool hasIdle(const std::string& models) const {
        if (models == englishModels) return !english_.empty();
        return std::any_of(others_.begin(), others_.end(), [&](const auto& idle) { return idle.first == models; });
    }

    void countBusy() { mostBusy_ = std::max(mostBusy_, ++busy_); }

    std::mutex mutex_;
    std::vector<std::unique_ptr<Engine>> english_;
    std::deque<std::pair<std::string, std::unique_ptr<Engine>>> others_;  // the longest idle first
    std::set<std::string> unavailable_;
    std::map<std::string, Deadline::Clock::duration> loadTimes_;  // of the last engine made, by models
    size_t busy_ = 0;
    size_t mostBusy_ = 0;
};

// Never destroyed: tesseract's own dictionary cache, which the engines share, may be gone by then.
EnginePool& enginePool() {
    static EnginePool* pool = new EnginePool;
    return *pool;
}

class BorrowedEngine {
public:
    explicit BorrowedEngine(std::string models) : models_(std::move(models)), engine_(enginePool().take(models_)) {}
    ~BorrowedEngine() {
        if (engine_) enginePool().give(models_, std::move(engine_));
    }
    BorrowedEngine(const BorrowedEngine&) = delete;
    BorrowedEngine& operator=(const BorrowedEngine&) = delete;
    Engine* get() const { return engine_.get(); }

private:
    std::string models_;
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

// A recognised word, its box in pixels of the picture the engine read.
struct Word {
    std::string text;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    double confidence = 0;
};
struct Row {
    std::vector<Word> words;
    double xHeight = 0;  // a small letter's height, in pixels
};

// The words of each text line the engine found, in reading order, with the line's x-height.
std::vector<Row> recognizedRows(tesseract::ResultIterator& iterator) {
    constexpr auto wordLevel = tesseract::RIL_WORD;
    std::vector<Row> rows;
    bool rowStarts = true;
    do {
        if (iterator.IsAtBeginningOf(tesseract::RIL_TEXTLINE)) rowStarts = true;
        if (iterator.Empty(wordLevel)) continue;
        std::unique_ptr<char[]> text(iterator.GetUTF8Text(wordLevel));
        Word word;
        word.text = trimmedLine(text.get());
        if (word.text.empty() || !iterator.BoundingBox(wordLevel, &word.left, &word.top, &word.right, &word.bottom)) {
            continue;
        }
        word.confidence = std::clamp(iterator.Confidence(wordLevel) / 100.0, 0.0, 1.0);
        if (rowStarts) {
            float height = 0, descenders = 0, ascenders = 0;
            iterator.RowAttributes(&height, &descenders, &ascenders);
            rows.push_back(Row{{}, height - ascenders + descenders});
        }
        rowStarts = false;
        rows.back().words.push_back(std::move(word));
    } while (iterator.Next(wordLevel));
    return rows;
}

bool hasLetterOrDigit(const Word& word) {
    const std::u32string characters = text::codePoints(word.text);
    return std::any_of(characters.begin(), characters.end(), text::isAlphanumeric);
}

// The engine joins words across wide gaps on one baseline: the items of a menu bar or toolbar,
// the columns of a table. Words further apart than two x-heights (about one em; a space between
// words is about a third of that) are separate lines. Marks read in such a gap (an "_" or "|"
// from a separator or an icon) neither bridge it nor stay at the ends of the pieces.
std::vector<Row> splitAtWideGaps(const Row& row) {
    std::vector<Row> pieces;
    const Word* previous = nullptr;
    std::vector<Word> marks;  // symbols since the previous word
    for (const Word& word : row.words) {
        if (!hasLetterOrDigit(word)) {
            if (previous) marks.push_back(word);
            continue;
        }
        const bool wideGap = previous && row.xHeight > 0 && word.left - previous->right > 2 * row.xHeight;
        if (!previous || wideGap) {
            pieces.push_back(Row{{}, row.xHeight});
        } else {
            pieces.back().words.insert(pieces.back().words.end(), marks.begin(), marks.end());
        }
        marks.clear();
        pieces.back().words.push_back(word);
        previous = &word;
    }
    return pieces;
}

RecognizedLine lineOf(const std::vector<Word>& words, double width, double height) {
    RecognizedLine line;
    int left = words.front().left, top = words.front().top, right = words.front().right,
        bottom = words.front().bottom;
    double confidence = 0;
    for (const Word& word : words) {
        if (!line.text.empty()) line.text += ' ';
        line.text += word.text;
        left = std::min(left, word.left);
        top = std::min(top, word.top);
        right = std::max(right, word.right);
        bottom = std::max(bottom, word.bottom);
        confidence += word.confidence;
    }
    line.x = left / width;
    line.y = top / height;
    line.width = (right - left) / width;
    line.height = (bottom - top) / height;
    line.confidence = confidence / static_cast<double>(words.size());
    return line;
}

struct WordShape {
    int characters = 0;
    int letters = 0;
    int digits = 0;
};

WordShape shapeOf(std::string_view word) {
    WordShape shape;
    for (char32_t c : text::codePoints(word)) {
        ++shape.characters;
        if (text::isLetter(c)) {
            ++shape.letters;
        } else if (text::isNumber(c)) {
            ++shape.digits;
        }
    }
    return shape;
}

// Letters and digits make up most of a word: not a lone symbol, stray letter or run of marks.
bool isWordShaped(const WordShape& shape) {
    const int alphanumerics = shape.letters + shape.digits;
    return alphanumerics >= 2 && alphanumerics * 2 >= shape.characters;
}

// A word that on its own shows its line is text. Photos of leaves, fur, sand or noise read as
// short letter groups ("re", "oe", "rey") with confidences up to about 0.87, two-digit numbers up to
// 0.92, and longer words below 0.7; real text on screens and pages reads at 0.9 and above.
bool vouchesForLine(const Word& word) {
    const WordShape shape = shapeOf(word.text);
    if (!isWordShaped(shape)) return false;
    const int alphanumerics = shape.letters + shape.digits;
    if (shape.letters == 0 && alphanumerics < 3) return false;
    return word.confidence >= (alphanumerics <= 3 ? 0.9 : 0.7);
}

// A line a person would call text: a word that vouches for it, or several word-shaped words read
// with fair confidence together (a size such as "21 KB").
bool looksLikeText(const std::vector<Word>& words) {
    if (std::any_of(words.begin(), words.end(), vouchesForLine)) return true;
    int shaped = 0;
    double confidence = 0;
    for (const Word& word : words) {
        if (!isWordShaped(shapeOf(word.text))) continue;
        ++shaped;
        confidence += word.confidence;
    }
    return shaped >= 2 && confidence >= 0.8 * shaped;
}

}  // namespace

std::optional<std::vector<RecognizedLine>> TextRecognizer::recognize(const RgbaImage& image, Layout layout,
                                                                    const Deadline& deadline,
                                                                    std::string_view language) {
    const std::optional<std::string> models = modelsFor(language);
    if (!models || image.empty() ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4 ||
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

    BorrowedEngine borrowed(*models);
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

    std::vector<RecognizedLine> lines;
    std::unique_ptr<tesseract::ResultIterator> iterator(engine->GetIterator());
    if (!iterator) return lines;
    const double width = pixGetWidth(picture.get());
    const double height = pixGetHeight(picture.get());
    for (const Row& row : recognizedRows(*iterator)) {
        // A page's rows stay whole: its columns (an item and its price) belong together.
        for (const Row& piece : layout == Layout::sparseText ? splitAtWideGaps(row) : std::vector<Row>{row}) {
            if (looksLikeText(piece.words)) lines.push_back(lineOf(piece.words, width, height));
        }
    }
    return lines;
}

Deadline::Clock::duration TextRecognizer::loadTime(std::string_view language) {
    const std::optional<std::string> models = modelsFor(language);
    return models ? enginePool().loadTime(*models) : Deadline::Clock::duration{};
}

void restartWithOneOpenMPThread(char** argv) {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::strcmp(limit, "1") == 0) return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
}

}  // namespace ordane::platform
