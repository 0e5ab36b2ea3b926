#include "client/app/settings.h"

#include "common/product.h"
#include "common/win/registry.h"

namespace karvex {

bool IsAutorunOn()
{
    return ReadDwordValue(HKEY_CURRENT_USER, kSettingsKey, "autorun", 1) == 1;
}

bool IsProtectionActive()
{
    return ReadDwordValue(HKEY_CURRENT_USER, kSettingsKey, "active", 1) == 1;
}

DWORD ReadPopCount()
{
    return ReadDwordValue(HKEY_CURRENT_USER, kSettingsKey, "PopCount", 1);
}

}  // namespace karvex
