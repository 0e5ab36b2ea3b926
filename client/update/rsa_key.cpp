#include "client/update/rsa_key.h"

#include <cstring>

namespace karvex {

namespace {

constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kBitString = 0x03;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kNull = 0x05;
constexpr std::uint8_t kObjectId = 0x06;
constexpr std::uint8_t kSequence = 0x30;

// 1.2.840.113549.1.1.1, rsaEncryption.
constexpr std::uint8_t kRsaEncryption[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01, 0x01};

// Reads DER elements one after another from a span of bytes.
class CDerReader {
public:
    CDerReader(const std::uint8_t* data, std::size_t size) : m_p(data), m_end(data + size) {}

    // The next element, which must carry `tag`; its contents in `inner`.
    bool Next(std::uint8_t tag, CDerReader* inner)
    {
        if (m_end - m_p < 2 || m_p[0] != tag)
            return false;
        std::size_t length = m_p[1];
        const std::uint8_t* p = m_p + 2;
        if (length & 0x80) {
            const std::size_t bytes = length & 0x7f;
            // Definite lengths only, in the fewest bytes, and far below any overflow.
            if (bytes == 0 || bytes > 3 || static_cast<std::size_t>(m_end - p) < bytes || p[0] == 0)
                return false;
            length = 0;
            for (std::size_t i = 0; i < bytes; ++i)
                length = length << 8 | p[i];
            if (length < 0x80)
                return false;
            p += bytes;
        }
        if (static_cast<std::size_t>(m_end - p) < length)
            return false;
        *inner = CDerReader(p, length);
        m_p = p + length;
        return true;
    }

    // A non-negative INTEGER, without its leading zero bytes.
    bool Integer(BigNumber* out)
    {
        CDerReader inner(nullptr, 0);
        if (!Next(kInteger, &inner) || inner.Empty() || (inner.m_p[0] & 0x80) != 0)
            return false;
        const std::uint8_t* p = inner.m_p;
        while (p < inner.m_end && *p == 0)
            ++p;
        out->assign(p, inner.m_end);
        return true;
    }

    bool SmallInteger(unsigned expected)
    {
        BigNumber value;
        return Integer(&value) && value.size() <= 1 && (value.empty() ? 0u : value[0]) == expected;
    }

    // SEQUENCE { OID rsaEncryption, NULL (optional) }.
    bool RsaAlgorithm()
    {
        CDerReader algorithm(nullptr, 0);
        CDerReader oid(nullptr, 0);
        CDerReader parameters(nullptr, 0);
        if (!Next(kSequence, &algorithm) || !algorithm.Next(kObjectId, &oid) ||
            oid.Size() != sizeof kRsaEncryption || std::memcmp(oid.m_p, kRsaEncryption, sizeof kRsaEncryption) != 0)
            return false;
        if (!algorithm.Empty() && (!algorithm.Next(kNull, &parameters) || !parameters.Empty()))
            return false;
        return algorithm.Empty();
    }

