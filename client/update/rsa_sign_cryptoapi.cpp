// Signing with the system's cryptographic service, for the publisher's
// library where it runs on Windows (the Windows tests publish signed trees).
#include "client/update/crypto.h"

#include "client/update/crypto_cryptoapi.h"

namespace karvex {

bool SignRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, std::vector<std::uint8_t>* signature)
{
    std::vector<std::uint8_t> blob;
    CCryptoContext context;
    if (!ToPrivateKeyBlob(key, &blob) || !context.Acquire() || !context.ImportKey(blob) ||
        !context.HashData(data, size))
        return false;
    DWORD length = 0;
    if (!::CryptSignHashA(context.Hash(), AT_SIGNATURE, nullptr, 0, nullptr, &length))
        return false;
    std::vector<std::uint8_t> little(length);
    if (!::CryptSignHashA(context.Hash(), AT_SIGNATURE, nullptr, 0, little.data(), &length))
        return false;
    little.resize(length);
    signature->assign(little.rbegin(), little.rend());
    return true;
}

}  // namespace karvex
