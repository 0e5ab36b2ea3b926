// The host tests' FileStep: counts the file steps of the update code and,
// when asked, ends the process at one of them, as a kill would.
#pragma once

#include <cstddef>

namespace karvex::test {

// Steps counted since the last reset.
std::size_t FileStepsTaken();
// Counts from 0 again; with `killAt` > 0 the process ends (_exit) just
// before step number `killAt`.
void ResetFileSteps(std::size_t killAt = 0);

}  // namespace karvex::test
