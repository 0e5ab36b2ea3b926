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

bool SetFileLength(std::FILE* file, std::uint64_t length)
{
    return std::fflush(file) == 0 && ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
}

}  // namespace karvex
