#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

using namespace ordane;

namespace {

FileRecord shot(const std::string& name, std::optional<double> created = std::nullopt) {
    FileRecord record;
    record.url = URL::fileURL("/home/ada/Pictures/" + name);
    if (created) record.created = Date::fromUnix(*created);
    return record;
}

// Runs with the machine's time zone set to `zone`.
struct ZoneScope {
    explicit ZoneScope(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

}  // namespace

TEST(ScreenshotRename, TheDateComesFromTheNameElseFromTheLocalCreationDay) {
    const double march7Late = 1709850600;  // 2024-03-07 22:30 UTC, already 8 March in Tokyo
    ZoneScope tokyo("Asia/Tokyo");
    const std::pair<FileRecord, std::string> cases[] = {
        {shot("Screenshot 2024-03-07 at 10.15.22.png", 1.6e9), "Screenshot - Invoice from Acme (2024-03-07).png"},
        {shot("capture.PNG", march7Late), "Screenshot - Invoice from Acme (2024-03-08).png"},
        {shot("Screen Shot.Jpeg"), "Screenshot - Invoice from Acme.jpeg"},
        {shot("Screenshot 1999-01-02.png"), "Screenshot - Invoice from Acme.png"},
        {shot("Shot 2031-12-30 2024-01-01.heic"), "Screenshot - Invoice from Acme (2031-12-30).heic"},
    };
    for (const auto& [record, expected] : cases) {
        EXPECT_EQ(RecognitionPipeline::screenshotRename(record, "Invoice from Acme"), expected)
            << record.url.path();
    }
}
