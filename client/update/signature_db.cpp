#include "client/update/signature_db.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace karvex {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::uint32_t LoadLe32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

bool JoinPath(char* out, std::size_t size, const char* folder, const char* name)
{
    return FormatText(out, size, "%s%c%s", folder, kSeparator, name);
}

void FormatDbVersion(char* out, std::size_t size, std::int32_t major, std::int32_t minor)
{
    FormatText(out, size, "%ld.%04ld", static_cast<long>(major), static_cast<long>(minor));
}

bool CSignatureDb::ReadHeader(const char* folder)
{
    char path[260];
    if (m_pszFile == nullptr || !JoinPath(path, sizeof path, folder, m_pszFile))
        return false;
    // fopen shares the file for reading and writing, so a database that the
    // updater is rewriting can still be looked at.
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    bool ok = false;
    unsigned char header[12];
    if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) > static_cast<long>(kDbHeaderSize) &&
        std::fseek(file, 0, SEEK_SET) == 0 && std::fread(header, 1, sizeof header, file) == sizeof header) {
        m_dwReserved = LoadLe32(header);
        m_nMajor = static_cast<std::int32_t>(LoadLe32(header + 4));
        m_nMinor = static_cast<std::int32_t>(LoadLe32(header + 8));
        ok = true;
    }
    std::fclose(file);
    return ok;
}

void CSignatureDb::VersionText(char* out, std::size_t size) const
{
    FormatDbVersion(out, size, m_nMajor, m_nMinor);
}

bool CSignatureDb::IsVersion(const char* version) const
{
    char mine[24];
    VersionText(mine, sizeof mine);
    return std::strcmp(mine, version) == 0;
}

}  // namespace karvex
