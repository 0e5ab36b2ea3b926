// RSA keys as the publisher's tools write them (PEM: "PUBLIC KEY",
// "PRIVATE KEY", or their "RSA ..." forms) and as the system's cryptographic
// service imports them (PUBLICKEYBLOB, PRIVATEKEYBLOB). Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace karvex {

// Unsigned big-endian integers, without leading zero bytes.
using BigNumber = std::vector<std::uint8_t>;

struct RSA_KEY {
    BigNumber modulus;
    BigNumber publicExponent;
    // Empty in a public key.
    BigNumber privateExponent;
    BigNumber prime1;
    BigNumber prime2;
    BigNumber exponent1;
    BigNumber exponent2;
    BigNumber coefficient;

    bool IsPrivate() const { return !privateExponent.empty(); }
    // Size of the modulus in bits.
    std::size_t Bits() const;
};

// The DER bytes inside the first PEM block of `text` labelled `label` (e.g.
// "PUBLIC KEY"). False when there is no such block or its base64 is malformed.
bool DecodePem(const std::string& text, const char* label, std::vector<std::uint8_t>* der);

// A public key from PEM ("PUBLIC KEY", SubjectPublicKeyInfo, or "RSA PUBLIC KEY").
bool ParsePublicKeyPem(const std::string& text, RSA_KEY* key);
// A private key from PEM ("PRIVATE KEY", PKCS#8, or "RSA PRIVATE KEY").
bool ParsePrivateKeyPem(const std::string& text, RSA_KEY* key);

// The SubjectPublicKeyInfo DER of a key's public half: what a key's
// fingerprint (its SHA-256) is taken over.
std::vector<std::uint8_t> PublicKeyInfoDer(const RSA_KEY& key);
// The RSAPrivateKey DER of a private key.
std::vector<std::uint8_t> PrivateKeyDer(const RSA_KEY& key);

// The key in the layouts the system's cryptographic service imports
// (little-endian numbers after a BLOBHEADER and RSAPUBKEY). False when the
// key does not fit them (exponent wider than 32 bits, odd modulus size,
// private parts longer than the layout's fields).
bool ToPublicKeyBlob(const RSA_KEY& key, std::vector<std::uint8_t>* blob);
bool ToPrivateKeyBlob(const RSA_KEY& key, std::vector<std::uint8_t>* blob);

}  // namespace karvex
