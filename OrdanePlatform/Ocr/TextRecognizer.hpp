#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdanePlatform/Images/RgbaImage.hpp"
#include "OrdanePlatform/Ocr/RecognizedLine.hpp"

namespace ordane::platform {

// Text recognition with tesseract, in English or in one of the languages named below. Loading a
// model costs far more than recognising a page, so engines are made once and kept: each call
// borrows an idle engine of its language (or makes one when all are busy) and gives it back, so
// every thread recognising a language at a time has its own. Engines for languages other than
// English are made only when first asked for, and only so many of them are kept idle (twice as
// many as were ever busy at once), the ones given back longest ago going first. The process must
// run with OMP_THREAD_LIMIT=1 (see restartWithOneOpenMPThread), or each engine starts its own
// pool of threads on top of ours.
class TextRecognizer {
public:
    enum class Layout {
        sparseText,  // screenshots and photos: scattered lines, columns kept apart
        automatic,   // scanned pages: blocks, columns and paragraphs found by the engine
    };

    // The lines found, in the engine's order; an empty list when there is no text. Only lines a
    // person would call text are kept: the letter groups the engine reads into the grain of a
    // photo are dropped. In sparse text, words of one line that stand far apart (menu items,
    // table columns) are lines of their own. Nothing when the engine cannot be made, the picture
    // is empty or the deadline is reached: recognition is asked to stop at its next step.
    // Transparent pixels count as white; a picture under 1,000 pixels high is read at twice its
    // size.
    //
    // `language` is the ISO 639-1 code of the text's language. "en" reads with the English model
    // alone. French, German, Spanish, Italian, Portuguese, Dutch, Swedish, Norwegian, Danish,
    // Turkish and Polish ("fr", "de", "es", "it", "pt", "nl", "sv", "no", "da", "tr", "pl") read
    // with that language's model, helped by the English one for the words it reads poorly (names,
    // product words). Any other code, or a model that is not installed, gives nothing.
    static std::optional<std::vector<RecognizedLine>> recognize(const RgbaImage& image, Layout layout,
                                                               const Deadline& deadline,
                                                               std::string_view language = "en");

    // How long a recognition in `language` started now would first spend loading its models,
    // which can't be stopped part way: nothing when an engine of the language is idle or its
    // model is missing, else an estimate from the loads this process has timed.
    static Deadline::Clock::duration loadTime(std::string_view language);
};

// libgomp reads OMP_THREAD_LIMIT once, when the process starts. When it is not "1", sets it and
// executes the program again with the same arguments; returns only when it is already set (or the
// new start failed). Call first thing in main().
void restartWithOneOpenMPThread(char** argv);

}  // namespace ordane::platform
