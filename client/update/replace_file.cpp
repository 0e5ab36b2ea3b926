#include "client/update/replace_file.h"

#include "common/std_file.h"
#include "common/text.h"

namespace karvex {

namespace {

// Copies the rest of `from` into `to`; the number of bytes in `copied`.
bool CopyBytes(std::FILE* from, std::FILE* to, std::uint64_t* copied)
{
    char buffer[64 * 1024];
    *copied = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, from);
        if (got > 0 && std::fwrite(buffer, 1, got, to) != got)
            return false;
        *copied += got;
        if (got < sizeof buffer)
            return std::ferror(from) == 0;
    }
}

bool CopyFileBytes(const char* from, const char* to)
{
    FilePtr source = OpenFile(from, "rb");
    FilePtr target = source ? OpenFile(to, "wb") : FilePtr();
    std::uint64_t copied = 0;
    const bool written = target && CopyBytes(source.get(), target.get(), &copied) && FlushToDisk(target.get());
    return target && std::fclose(target.release()) == 0 && written;
}

bool RewriteInPlace(const char* from, const char* to)
{
    FilePtr source = OpenFile(from, "rb");
    // "r+b" keeps the file (and whoever has it open) and writes over it.
    FilePtr target = source ? OpenFile(to, "r+b") : FilePtr();
    if (!target)
        return false;
    std::uint64_t length = 0;
    const bool written = CopyBytes(source.get(), target.get(), &length) && std::fflush(target.get()) == 0 &&
                         SetFileLength(target.get(), length) && FlushToDisk(target.get());
    return std::fclose(target.release()) == 0 && written;
}

}  // namespace

bool PutFileInPlace(const char* from, const char* to)
{
    return ReplaceFileAtomically(from, to) || RewriteWithRestore(from, to);
}

bool RewriteWithRestore(const char* from, const char* to)
{
    char old[1024];
    if (!FormatText(old, sizeof old, "%s.old", to))
        return false;
    if (!CopyFileBytes(to, old)) {
        std::remove(old);
        return false;
    }
    if (RewriteInPlace(from, to)) {
        std::remove(old);
        std::remove(from);
        return true;
    }
    if (RewriteInPlace(old, to))
        std::remove(old);
    return false;
}

}  // namespace karvex
