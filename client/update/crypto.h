// SHA-256 digests and RSA signatures (PKCS#1 v1.5 over SHA-256), the two
// checks that update files are the publisher's. The programs use the
// system's cryptographic service (crypto_cryptoapi.cpp); the tools and tests
// on the build host use OpenSSL's (crypto_openssl.cpp). Same answers either way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/update/rsa_key.h"

namespace karvex {

constexpr std::size_t kSha256Size = 32;
using SHA256_DIGEST = std::array<std::uint8_t, kSha256Size>;

// A digest taken over bytes given in pieces.
class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    // False once anything has failed; the digest is then not to be used.
    bool Update(const void* data, std::size_t size);
    bool Final(SHA256_DIGEST* digest);

private:
    struct STATE;
    std::unique_ptr<STATE> m_state;
};

inline bool Sha256(const void* data, std::size_t size, SHA256_DIGEST* digest)
{
    CSha256 hash;
    return hash.Update(data, size) && hash.Final(digest);
}

// Whether `signature` (big-endian, as the publisher writes it) is `key`'s
// signature of `data`.
bool VerifyRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, const std::vector<std::uint8_t>& signature);

// `key`'s signature of `data`, big-endian. Only the publisher's side signs:
// on Windows it lives apart (rsa_sign_cryptoapi.cpp), in the publisher's
// library, so the programs carry no signing code.
bool SignRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, std::vector<std::uint8_t>* signature);

}  // namespace karvex
