#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

// Where the text of a content sample came from.
enum class SampleSource {
    pdfText,    // the text layer of a PDF
    ocr,        // text recognised in an image or a scanned page
    plainText,  // a plain or rich text file
    metadata,   // indexed metadata only
};

template <>
struct EnumCases<SampleSource> {
    static constexpr std::array<std::pair<SampleSource, std::string_view>, 4> cases{{
        {SampleSource::pdfText, "pdfText"},
        {SampleSource::ocr, "ocr"},
        {SampleSource::plainText, "plainText"},
        {SampleSource::metadata, "metadata"},
    }};
};

}  // namespace ordane
