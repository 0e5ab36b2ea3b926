#include "client/app/command_line.h"

#include <cstring>

namespace karvex {

std::size_t CountTokens(const char* commandLine, const char* token)
{
    const std::size_t tokenLength = std::strlen(token);
    std::size_t count = 0;
    const char* p = commandLine;
    while (*p != '\0') {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ' ')
            ++p;
        const std::size_t length = std::size_t(p - start);
        if (length != 0 && length == tokenLength && std::memcmp(start, token, length) == 0)
            ++count;
    }
    return count;
}

}  // namespace karvex
