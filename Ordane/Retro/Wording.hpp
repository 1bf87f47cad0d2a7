#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

// How numbers, sizes and names read on screen.
namespace ordane::retro {

inline QString qtext(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// An integer with the locale's digit grouping ("12,345" in US English).
QString grouped(int64_t count);
// A count with its noun, singular only for exactly 1: "1 item", "12,345 items".
QString counted(int64_t count, const QString& noun);
// A byte count in file style, zero spelled out.
QString sizeText(int64_t bytes);

}  // namespace ordane::retro
