// The client identifier sent with the statistics ping. Needs no Windows API.
#pragma once

#include <cstddef>

namespace karvex {

constexpr std::size_t kStatisticsIdLength = 16;

// Takes the fourth and fifth groups of a UUID in its 36-character text form
// ("xxxxxxxx-xxxx-xxxx-GGGG-GGGGGGGGGGGG"), lower-cased: 16 characters.
// `out` holds at least 17 bytes. False, with `out` untouched, when `uuidText`
// is not of that form.
bool StatisticsIdFromUuid(const char* uuidText, char* out);

// Used when no UUID can be made.
constexpr const char kFallbackStatisticsId[] = "FFFFFFFFFFFFFFFF";

}  // namespace karvex
