// Putting staged program files in place. The client does it at the end of an
// update pass; update.exe does it when the client handed a staged update over
// at start-up. Both follow the same rules.
#pragma once

namespace karvex {

// Moves every file listed in "<folder>\update\ready" from "<folder>\update"
// into <folder>. A live file that cannot simply be replaced (a running
// program) is moved aside into "<folder>\Temp" first, and moved back when the
// staged file then fails to go in: no program file is ever missing. Names
// that are not plain program file names are ignored. The marker keeps the
// names that could not be installed (their staged files stay) and is deleted
// only when all went in. True when nothing is left to install.
bool InstallPendingFiles(const char* folder);

}  // namespace karvex
