#include "common/win/folder.h"

#include <windows.h>

#include "common/text.h"
#include "common/win/handles.h"

namespace karvex {

bool DeleteFilesIn(const char* folder)
{
    char pattern[MAX_PATH];
    if (!FormatText(pattern, sizeof pattern, "%s\\*.*", folder))
        return false;
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA(pattern, &found));
    if (!find)
        return true;
    bool ok = true;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        char path[MAX_PATH];
        ok = FormatText(path, sizeof path, "%s\\%s", folder, found.cFileName) && ::DeleteFileA(path) && ok;
    } while (::FindNextFileA(find.get(), &found));
    return ok;
}

}  // namespace karvex
