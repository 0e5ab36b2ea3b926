#include "client/update/replace_file.h"

#include <unistd.h>

namespace karvex {

bool FlushToDisk(std::FILE* file)
{
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool ReplaceFileAtomically(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}

}  // namespace karvex
