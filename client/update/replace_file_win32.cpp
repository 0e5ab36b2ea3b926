#include "client/update/replace_file.h"

#include <io.h>
#include <windows.h>

namespace karvex {

bool FlushToDisk(std::FILE* file)
{
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ReplaceFileAtomically(const char* from, const char* to)
{
    // rename() refuses an existing target on Windows; this replaces it, and
    // returns only once the new directory entry is on the disk.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool SetFileLength(std::FILE* file, std::uint64_t length)
{
    // msvcrt's _chsize takes a long: databases stay far below 2 GB.
    return length <= 0x7FFFFFFF && std::fflush(file) == 0 && _chsize(_fileno(file), static_cast<long>(length)) == 0;
}

}  // namespace karvex
