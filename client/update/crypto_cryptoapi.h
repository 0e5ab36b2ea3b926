// The system cryptographic service's handles: the process's provider context
// (without a key container, shared by all), and one owner each of at most
// one imported key and one SHA-256 hash.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/win/handles.h"

namespace karvex {

struct CryptProviderTraits {
    using pointer = HCRYPTPROV;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer h) noexcept { ::CryptReleaseContext(h, 0); }
};
struct CryptKeyTraits {
    using pointer = HCRYPTKEY;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer h) noexcept { ::CryptDestroyKey(h); }
};
struct CryptHashTraits {
    using pointer = HCRYPTHASH;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer h) noexcept { ::CryptDestroyHash(h); }
};

class CCryptoContext {
public:
    bool Acquire();
    // A PUBLICKEYBLOB or PRIVATEKEYBLOB (rsa_key.h).
    bool ImportKey(const std::vector<std::uint8_t>& blob);
    // Adds to the SHA-256 hash, which is made on first use.
    bool HashData(const void* data, std::size_t size);

    HCRYPTKEY Key() const { return m_key.get(); }
    HCRYPTHASH Hash() const { return m_hash.get(); }

private:
    HCRYPTPROV m_provider = 0;
    UniqueHandle<CryptKeyTraits> m_key;
    UniqueHandle<CryptHashTraits> m_hash;
};

}  // namespace karvex