    bool Empty() const { return m_p == m_end; }
    std::size_t Size() const { return static_cast<std::size_t>(m_end - m_p); }
    const std::uint8_t* Data() const { return m_p; }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
};

bool ParseRsaPublicKey(CDerReader reader, RSA_KEY* key)
{
    CDerReader sequence(nullptr, 0);
    return reader.Next(kSequence, &sequence) && reader.Empty() && sequence.Integer(&key->modulus) &&
           sequence.Integer(&key->publicExponent) && sequence.Empty();
}

bool ParseRsaPrivateKey(CDerReader reader, RSA_KEY* key)
{
    CDerReader sequence(nullptr, 0);
    return reader.Next(kSequence, &sequence) && reader.Empty() && sequence.SmallInteger(0) &&
           sequence.Integer(&key->modulus) && sequence.Integer(&key->publicExponent) &&
           sequence.Integer(&key->privateExponent) && sequence.Integer(&key->prime1) &&
           sequence.Integer(&key->prime2) && sequence.Integer(&key->exponent1) &&
           sequence.Integer(&key->exponent2) && sequence.Integer(&key->coefficient) && sequence.Empty();
}

bool ParseSubjectPublicKeyInfo(CDerReader reader, RSA_KEY* key)
{
    CDerReader info(nullptr, 0);
    CDerReader bits(nullptr, 0);
    if (!reader.Next(kSequence, &info) || !reader.Empty() || !info.RsaAlgorithm() ||
        !info.Next(kBitString, &bits) || !info.Empty() || bits.Empty() || bits.Data()[0] != 0)
        return false;
    return ParseRsaPublicKey(CDerReader(bits.Data() + 1, bits.Size() - 1), key);
}

bool ParsePrivateKeyInfo(CDerReader reader, RSA_KEY* key)
{
    CDerReader info(nullptr, 0);
    CDerReader octets(nullptr, 0);
    // Attributes may follow the key; they are not needed.
    return reader.Next(kSequence, &info) && reader.Empty() && info.SmallInteger(0) && info.RsaAlgorithm() &&
           info.Next(kOctetString, &octets) && ParseRsaPrivateKey(octets, key);
}

bool UsableKey(const RSA_KEY& key)
{
    return !key.modulus.empty() && (key.modulus.back() & 1) != 0 && !key.publicExponent.empty();
}

using DerParser = bool (*)(CDerReader, RSA_KEY*);

// A key from the first PEM block of the bare RSA form (`rsaLabel`, read by
// `rsa`) or else of the general form (`infoLabel`, read by `info`).
bool ParseKeyPem(const std::string& text, const char* rsaLabel, DerParser rsa, const char* infoLabel, DerParser info,
                 RSA_KEY* key)
{
    std::vector<std::uint8_t> der;
    RSA_KEY parsed;
    bool ok = false;
    if (DecodePem(text, rsaLabel, &der))
        ok = rsa(CDerReader(der.data(), der.size()), &parsed);
    else if (DecodePem(text, infoLabel, &der))
        ok = info(CDerReader(der.data(), der.size()), &parsed);
    if (!ok || !UsableKey(parsed))
        return false;
    *key = parsed;
    return true;
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool DecodeBase64(const char* p, const char* end, std::vector<std::uint8_t>* out)
{
    out->clear();
    std::uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t')
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0 || padding != 0)
            return false;
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            out->push_back(static_cast<std::uint8_t>(bits >> 16));
            out->push_back(static_cast<std::uint8_t>(bits >> 8));
            out->push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2 || (padding != 0 && count + padding != 4))
        return false;
    if (count == 2)
        out->push_back(static_cast<std::uint8_t>(bits >> 4));
    if (count == 3) {
        out->push_back(static_cast<std::uint8_t>(bits >> 10));
        out->push_back(static_cast<std::uint8_t>(bits >> 2));
    }
    return !out->empty();
}

// DER writing, for the fingerprint of a public key.
void PutLength(std::vector<std::uint8_t>& out, std::size_t length)
{
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    std::uint8_t bytes[4];
    int count = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8)
        bytes[count++] = static_cast<std::uint8_t>(rest);
    out.push_back(static_cast<std::uint8_t>(0x80 | count));
    while (count > 0)
        out.push_back(bytes[--count]);
}

void PutElement(std::vector<std::uint8_t>& out, std::uint8_t tag, const std::vector<std::uint8_t>& contents)
{
    out.push_back(tag);
    PutLength(out, contents.size());
    out.insert(out.end(), contents.begin(), contents.end());
}

void PutInteger(std::vector<std::uint8_t>& out, const BigNumber& value)
{
    std::vector<std::uint8_t> contents;
    if (value.empty() || (value[0] & 0x80) != 0)
        contents.push_back(0);
    contents.insert(contents.end(), value.begin(), value.end());
    PutElement(out, kInteger, contents);
}

// `value` little-endian in exactly `size` bytes; false when it is longer.
bool PutLittleEndian(std::vector<std::uint8_t>& out, const BigNumber& value, std::size_t size)
{
    if (value.size() > size)
        return false;
    for (std::size_t i = value.size(); i-- > 0;)
        out.push_back(value[i]);
    out.insert(out.end(), size - value.size(), 0);
    return true;
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// BLOBHEADER and RSAPUBKEY: type, version 2, algorithm, magic, bits, exponent.
bool PutBlobHeader(std::vector<std::uint8_t>& out, const RSA_KEY& key, std::uint8_t type, const char* magic)
{
    const std::size_t bits = key.Bits();
    if (key.publicExponent.size() > 4 || bits == 0 || bits % 16 != 0)
        return false;
    std::uint32_t exponent = 0;
    for (std::uint8_t byte : key.publicExponent)
        exponent = exponent << 8 | byte;
    out.push_back(type);
    out.push_back(2);
    out.push_back(0);
    out.push_back(0);
    PutLe32(out, 0x00002400);  // CALG_RSA_SIGN: imported as the container's signature key
    out.insert(out.end(), magic, magic + 4);
    PutLe32(out, static_cast<std::uint32_t>(bits));
    PutLe32(out, exponent);
    return true;
}

}  // namespace

