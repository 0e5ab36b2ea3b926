#include "tests/host/file_step_seam.h"

#include <atomic>
#include <cstdlib>

#include "common/file_steps.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace karvex {

namespace {

std::atomic<std::size_t> g_taken{0};
std::atomic<std::size_t> g_killAt{0};

}  // namespace

void FileStep(const char*)
{
    const std::size_t step = ++g_taken;
    if (step == g_killAt.load()) {
#ifndef _WIN32
        _exit(86);  // no destructors, no flushing: as abrupt as a kill
#else
        std::abort();
#endif
    }
}

namespace test {

std::size_t FileStepsTaken()
{
    return g_taken.load();
}

void ResetFileSteps(std::size_t killAt)
{
    g_taken = 0;
    g_killAt = killAt;
}

}  // namespace test
}  // namespace karvex
