// Keeps one desktop, and with it one shell window, for a whole test run.
//
// Wine starts the desktop process when the first program of a session needs
// it and ends it soon after the last one has gone, so every test program
// would otherwise start a new one, whose tray window appears at some moment
// during that program's start-up and races with the tests' own tray window.
// This program holds the desktop from set-up to tear-down; it writes READY_FILE
// once the shell's tray window exists and then waits to be ended.
#include <windows.h>

#include <cstdio>

#include "tests/wine/support/wait.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: desktop_holder READY_FILE\n");
        return 2;
    }
    ::GetDesktopWindow();
    if (!karvex::test::WaitUntil([] { return ::FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }, 60000)) {
        std::fprintf(stderr, "desktop_holder: the shell's tray window did not appear\n");
        return 1;
    }
    if (std::FILE* ready = std::fopen(argv[1], "w"))
        std::fclose(ready);
    ::Sleep(INFINITE);
    return 0;
}
