#include "Ordane/App/ScanSettings.hpp"

#include <cmath>

#include "OrdaneCore/Stores/StoreFile.hpp"

namespace ordane {

namespace {

std::set<std::string> stringSet(const Json& value, std::string (*decode)(const Json&)) {
    std::vector<std::string> strings = json::array<std::string>(value, decode);
    return {strings.begin(), strings.end()};
}

Json stringArray(const std::set<std::string>& strings, Json (*encode)(std::string_view)) {
    Json array = Json::array();
    for (const std::string& text : strings) array.push_back(encode(text));
    return array;
}

ScanSettings decodeFile(std::string_view text) {
    if (text.size() > static_cast<size_t>(ScanSettings::maximumFileSize)) {
        throw DecodingError("The settings file is too large");
    }
    return ScanSettings::fromJson(json::parse(text));
}

}  // namespace

std::optional<double> ScanSettings::usableTextScale(std::optional<double> scale) {
    if (!scale || !std::isfinite(*scale) || *scale < minimumTextScale || *scale > maximumTextScale) return std::nullopt;
    return scale;
}

ScanSettings ScanSettings::fromJson(const Json& json) {
    json::requireObject(json, "settings");
    ScanSettings settings;
    settings.disabledFolders = stringSet(json::field(json, "disabledFolders"), json::string);
    // Mount points are paths, and a path need not be UTF-8.
    settings.enabledExternalVolumes = stringSet(json::field(json, "enabledExternalVolumes"), json::filePath);
    if (const Json* scale = json::optionalField(json, "textScale")) {
        if (!scale->is_number()) throw DecodingError("Expected a number for \"textScale\"");
        settings.textScale = usableTextScale(scale->get<double>());
    }
    settings.ownerName = json::optional<std::string>(json, "ownerName", [](const Json& name) { return json::string(name); });
    return settings;
}

Json ScanSettings::toJson() const {
    Json json = Json::object();
    json["disabledFolders"] = stringArray(disabledFolders, json::stringValue);
    json["enabledExternalVolumes"] = stringArray(enabledExternalVolumes, json::filePathValue);
    json::setOptional(json, "textScale", usableTextScale(textScale), json::numberValue);
    json::setOptional(json, "ownerName", ownerName, json::stringValue);
    return json;
}

ScanSettings ScanSettings::load(const URL& fileURL, std::shared_ptr<platform::FileSystem> fileSystem) {
    StoreFile file(fileURL, std::move(fileSystem), StoreFile::Unusable::setAside);
    return file.load(decodeFile).value_or(ScanSettings{});
}

bool ScanSettings::save(const URL& fileURL, std::shared_ptr<platform::FileSystem> fileSystem) const {
    std::string text;
    try {
        text = json::dumpPretty(toJson());
    } catch (const EncodingError&) {
        return false;
    }
    // Reading first tells the file whether what is there now must be set aside.
    StoreFile file(fileURL, std::move(fileSystem), StoreFile::Unusable::setAside);
    file.load(decodeFile);
    return file.write(text);
}

}  // namespace ordane
