#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "OrdaneCore/Scan/FileRecord.hpp"

// Homes of real generated documents for the recognition pipeline: PDFs with and without a text
// layer, Word and RTF documents, plain text, Markdown and screenshots, drawn with the document
// fixtures.
namespace ordane::testing {

// The owner of every generated home.
inline constexpr const char* recognitionHomeOwner = "Ann Lee";

// A small home with one of each case the pipeline must tell apart:
// - Documents/Recipes: six recipes the folder learner learns; Downloads/Banana Bread.txt reads like them;
// - Documents/Taxes: five tax forms (sensitive: their text is never cached);
// - Downloads/Checking Statement 2024-0{1,2,3}.pdf: a monthly series;
// - Desktop/Resume Ann Lee.docx and Resume Ann Lee v2.docx: two versions of one document;
// - Desktop/Screenshot 2024-03-07 at 10.15.22.png (a shop receipt) and a screenshot without text;
// - Downloads/Lease scan.pdf: a scanned contract without a text layer;
// - Downloads/damaged.pdf (unreadable), Downloads/short.txt (too small to read) and a software
//   project under Documents/Code whose notes are never read.
void writeRecognitionHome(const std::string& home);

// A generated home of `documents` documents (text PDFs, scanned PDFs, docx, rtf, txt, md) and
// `screenshots` screenshots, the same for the same arguments.
void writeLargeRecognitionHome(const std::string& home, size_t documents, size_t screenshots);

// The records of a scan of the home, through the scan engine as the application runs it.
std::vector<FileRecord> scanRecords(const std::string& home);

}  // namespace ordane::testing
