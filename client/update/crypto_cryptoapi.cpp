// Digests and signature checks with the system's cryptographic service. The
// RSA and AES provider type has SHA-256 from Windows XP SP3 on; a context
// without a key container (CRYPT_VERIFYCONTEXT) takes imported keys.
#include "client/update/crypto.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

#include "client/update/crypto_cryptoapi.h"

namespace karvex {

namespace {

// One provider context for the process: acquiring one costs tens of
// milliseconds (under Wine), and a pass takes several digests.
HCRYPTPROV SharedProvider()
{
    static const UniqueHandle<CryptProviderTraits> provider([] {
        HCRYPTPROV acquired = 0;
        return ::CryptAcquireContextA(&acquired, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ? acquired : 0;
    }());
    return provider.get();
}

}  // namespace

bool CCryptoContext::Acquire()
{
    m_provider = SharedProvider();
    return m_provider != 0;
}

bool CCryptoContext::ImportKey(const std::vector<std::uint8_t>& blob)
{
    HCRYPTKEY key = 0;
    if (m_provider == 0 || !::CryptImportKey(m_provider, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &key))
        return false;
    m_key.reset(key);
    return true;
}

bool CCryptoContext::HashData(const void* data, std::size_t size)
{
    if (!m_hash) {
        HCRYPTHASH hash = 0;
        if (m_provider == 0 || !::CryptCreateHash(m_provider, CALG_SHA_256, 0, 0, &hash))
            return false;
        m_hash.reset(hash);
    }
    const BYTE* p = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD piece = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!::CryptHashData(m_hash.get(), p, piece, 0))
            return false;
        p += piece;
        size -= piece;
    }
    return true;
}

struct CSha256::STATE {
    CCryptoContext context;
    bool failed = false;
};

CSha256::CSha256() : m_state(new STATE)
{
    m_state->failed = !m_state->context.Acquire() || !m_state->context.HashData(nullptr, 0);
}

CSha256::~CSha256() = default;

bool CSha256::Update(const void* data, std::size_t size)
{
    m_state->failed = m_state->failed || !m_state->context.HashData(data, size);
    return !m_state->failed;
}

bool CSha256::Final(SHA256_DIGEST* digest)
{
    DWORD size = static_cast<DWORD>(digest->size());
    if (m_state->failed || !::CryptGetHashParam(m_state->context.Hash(), HP_HASHVAL, digest->data(), &size, 0) ||
        size != digest->size())
        m_state->failed = true;
    return !m_state->failed;
}

bool VerifyRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, const std::vector<std::uint8_t>& signature)
{
    std::vector<std::uint8_t> blob;
    CCryptoContext context;
    if (signature.size() != (key.Bits() + 7) / 8 || !ToPublicKeyBlob(key, &blob) || !context.Acquire() ||
        !context.ImportKey(blob) || !context.HashData(data, size))
        return false;
    // The service counts signatures little-endian.
    std::vector<std::uint8_t> reversed(signature.rbegin(), signature.rend());
    return ::CryptVerifySignatureA(context.Hash(), reversed.data(), static_cast<DWORD>(reversed.size()), context.Key(),
                                   nullptr, 0) != FALSE;
}

}  // namespace karvex
