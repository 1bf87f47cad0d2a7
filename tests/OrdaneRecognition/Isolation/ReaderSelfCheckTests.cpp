#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <memory>

#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"
#include "OrdaneRecognition/Isolation/ReaderService.hpp"

using namespace ordane;
using readerProtocol::Reply;
using readerProtocol::Request;

TEST(ReaderSelfCheck, EverySampleReadsInTheProgramAndTheFolderGoesWithItsValue) {
    std::string folder;
    {
        ReaderSelfCheck::Folder samples;
        folder = samples.path();
        std::set<std::string> kinds;
        const auto failure = ReaderSelfCheck::run(folder, [&](const Request& request) {
            kinds.insert(request.extractor);
            const Reply reply = ReaderService::answer(request);
            EXPECT_EQ(reply.status, Reply::Status::sample) << request.path;
            return reply;
        });
        EXPECT_EQ(failure, std::nullopt);
        EXPECT_EQ(kinds, (std::set<std::string>{"pdfText", "imageText", "scannedPDF", "plainText", "richText"}));
    }
    EXPECT_NE(::access(folder.c_str(), F_OK), 0) << "removed";
}

TEST(ReaderSelfCheck, AReaderThatCannotReadOneSampleFailsNamingIt) {
    ReaderSelfCheck::Folder samples;
    for (const ReaderSelfCheck::Sample& broken : ReaderSelfCheck::samples()) {
        // Nothing at all, then text other than the sample's (for the samples whose text is known).
        for (bool givesOtherText : {false, true}) {
            if (givesOtherText && broken.expected.empty()) continue;
            const auto failure = ReaderSelfCheck::run(samples.path(), [&](const Request& request) {
                if (!request.path.ends_with("/" + broken.fileName)) return ReaderService::answer(request);
                if (!givesOtherText) return Reply{Reply::Status::nothing, std::nullopt};
                ContentSample other;
                other.text = "Something else entirely";
                return Reply{Reply::Status::sample, other};
            });
            ASSERT_TRUE(failure) << broken.fileName;
            EXPECT_NE(failure->find(broken.fileName), std::string::npos) << *failure;
        }
    }
    EXPECT_TRUE(ReaderSelfCheck::run("/nonexistent", ReaderService::answer)) << "a missing folder is no pass";
}

// The program reads in itself with the same answers where no reader can start: that sets no limit
// on its own process, which would end it (a test program too) once its CPU time ran out.
TEST(ReaderService, AnsweringInTheProgramLeavesItsCpuLimitAlone) {
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_CPU, &before), 0);
    ReaderSelfCheck::Folder samples;
    const auto failure = ReaderSelfCheck::run(samples.path(), ReaderService::answer);
    EXPECT_EQ(failure, std::nullopt);
    rlimit after{};
    ASSERT_EQ(::getrlimit(RLIMIT_CPU, &after), 0);
    EXPECT_EQ(after.rlim_cur, before.rlim_cur);
    EXPECT_EQ(after.rlim_max, before.rlim_max);
}
