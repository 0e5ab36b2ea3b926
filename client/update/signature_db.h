// One signature database file (url.db, adv.db, qua.db) in the install folder.
// Needs no Windows API: the client, the server tools and the host tests share it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvex {

// "%ld.%04ld" of major and minor: 1 and 5832 give "1.5832", 1 and 7 give "1.0007".
// The buffer must hold at least 24 bytes.
void FormatDbVersion(char* out, std::size_t size, std::int32_t major, std::int32_t minor);

class CSignatureDb {
public:
    CSignatureDb() = default;
    CSignatureDb(const CSignatureDb&) = delete;
    CSignatureDb& operator=(const CSignatureDb&) = delete;
    virtual ~CSignatureDb() = default;

    // Reads the first three header words of "<folder>/<m_pszFile>". Fails, leaving
    // the fields as they were, when the file cannot be opened or holds no record
    // (32 bytes or less).
    bool ReadHeader(const char* folder);

    // The version text "%ld.%04ld" of the header words.
    void VersionText(char* out, std::size_t size) const;
    bool IsVersion(const char* version) const;

    std::int32_t m_nId = 0;
    const char* m_pszFile = nullptr;
    std::uint32_t m_dwReserved = 0;
    std::int32_t m_nMajor = 0;
    std::int32_t m_nMinor = 0;
};

// Database file layout.
constexpr std::size_t kDbHeaderSize = 32;
constexpr std::size_t kDbRecordSize = 16;

// Joins a folder and a file name with the platform's separator.
bool JoinPath(char* out, std::size_t size, const char* folder, const char* name);

}  // namespace karvex
