// Two places where the tests must steer the installer: Wine answers every
// administrator check with yes, and a copy run ends faster than a test can
// press Cancel. Only the test build (setup_seams.exe, compiled with
// KARVEX_SETUP_SEAMS) reads them from its environment; in setup.exe they are
// the constants below and change nothing.
#pragma once

#include <windows.h>

namespace karvex {

#ifdef KARVEX_SETUP_SEAMS
// The group whose membership the administrator check tests
// (KARVEX_SEAM_ADMIN_RID, a built-in alias such as 546 for the guests).
DWORD AdministratorGroupRid();
// A pause before each file of the copy run (KARVEX_SEAM_COPY_DELAY_MS).
DWORD CopyDelayMs();
#else
constexpr DWORD AdministratorGroupRid() { return DOMAIN_ALIAS_RID_ADMINS; }
constexpr DWORD CopyDelayMs() { return 0; }
#endif

}  // namespace karvex
