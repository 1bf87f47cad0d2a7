#include <gtest/gtest.h>

#include <filesystem>
#include <new>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "PipelineTestSupport.hpp"
#include "Support/RecognitionHome.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

// Running out of memory while reading says nothing about the file: the run fails and the file is
// not remembered as unreadable, so the next scan reads it again.
TEST(ReadingFailure, OutOfMemoryIsNotAVerdictOnTheFile) {
    TempDir dir;
    const std::string path = dir / "home/Downloads/notes.txt";
    writeFile(path, std::string(2048, 'a'));
    AnalysisCache cache{URL::fileURL(dir / "support/analysis-cache.json")};
    ScriptedExtractor text{{"txt"}, "text:", SampleSource::plainText};
    text.onCall = [](const FileRecord&) { throw std::bad_alloc(); };
    ScriptedExtractor none{{}, "none:", SampleSource::ocr};
    RecognitionPipeline pipeline{OwnerIdentity("Ann Lee"), cache};
    pipeline.readers = {{&text}, {&none}, &none, platform::FileSystem::real()};

    const std::vector<FileRecord> records = scanRecords(dir / "home");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_THROW(pipeline.run(records, std::nullopt, {}), std::bad_alloc);
    EXPECT_EQ(text.calls(), 1);
    EXPECT_FALSE(cache.cachedEntry(records[0]));
}
