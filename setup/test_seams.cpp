#include "setup/test_seams.h"

#include <cstdlib>

namespace karvex {

namespace {

DWORD NumberFromEnvironment(const char* name, DWORD fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return *end == '\0' ? static_cast<DWORD>(value) : fallback;
}

}  // namespace

DWORD AdministratorGroupRid()
{
    return NumberFromEnvironment("KARVEX_SEAM_ADMIN_RID", DOMAIN_ALIAS_RID_ADMINS);
}

DWORD CopyDelayMs()
{
    return NumberFromEnvironment("KARVEX_SEAM_COPY_DELAY_MS", 0);
}

}  // namespace karvex
