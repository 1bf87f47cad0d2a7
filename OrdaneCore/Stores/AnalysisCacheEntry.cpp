#include <algorithm>

#include "OrdaneCore/Foundation/JsonWriter.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"

namespace ordane {

using Entry = AnalysisCache::Entry;
// Keys are matched as views: lengths first, so most names are passed over without a comparison.
using namespace std::string_view_literals;

namespace {

bool isSHA256Hex(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

void appendKey(std::string& out, const char* key) {
    out += ",\"";
    out += key;
    out += "\":";
}

void appendHash(std::string& out, const char* key, const std::optional<std::string>& hash) {
    if (!hash) return;
    if (!isSHA256Hex(*hash)) throw EncodingError("Not a SHA-256 digest in lower-case hexadecimal");
    appendKey(out, key);
    json::appendString(out, *hash);
}

void appendFingerprint(std::string& out, const Fingerprint& fingerprint) {
    const SparseVector& terms = fingerprint.termFrequency;
    if (!terms.isWellFormed()) throw EncodingError("Term vector out of order or out of range");
    out += "{\"termFrequency\":{\"indices\":[";
    for (size_t k = 0; k < terms.indices.size(); ++k) {
        if (k > 0) out += ',';
        json::appendInteger(out, static_cast<uint64_t>(terms.indices[k]));
    }
    out += "],\"values\":[";
    for (size_t k = 0; k < terms.values.size(); ++k) {
        if (k > 0) out += ',';
        json::appendFloat32(out, terms.values[k]);
    }
    out += "]},\"structural\":";
    json::appendCompact(out, fingerprint.structural.toJson());
    out += ",\"entities\":";
    json::appendCompact(out, fingerprint.entities.toJson());
    out += ",\"simHash\":";
    json::appendInteger(out, fingerprint.simHash);
    out += '}';
}

[[noreturn]] void missing(std::string_view key) { throw DecodingError("Missing key \"" + std::string(key) + "\""); }

template <class T>
T required(std::optional<T>&& value, std::string_view key) {
    if (!value) missing(key);
    return std::move(*value);
}

// Read into a vector kept by the thread, then copied at their exact size: one allocation per
// array instead of a doubling series, and no unused capacity held by the loaded cache.
SparseVector readSparseVector(JsonReader& reader) {
    thread_local std::vector<int64_t> wideIndices;
    thread_local std::vector<double> wideValues;
    std::optional<std::vector<uint16_t>> indices;
    std::optional<std::vector<float>> values;
    reader.forEachMember([&](std::string_view key) {
        if (key == "indices"sv) {
            reader.readInt64Array(wideIndices);
            indices.emplace(wideIndices.size());
            std::transform(wideIndices.begin(), wideIndices.end(), indices->begin(), [](int64_t index) {
                if (index < 0 || index >= SparseVector::dimension) throw DecodingError("Term bucket out of range");
                return static_cast<uint16_t>(index);
            });
        } else if (key == "values"sv) {
            reader.readDoubleArray(wideValues);
            values.emplace(wideValues.size());
            std::transform(wideValues.begin(), wideValues.end(), values->begin(), json::float32FromDouble);
        } else {
            reader.skipValue();
        }
    });
    SparseVector vector{required(std::move(indices), "indices"), required(std::move(values), "values")};
    if (!vector.isWellFormed()) throw DecodingError("Term vector with unequal counts or indices not ascending");
    return vector;
}

Fingerprint readFingerprint(JsonReader& reader) {
    std::optional<SparseVector> terms;
    std::optional<StructuralFeatures> structural;
    std::optional<EntitySignature> entities;
    std::optional<uint64_t> simHash;
    reader.forEachMember([&](std::string_view key) {
        if (key == "termFrequency"sv) {
            terms = readSparseVector(reader);
        } else if (key == "structural"sv) {
            structural = StructuralFeatures::read(reader);
        } else if (key == "entities"sv) {
            entities = EntitySignature::read(reader);
        } else if (key == "simHash"sv) {
            simHash = reader.readUInt64();
        } else {
            reader.skipValue();
        }
    });
    return Fingerprint{required(std::move(terms), "termFrequency"), required(std::move(structural), "structural"),
                       required(std::move(entities), "entities"), required(std::move(simHash), "simHash")};
}

std::string readHash(JsonReader& reader) {
    std::string hash = reader.readString();
    if (!isSHA256Hex(hash)) throw DecodingError("Not a SHA-256 digest in lower-case hexadecimal");
    return hash;
}

}  // namespace

void Entry::appendJson(std::string& out) const {
    out += "{\"size\":";
    json::appendInteger(out, size);
    appendKey(out, "mtime");
    json::appendNumber(out, mtime.secondsSinceReferenceDate);
    appendKey(out, "schemaVersion");
    json::appendInteger(out, schemaVersion);
    appendKey(out, "detectorVersion");
    json::appendInteger(out, detectorVersion);
    if (fingerprint) {
        appendKey(out, "fingerprint");
        appendFingerprint(out, *fingerprint);
    }
    if (sampleText) {
        appendKey(out, "sampleText");
        json::appendString(out, *sampleText);
    }
    if (sampleSource) {
        appendKey(out, "sampleSource");
        json::appendString(out, rawValue(*sampleSource));
    }
    if (insight) {
        appendKey(out, "insight");
        json::appendCompact(out, insight->toJson());
    }
    appendKey(out, "lastSeen");
    json::appendNumber(out, lastSeen.secondsSinceReferenceDate);
    appendHash(out, "partialSHA256", partialSHA256);
    appendHash(out, "fullSHA256", fullSHA256);
    out += '}';
}

Entry Entry::read(JsonReader& reader) {
    Entry entry;
    std::optional<int64_t> size, schemaVersion, detectorVersion;
    std::optional<double> mtime, lastSeen;
    reader.forEachMember([&](std::string_view key) {
        if (key == "size"sv) {
            size = reader.readInt64();
        } else if (key == "mtime"sv) {
            mtime = reader.readDouble();
        } else if (key == "schemaVersion"sv) {
            schemaVersion = reader.readInt64();
        } else if (key == "detectorVersion"sv) {
            detectorVersion = reader.readInt64();
        } else if (key == "lastSeen"sv) {
            lastSeen = reader.readDouble();
        } else if (key == "fingerprint"sv) {
            reader.readOptional(entry.fingerprint, readFingerprint);
        } else if (key == "sampleText"sv) {
            reader.readOptional(entry.sampleText, [](JsonReader& r) { return r.readString(); });
        } else if (key == "sampleSource"sv) {
            reader.readOptional(entry.sampleSource, [](JsonReader& r) {
                auto source = enumFromRaw<SampleSource>(r.readString());
                if (!source) throw DecodingError("Unknown sample source");
                return *source;
            });
        } else if (key == "insight"sv) {
            reader.readOptional(entry.insight, ContentInsight::read);
        } else if (key == "partialSHA256"sv) {
            reader.readOptional(entry.partialSHA256, readHash);
        } else if (key == "fullSHA256"sv) {
            reader.readOptional(entry.fullSHA256, readHash);
        } else {
            reader.skipValue();
        }
    });
    entry.size = required(std::move(size), "size");
    entry.mtime = Date{required(std::move(mtime), "mtime")};
    entry.schemaVersion = required(std::move(schemaVersion), "schemaVersion");
    entry.detectorVersion = required(std::move(detectorVersion), "detectorVersion");
    entry.lastSeen = Date{required(std::move(lastSeen), "lastSeen")};
    return entry;
}

Json Entry::toJson() const {
    std::string text;
    appendJson(text);
    return JsonReader(text).readValue();
}

Entry Entry::fromJson(const Json& value) {
    std::string text;
    try {
        json::appendCompact(text, value);
    } catch (const EncodingError& error) {
        throw DecodingError(error.what());
    }
    JsonReader reader(text);
    return read(reader);
}

}  // namespace ordane
