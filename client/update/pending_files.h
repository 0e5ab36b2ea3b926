// Staged program files: kept in "<folder>\update" and listed, one name a line
// ("<name> \n"), in the marker "<folder>\update\ready" until they are put in
// place. The client stages them during a pass and puts them in place at its
// end; update.exe does it when the client handed a staged update over at
// start-up. Both follow the same rules, under which every program file is
// whole at every instant: each file and the marker are written in the
// staging folder under a name ending in '~' (which no program file name has,
// and which the next start clears) and renamed into place in one step.
#pragma once

#include <string>
#include <vector>

namespace karvex {

// The names the marker lists, in order; names that are not plain program
// file names are left out.
std::vector<std::string> ReadStagedNames(const char* folder);

// Copies the complete file `source` to "<folder>\update\<name>" and adds the
// name to the marker. False, with no new name listed, when that fails.
bool StageFile(const char* folder, const char* source, const char* name);

// Copies the complete file `source` over `target` in one step: the copy is
// written as `copy` (on the target's drive) and renamed into its place. False
// when the target is the old file.
bool ReplaceWithCopy(const char* source, const char* copy, const char* target);

// Moves every listed file from "<folder>\update" into <folder>. A live file
// that cannot simply be replaced (a program that runs) is renamed aside
// into "<folder>\Temp", under a name no other install has used, and renamed
// back if the staged file then fails to go in. The program file this very
// process runs from is left staged: renamed aside and killed before the new
// one is in, nothing could start it again; update.exe puts it in place once
// the process has ended. The marker keeps the names left staged and goes
// when none is left. True when nothing is left to install.
bool InstallPendingFiles(const char* folder);

// At start-up, before anything else looks at the staged files: puts in place
// the staged files whose live file is missing (an install ended between
// renaming the live file aside and the staged one in).
void FinishInterruptedInstall(const char* folder);

}  // namespace karvex
