// The publisher's key pair, made with OpenSSL's libcrypto: only the host
// build of karvex-publisher has it (the Windows build carries no OpenSSL).
#pragma once

#include <string>

namespace karvex::publisher {

constexpr int kDefaultKeyBits = 3072;

// Writes a new RSA key of `bits` bits: the private key as PKCS#8 PEM ("BEGIN
// PRIVATE KEY", mode 0600) to `privatePath`, its public half as
// SubjectPublicKeyInfo PEM ("BEGIN PUBLIC KEY") to `publicPath`. Neither may
// exist yet; on failure neither is left behind. Errors name the file at fault.
bool MakeKeyPair(const std::string& privatePath, const std::string& publicPath, int bits, std::string* error);

}  // namespace karvex::publisher
