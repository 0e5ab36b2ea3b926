#include "client/update/statistics_id.h"

namespace karvex {

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char ToLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool StatisticsIdFromUuid(const char* uuidText, char* out)
{
    for (std::size_t i = 0; i < 36; ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? uuidText[i] != '-' : !IsHexDigit(uuidText[i]))
            return false;
    }
    if (uuidText[36] != '\0')
        return false;
    std::size_t n = 0;
    for (std::size_t i = 19; i < 36; ++i) {
        if (i != 23)
            out[n++] = ToLower(uuidText[i]);
    }
    out[n] = '\0';
    return true;
}

}  // namespace karvex
