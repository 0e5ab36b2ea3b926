// A whole database update by difference on any installed file and any
// difference: the installed file is read record by record, the difference
// applied, the file rewritten. It ends as the new database, whole, or exactly
// as it was. The first four bytes of the input tell where the installed file
// ends and the difference begins.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "client/update/signature_db.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    if (size < 4)
        return 0;
    std::uint32_t split = 0;
    std::memcpy(&split, data, 4);
    data += 4;
    size -= 4;
    split = size == 0 ? 0 : split % (size + 1);
    fuzz::InputFile("url.db", data, split);
    std::string difference = fuzz::InputFile("difference", data + split, size - split);
    const std::string installed = fuzz::ScratchPath("url.db");
    const std::string before(reinterpret_cast<const char*>(data), split);

    RunningFlag running{1};
    CSignatureDb db;
    db.m_pszFile = "url.db";
    const int result = db.ApplyUpdate(fuzz::ScratchFolder().c_str(), difference.c_str(), true, "1.2", running);
    const std::string after = ReadAll(installed);
    if (result == 0) {
        // The header carries the new version; the records fill whole slots.
        if (after.size() < kDbHeaderSize || (after.size() - kDbHeaderSize) % kDbRecordSize != 0 ||
            db.m_nMajor != 1 || db.m_nMinor != 2 || after.compare(4, 8, std::string("\1\0\0\0\2\0\0\0", 8)) != 0)
            std::abort();
    } else if (after != before || db.m_pBuckets != nullptr) {
        std::abort();  // a failed update leaves the file and no records behind
    }
    if (fuzz::FileExists(fuzz::ScratchPath("url.db.new")))
        std::abort();
    std::remove(installed.c_str());
    std::remove(difference.c_str());
    return 0;
}
