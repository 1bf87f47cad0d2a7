#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordane::platform {

// The bytes of tiny documents of each kind we read, made in code so that they are the same on
// every machine: a reader reads them at start to find out whether it can read at all.
namespace sampleDocuments {

// Plain text in a one-page PDF with a text layer (Helvetica, not embedded).
std::string pdfWithText(std::string_view text);
// A one-page PDF that holds only a picture of the lines (upper-case letters and spaces): a scan.
std::string scannedPdf(const std::vector<std::string>& lines);
// A PNG picture of the lines (upper-case letters and spaces), black on white.
std::string png(const std::vector<std::string>& lines);
// A Word document of one paragraph; `text` is XML-safe plain text.
std::string docx(std::string_view text);
// An RTF document of one paragraph; `text` is plain ASCII without braces or backslashes.
std::string rtf(std::string_view text);

}  // namespace sampleDocuments

}  // namespace ordane::platform
