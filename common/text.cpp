#include "common/text.h"

#include <cstdio>
#include <cstring>

namespace karvex {

bool CopyText(char* dst, std::size_t size, const char* src)
{
    if (size == 0)
        return false;
    std::size_t n = 0;
    while (n + 1 < size && src[n] != '\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
    return src[n] == '\0';
}

bool FormatTextV(char* dst, std::size_t size, const char* format, std::va_list args)
{
    if (size == 0)
        return false;
    int n = std::vsnprintf(dst, size, format, args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(n) < size;
}

bool ParseDecimal(const char*& text, std::int32_t* value)
{
    const char* start = text;
    std::int64_t number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + (*text - '0');
        if (number > INT32_MAX)
            return false;
        ++text;
    }
    *value = static_cast<std::int32_t>(number);
    return text != start;
}

bool FormatText(char* dst, std::size_t size, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    bool fitted = FormatTextV(dst, size, format, args);
    va_end(args);
    return fitted;
}

}  // namespace karvex
