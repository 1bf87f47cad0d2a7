#pragma once

namespace ordane {

// Whether the kind rules can be trusted on a document's language.
enum class LanguageClass {
    english,         // English, or no dominant language found
    otherSupported,  // French, German, Spanish, Italian, Portuguese, Dutch, Swedish, Norwegian,
                     // Danish, Turkish or Polish: recognised, but never confidently
    unsupported,     // any other language: not recognised at all
};

}  // namespace ordane
