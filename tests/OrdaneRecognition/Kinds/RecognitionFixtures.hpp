#pragma once

#include <string>
#include <vector>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Model/DocKind.hpp"

namespace ordane::fixtures {

// One realistic document of a kind, with the fingerprint features the real text would show.
struct KindDocument {
    DocKind kind;
    const char* fileName;
    const char* text;
    void (*features)(Fingerprint&);  // may be null: one page, nothing else counted
};

const std::vector<KindDocument>& kindDocuments();

// The text of the document of `kind` above.
const char* textOf(DocKind kind);

}  // namespace ordane::fixtures
