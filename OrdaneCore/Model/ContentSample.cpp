#include "OrdaneCore/Model/ContentSample.hpp"

namespace ordane {

Json ContentSample::toJson() const {
    Json result = {
        {"text", json::stringValue(text)},
        {"source", json::enumValue(source)},
        {"lines", json::array(lines)},
        {"truncated", truncated},
    };
    json::setOptional(result, "pageCount", pageCount, [](int64_t count) { return Json(count); });
    return result;
}

ContentSample ContentSample::fromJson(const Json& value) {
    return ContentSample{
        json::string(json::field(value, "text")),
        json::enumeration<SampleSource>(json::field(value, "source")),
        json::array<TextLine>(json::field(value, "lines")),
        json::boolean(json::field(value, "truncated")),
        json::optional<int64_t>(value, "pageCount", [](const Json& j) { return json::int64(j); }),
    };
}

}  // namespace ordane
