// Settings values under the per-user key that are read on their own. The key
// is opened afresh for every access; a key or value that cannot be read gives
// the default.
#pragma once

#include <windows.h>

namespace karvex {

// "autorun" and "active" count as on only when they read exactly 1 (default on).
bool IsAutorunOn();
bool IsProtectionActive();

// "PopCount": the number of interception alerts, 1 when missing.
DWORD ReadPopCount();

}  // namespace karvex