std::size_t RSA_KEY::Bits() const
{
    if (modulus.empty())
        return 0;
    std::size_t bits = modulus.size() * 8;
    for (std::uint8_t top = modulus[0]; (top & 0x80) == 0; top = static_cast<std::uint8_t>(top << 1))
        --bits;
    return bits;
}

bool DecodePem(const std::string& text, const char* label, std::vector<std::uint8_t>* der)
{
    const std::string begin = std::string("-----BEGIN ") + label + "-----";
    const std::string end = std::string("-----END ") + label + "-----";
    const std::size_t start = text.find(begin);
    if (start == std::string::npos)
        return false;
    const std::size_t body = start + begin.size();
    const std::size_t stop = text.find(end, body);
    return stop != std::string::npos && DecodeBase64(text.data() + body, text.data() + stop, der);
}

bool ParsePublicKeyPem(const std::string& text, RSA_KEY* key)
{
    return ParseKeyPem(text, "RSA PUBLIC KEY", ParseRsaPublicKey, "PUBLIC KEY", ParseSubjectPublicKeyInfo, key);
}

bool ParsePrivateKeyPem(const std::string& text, RSA_KEY* key)
{
    return ParseKeyPem(text, "RSA PRIVATE KEY", ParseRsaPrivateKey, "PRIVATE KEY", ParsePrivateKeyInfo, key) &&
           key->IsPrivate();
}

std::vector<std::uint8_t> PublicKeyInfoDer(const RSA_KEY& key)
{
    std::vector<std::uint8_t> numbers;
    PutInteger(numbers, key.modulus);
    PutInteger(numbers, key.publicExponent);
    std::vector<std::uint8_t> rsaKey;
    PutElement(rsaKey, kSequence, numbers);

    std::vector<std::uint8_t> algorithm;
    PutElement(algorithm, kObjectId, std::vector<std::uint8_t>(kRsaEncryption, kRsaEncryption + sizeof kRsaEncryption));
    PutElement(algorithm, kNull, {});
    std::vector<std::uint8_t> bits(1, 0);
    bits.insert(bits.end(), rsaKey.begin(), rsaKey.end());

    std::vector<std::uint8_t> info;
    PutElement(info, kSequence, algorithm);
    PutElement(info, kBitString, bits);
    std::vector<std::uint8_t> der;
    PutElement(der, kSequence, info);
    return der;
}

std::vector<std::uint8_t> PrivateKeyDer(const RSA_KEY& key)
{
    std::vector<std::uint8_t> numbers;
    PutInteger(numbers, BigNumber());  // version 0
    for (const BigNumber* part : {&key.modulus, &key.publicExponent, &key.privateExponent, &key.prime1,
                                  &key.prime2, &key.exponent1, &key.exponent2, &key.coefficient})
        PutInteger(numbers, *part);
    std::vector<std::uint8_t> der;
    PutElement(der, kSequence, numbers);
    return der;
}

bool ToPublicKeyBlob(const RSA_KEY& key, std::vector<std::uint8_t>* blob)
{
    std::vector<std::uint8_t> out;
    if (!PutBlobHeader(out, key, 0x06 /* PUBLICKEYBLOB */, "RSA1") ||
        !PutLittleEndian(out, key.modulus, key.Bits() / 8))
        return false;
    *blob = std::move(out);
    return true;
}

bool ToPrivateKeyBlob(const RSA_KEY& key, std::vector<std::uint8_t>* blob)
{
    const std::size_t bytes = key.Bits() / 8;
    const std::size_t half = bytes / 2;
    std::vector<std::uint8_t> out;
    if (!key.IsPrivate() || !PutBlobHeader(out, key, 0x07 /* PRIVATEKEYBLOB */, "RSA2") ||
        !PutLittleEndian(out, key.modulus, bytes) || !PutLittleEndian(out, key.prime1, half) ||
        !PutLittleEndian(out, key.prime2, half) || !PutLittleEndian(out, key.exponent1, half) ||
        !PutLittleEndian(out, key.exponent2, half) || !PutLittleEndian(out, key.coefficient, half) ||
        !PutLittleEndian(out, key.privateExponent, bytes))
        return false;
    *blob = std::move(out);
    return true;
}

}  // namespace karvex
