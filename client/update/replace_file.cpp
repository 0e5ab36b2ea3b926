#include "client/update/replace_file.h"

#include <cstring>

#include "client/update/signature_db.h"
#include "common/file_steps.h"
#include "common/std_file.h"
#include "common/text.h"

namespace karvex {

namespace {

// The version words: major at offset 4, minor at 8.
constexpr long kVersionOffset = 4;
constexpr std::size_t kVersionSize = 8;

bool Exists(const char* path)
{
    return FilePtr(std::fopen(path, "rb")) != nullptr;
}

// Copies `from` from `offset` on into `to` at the same offset; the number of
// bytes copied in `copied`.
bool CopyFrom(std::FILE* from, std::FILE* to, long offset, std::uint64_t* copied)
{
    char buffer[64 * 1024];
    *copied = 0;
    if (std::fseek(from, offset, SEEK_SET) != 0 || std::fseek(to, offset, SEEK_SET) != 0)
        return false;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, from);
        if (got > 0) {
            FileStep("database piece written");
            if (std::fwrite(buffer, 1, got, to) != got)
                return false;
        }
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
    const bool written = target && CopyFrom(source.get(), target.get(), 0, &copied) && FlushToDisk(target.get());
    return target && std::fclose(target.release()) == 0 && written;
}

// Steps 2 to 4 of the in-place rewrite: `to` takes the bytes of `from`,
// marked as cut short until its new header is on the disk.
bool RewriteInPlace(const char* from, const char* to)
{
    FilePtr source = OpenFile(from, "rb");
    // "r+b" keeps the file (and whoever has it open) and writes over it.
    FilePtr target = source ? OpenFile(to, "r+b") : FilePtr();
    unsigned char header[kDbHeaderSize];
    if (!target || std::fread(header, 1, sizeof header, source.get()) != sizeof header)
        return false;
    static const unsigned char kMark[kVersionSize] = {};
    FileStep("database marked");
    bool written = std::fseek(target.get(), kVersionOffset, SEEK_SET) == 0 &&
                   std::fwrite(kMark, 1, sizeof kMark, target.get()) == sizeof kMark && FlushToDisk(target.get());
    std::uint64_t body = 0;
    written = written && CopyFrom(source.get(), target.get(), kDbHeaderSize, &body) &&
              std::fflush(target.get()) == 0 && SetFileLength(target.get(), kDbHeaderSize + body) &&
              FlushToDisk(target.get());
    FileStep("database header written");
    written = written && std::fseek(target.get(), 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, target.get()) == sizeof header && FlushToDisk(target.get());
    return std::fclose(target.release()) == 0 && written;
}

bool OldCopyPath(const char* to, char (&old)[kPathSize + 8])
{
    return FormatText(old, sizeof old, "%s.old", to);
}

// Whether `path` is marked as cut short, or missing, or too short to be a database.
bool IsCutShort(const char* path)
{
    FilePtr file = OpenFile(path, "rb");
    unsigned char header[12];
    return !file || std::fread(header, 1, sizeof header, file.get()) != sizeof header || IsCutShortMark(header);
}

void Remove(const char* path, const char* step)
{
    if (Exists(path)) {
        FileStep(step);
        std::remove(path);
    }
}

}  // namespace

bool IsCutShortMark(const unsigned char* header)
{
    static const unsigned char kMark[kVersionSize] = {};
    return std::memcmp(header + kVersionOffset, kMark, kVersionSize) == 0;
}

bool CommitDatabaseFile(const char* from, const char* to)
{
    FileStep("database replaced");
    return ReplaceFileAtomically(from, to) || RewriteDatabaseInPlace(from, to);
}

bool RewriteDatabaseInPlace(const char* from, const char* to)
{
    char old[kPathSize + 8];
    if (!OldCopyPath(to, old))
        return false;
    FileStep("database copied aside");
    if (!CopyFileBytes(to, old)) {
        std::remove(old);
        return false;
    }
    if (RewriteInPlace(from, to)) {
        Remove(old, "database copy deleted");
        Remove(from, "new database deleted");
        return true;
    }
    // The new bytes did not all go in: the old ones go back the same way.
    if (RewriteInPlace(old, to))
        Remove(old, "database copy deleted");
    return false;
}

void RecoverDatabaseFile(const char* to)
{
    char old[kPathSize + 8];
    char fresh[kPathSize + 8];
    if (!OldCopyPath(to, old) || !FormatText(fresh, sizeof fresh, "%s.new", to))
        return;
    // The copy is whole: it was flushed before the live file was marked.
    if (Exists(old) && IsCutShort(to) && !IsCutShort(old)) {
        FileStep("database put back");
        const bool restored = Exists(to) ? RewriteInPlace(old, to) : ReplaceFileAtomically(old, to);
        if (!restored)
            return;  // the copy stays for the next attempt
    }
    Remove(old, "database copy deleted");
    Remove(fresh, "new database deleted");
}

}  // namespace karvex
