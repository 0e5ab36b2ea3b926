// What the installer makes sure of before it shows the wizard: the user is an
// administrator, and an earlier installation is removed by its uninstaller.
#pragma once

#include <cstddef>

namespace karvex {

// Whether the user's token holds the Administrators group, enabled.
bool IsUserAdmin();

// Whether the earlier client is too old to be removed automatically: its
// settings key exists but holds no statistics id.
bool IsVersionTooOld();

// The folder of the registered component, from its InprocServer32 path;
// false when there is no such path or it names no folder.
bool GetOldInstallDir(char* folder, std::size_t size);

// Runs the checks in order, with a message box for every refusal; true when
// the wizard may be shown.
bool RunPreInstallChecks();

}  // namespace karvex
