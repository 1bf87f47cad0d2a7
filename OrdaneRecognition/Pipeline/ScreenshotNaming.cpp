#include <cmath>
#include <ctime>
#include <limits>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Regex.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// yyyy-mm-dd of the date in the machine's time zone; nothing for a date no calendar can hold.
std::optional<std::string> localDayText(Date date) {
    const double seconds = std::floor(date.secondsSince1970());
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15) return std::nullopt;
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local)) return std::nullopt;
    const int year = local.tm_year + 1900;
    if (year < 0 || year > 9999) return std::nullopt;
    std::string yearText = std::to_string(year);
    yearText.insert(0, 4 - yearText.size(), '0');
    return yearText + "-" + twoDigits(local.tm_mon + 1) + "-" + twoDigits(local.tm_mday);
}

}  // namespace

std::string RecognitionPipeline::screenshotRename(const FileRecord& record, const std::string& description) {
    static const platform::text::Regex datePattern(R"((20\d{2}-\d{2}-\d{2}))");
    const std::string fileName = record.url.lastPathComponent();
    std::string dateText;
    if (auto match = datePattern.firstMatch(path::stem(fileName))) {
        dateText = match->text;
    } else if (record.created) {
        dateText = localDayText(*record.created).value_or("");
    }
    std::string name = "Screenshot - " + description;
    if (!dateText.empty()) name += " (" + dateText + ")";
    return name + "." + path::extension(fileName);
}

}  // namespace ordane
