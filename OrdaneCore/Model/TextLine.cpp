#include "OrdaneCore/Model/TextLine.hpp"

namespace ordane {

Json TextLine::toJson() const {
    return Json{
        {"string", json::stringValue(string)},
        {"x", json::numberValue(x)},
        {"y", json::numberValue(y)},
        {"width", json::numberValue(width)},
        {"height", json::numberValue(height)},
        {"confidence", json::numberValue(confidence)},
    };
}

TextLine TextLine::fromJson(const Json& value) {
    return TextLine{
        json::string(json::field(value, "string")),
        json::number(json::field(value, "x")),
        json::number(json::field(value, "y")),
        json::number(json::field(value, "width")),
        json::number(json::field(value, "height")),
        json::number(json::field(value, "confidence")),
    };
}

}  // namespace ordane
