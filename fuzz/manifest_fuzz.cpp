// The manifest reader on any download: every item it accepts is of a known
// kind with a well-formed version, and a program's name is a plain file name.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "client/update/file_version.h"
#include "client/update/manifest.h"
#include "client/update/signature_db.h"
#include "client/update/staging.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    std::string path = fuzz::InputFile("current.ver", data, size);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        std::abort();
    std::size_t lines = 0;
    const std::vector<UPDATE_ITEM> items = ReadManifest(file, &lines);
    std::fclose(file);
    if (items.size() > lines || (size == 0) != (lines == 0))
        std::abort();
    for (const UPDATE_ITEM& item : items) {
        if (std::strlen(item.szVersion) >= sizeof item.szVersion || std::strlen(item.szName) >= sizeof item.szName)
            std::abort();
        std::int32_t major = 0;
        std::int32_t minor = 0;
        FILE_VERSION version;
        switch (item.nKind) {
        case kItemUrlDb:
        case kItemAdvDb:
        case kItemQuaDb:
            if (!ParseDbVersion(item.szVersion, &major, &minor))
                std::abort();
            break;
        case kItemProgramFile:
        case kItemRelease:
            if (!ParseFileVersion(item.szVersion, &version) || !IsProgramFileName(item.szName) ||
                std::strpbrk(item.szName, "\\/:") != nullptr)
                std::abort();
            break;
        default:
            std::abort();
        }
    }
    std::remove(path.c_str());
    return 0;
}
