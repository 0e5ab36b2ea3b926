// Marks each step that changes files on the way to an update: a download
// written, a file flushed, renamed or deleted. The programs link a FileStep
// that does nothing (file_steps.cpp); the kill-point test build links one
// that can end the process at any chosen step, to show that no interruption
// leaves a file that is neither the old one nor the new one.
#pragma once

namespace karvex {

// `what` names the step for the test build's log.
void FileStep(const char* what);

}  // namespace karvex
