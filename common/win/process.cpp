#include "common/win/process.h"

#include <cstring>
#include <vector>

namespace karvex {

UniqueKernelHandle StartProcess(const char* commandLine, const char* folder, WORD show)
{
    // CreateProcess may write into the command line it is given.
    std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (show != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return UniqueKernelHandle();
    UniqueKernelHandle thread(process.hThread);
    return UniqueKernelHandle(process.hProcess);
}

}  // namespace karvex
