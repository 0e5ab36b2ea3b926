// Digests and signatures with OpenSSL's libcrypto, for the tools and tests
// that run on the build host.
#include "client/update/crypto.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace karvex {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using ContextPtr = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

KeyPtr PublicKey(const RSA_KEY& key)
{
    const std::vector<std::uint8_t> der = PublicKeyInfoDer(key);
    const unsigned char* p = der.data();
    return KeyPtr(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
}

KeyPtr PrivateKey(const RSA_KEY& key)
{
    const std::vector<std::uint8_t> der = PrivateKeyDer(key);
    const unsigned char* p = der.data();
    return KeyPtr(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
}

}  // namespace

struct CSha256::STATE {
    ContextPtr context{EVP_MD_CTX_new()};
    bool failed = false;
};

CSha256::CSha256() : m_state(new STATE)
{
    m_state->failed = !m_state->context || EVP_DigestInit_ex(m_state->context.get(), EVP_sha256(), nullptr) != 1;
}

CSha256::~CSha256() = default;

bool CSha256::Update(const void* data, std::size_t size)
{
    m_state->failed = m_state->failed || EVP_DigestUpdate(m_state->context.get(), data, size) != 1;
    return !m_state->failed;
}

bool CSha256::Final(SHA256_DIGEST* digest)
{
    unsigned int size = 0;
    if (m_state->failed || EVP_DigestFinal_ex(m_state->context.get(), digest->data(), &size) != 1 ||
        size != digest->size())
        m_state->failed = true;
    return !m_state->failed;
}

bool VerifyRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, const std::vector<std::uint8_t>& signature)
{
    KeyPtr publicKey = PublicKey(key);
    ContextPtr context(EVP_MD_CTX_new());
    // The default padding of an RSA key is PKCS#1 v1.5.
    return publicKey && context && signature.size() == (key.Bits() + 7) / 8 &&
           EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, publicKey.get()) == 1 &&
           EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                            static_cast<const unsigned char*>(data), size) == 1;
}

bool SignRsaSha256(const RSA_KEY& key, const void* data, std::size_t size, std::vector<std::uint8_t>* signature)
{
    KeyPtr privateKey = PrivateKey(key);
    ContextPtr context(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (!privateKey || !context ||
        EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, privateKey.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, static_cast<const unsigned char*>(data), size) != 1)
        return false;
    signature->resize(length);
    if (EVP_DigestSign(context.get(), signature->data(), &length, static_cast<const unsigned char*>(data), size) != 1)
        return false;
    signature->resize(length);
    return true;
}

}  // namespace karvex
