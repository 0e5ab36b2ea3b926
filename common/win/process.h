// Starting another program.
#pragma once

#include <windows.h>

#include "common/win/handles.h"

namespace karvex {

// Starts `commandLine` (the program, quoted, then its arguments) in `folder`,
// or in this program's current folder when null. `show` is how the program
// shows its first window; SW_SHOWDEFAULT leaves that to the program. Returns
// the process, empty when it could not be started.
UniqueKernelHandle StartProcess(const char* commandLine, const char* folder = nullptr, WORD show = SW_SHOWDEFAULT);

}  // namespace karvex
