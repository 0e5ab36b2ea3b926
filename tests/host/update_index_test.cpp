// The signed update index and what stands behind it: the keys, SHA-256 and
// the signatures, the same on the host (OpenSSL) and on Windows (the system's
// cryptographic service, when these tests run under Wine).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/update/crypto.h"
#include "client/update/rsa_key.h"
#include "client/update/update_index.h"
#include "test_keys.h"

namespace karvex {
namespace {

using test::kOtherPrivateKeyPem;
using test::kOtherPublicKeyPem;
using test::kTestPrivateKeyPem;
using test::kTestPublicKeyPem;

RSA_KEY PublicKey(const char* pem = kTestPublicKeyPem)
{
    RSA_KEY key;
    EXPECT_TRUE(ParsePublicKeyPem(pem, &key));
    return key;
}

RSA_KEY PrivateKey(const char* pem = kTestPrivateKeyPem)
{
    RSA_KEY key;
    EXPECT_TRUE(ParsePrivateKeyPem(pem, &key));
    return key;
}

SHA256_DIGEST DigestOf(const std::string& text)
{
    SHA256_DIGEST digest{};
    EXPECT_TRUE(Sha256(text.data(), text.size(), &digest));
    return digest;
}

TEST(RsaKeyTest, KeysReadAsThePublisherWritesThem)
{
    const RSA_KEY publicKey = PublicKey();
    const RSA_KEY privateKey = PrivateKey();
    EXPECT_EQ(publicKey.Bits(), 2048u);
    EXPECT_FALSE(publicKey.IsPrivate());
    EXPECT_TRUE(privateKey.IsPrivate());
    EXPECT_EQ(privateKey.modulus, publicKey.modulus);
    EXPECT_EQ(privateKey.publicExponent, publicKey.publicExponent);

    // Written back, the public key is the DER of its PEM, byte for byte.
    std::vector<std::uint8_t> der;
    ASSERT_TRUE(DecodePem(kTestPublicKeyPem, "PUBLIC KEY", &der));
    EXPECT_EQ(PublicKeyInfoDer(publicKey), der);

    std::vector<std::uint8_t> blob;
    ASSERT_TRUE(ToPublicKeyBlob(publicKey, &blob));
    EXPECT_EQ(blob.size(), 20u + 256u);
    ASSERT_TRUE(ToPrivateKeyBlob(privateKey, &blob));
    EXPECT_EQ(blob.size(), 20u + 256u * 9 / 2);
    EXPECT_FALSE(ToPrivateKeyBlob(publicKey, &blob));
}

TEST(RsaKeyTest, MalformedKeysAreRefused)
{
    const std::string pem = kTestPublicKeyPem;
    const std::size_t body = pem.find('\n') + 1;
    std::string truncated = pem;
    truncated.erase(body + 40, 64);  // a whole number of base64 groups gone
    std::string badBase64 = pem;
    badBase64[body + 5] = '*';
    std::string flipped = pem;  // the OID's last digit: not rsaEncryption
    flipped[body + 22] = flipped[body + 22] == 'A' ? 'B' : 'A';
    const struct {
        const char* what;
        std::string text;
    } kCases[] = {
        {"no PEM block", "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA"},
        {"no end line", pem.substr(0, pem.find("-----END"))},
        {"cut short", truncated},
        {"bad base64", badBase64},
        {"other algorithm", flipped},
        {"a private key where a public one belongs", kTestPrivateKeyPem},
    };
    for (const auto& c : kCases) {
        RSA_KEY key;
        EXPECT_FALSE(ParsePublicKeyPem(c.text, &key)) << c.what;
    }
    RSA_KEY key;
    EXPECT_FALSE(ParsePrivateKeyPem(kTestPublicKeyPem, &key));
}

TEST(CryptoTest, DigestsAndSignaturesAgreeWithOpenSslsTools)
{
    // printf abc | sha256sum
    EXPECT_EQ(DigestHex(DigestOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    CSha256 pieces;
    SHA256_DIGEST digest{};
    ASSERT_TRUE(pieces.Update("a", 1) && pieces.Update("bc", 2) && pieces.Final(&digest));
    EXPECT_EQ(digest, DigestOf("abc"));

    // openssl dgst -sha256 -sign tests/keys/update-test.key <(printf 'karvex known answer\n')
    const std::string kSigned = "karvex known answer\n";
    const std::string kHex = "8eb87f2427d44897172ec35ba8774deab82b894a195b5f122fde2e9b3617f52e2a157818dbcc6b3d29abe55a9e1719351e40f28d18060f89cb36f5cf64ffba357c9c226c1d44fa6a7b59850f97b3160d3119ba458c505547ff15c07981ccd1eea6cc9d6101cfb1ac0bb63519394f7fae78d008281d4fc77234daf655a480c6f7f0cdd49543e098bf2bb5bc562ffc69882aabc75e9e1a1eba67250e90c282140d3da82a297ef2269701af59adb720cd031e557bd16408de30525f4bae7f7b1a44e8d509f13425539072cc895c66aa737066c5b4da3bb7620f2ae5b72035e451b8ea777813f02a49459f0e03755c4c5e55646ca12208798c5a1a507cfa81d60d1b";
    std::vector<std::uint8_t> signature;
    for (std::size_t i = 0; i < kHex.size(); i += 2)
        signature.push_back(static_cast<std::uint8_t>(std::stoi(kHex.substr(i, 2), nullptr, 16)));
    EXPECT_TRUE(VerifyRsaSha256(PublicKey(), kSigned.data(), kSigned.size(), signature));
    // PKCS#1 v1.5 signatures are deterministic: signing here gives the same bytes.
    std::vector<std::uint8_t> ours;
    ASSERT_TRUE(SignRsaSha256(PrivateKey(), kSigned.data(), kSigned.size(), &ours));
    EXPECT_EQ(ours, signature);

    EXPECT_FALSE(VerifyRsaSha256(PublicKey(), kSigned.data(), kSigned.size() - 1, signature));
    EXPECT_FALSE(VerifyRsaSha256(PublicKey(kOtherPublicKeyPem), kSigned.data(), kSigned.size(), signature));
    signature[100] ^= 1;
    EXPECT_FALSE(VerifyRsaSha256(PublicKey(), kSigned.data(), kSigned.size(), signature));
    signature.pop_back();
    EXPECT_FALSE(VerifyRsaSha256(PublicKey(), kSigned.data(), kSigned.size(), signature));
}

class UpdateIndexTest : public ::testing::Test {
protected:
    UpdateIndexTest()
    {
        m_index.serial = 1000;
        m_index.expires = 2000000000;
        m_index.files.push_back({"current.ver", 52, DigestOf("manifest")});
        m_index.files.push_back({"diff/1.0002-1.0003.qua", 700, DigestOf("difference")});
        m_index.files.push_back({"file/karvex.exe", 123456, DigestOf("program")});
        m_index.databases.push_back({"qua.db", "1.0003", DigestOf("database")});
    }

    // The index as the publisher writes it, signed by `privatePem`.
    std::string Signed(const std::string& body, const char* privatePem = kTestPrivateKeyPem) const
    {
        std::vector<std::uint8_t> signature;
        EXPECT_TRUE(SignRsaSha256(PrivateKey(privatePem), body.data(), body.size(), &signature));
        return body + FormatSignatureLine(signature);
    }
    std::string Body(const char* publicPem = kTestPublicKeyPem)
    {
        EXPECT_TRUE(KeyId(PublicKey(publicPem), &m_index.keyId));
        return FormatIndexBody(m_index);
    }
    IndexCheck Check(const std::string& text, std::uint64_t now = 1900000000, std::uint32_t highest = 1000)
    {
        return CheckUpdateIndex(text.data(), text.size(), PublicKey(), now, highest, &m_read);
    }

    UPDATE_INDEX m_index;
    UPDATE_INDEX m_read;
};

TEST_F(UpdateIndexTest, SignedIndexIsReadBack)
{
    const std::string text = Signed(Body());
    ASSERT_EQ(Check(text), IndexCheck::kAccepted);
    EXPECT_EQ(m_read.serial, 1000u);
    EXPECT_EQ(m_read.expires, 2000000000u);
    ASSERT_EQ(m_read.files.size(), 3u);
    const INDEX_FILE* file = m_read.FindFile("file/karvex.exe");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size, 123456u);
    EXPECT_EQ(file->digest, DigestOf("program"));
    EXPECT_EQ(m_read.FindFile("file/karvex"), nullptr);
    const INDEX_DATABASE* db = m_read.FindDatabase("qua.db", "1.0003");
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->digest, DigestOf("database"));
    EXPECT_EQ(m_read.FindDatabase("qua.db", "1.0002"), nullptr);
    EXPECT_EQ(m_read.signedLength, text.find("signature "));
    // A later publisher's keywords are signed like the rest and passed over.
    std::string body = Body();
    body.insert(body.find("file "), "mirror http://up4.karvex.example/ieupdate\n");
    EXPECT_EQ(Check(Signed(body)), IndexCheck::kAccepted);
}

TEST_F(UpdateIndexTest, WhatTheKeyDoesNotVouchForIsRefused)
{
    const std::string text = Signed(Body());
    std::string altered = text;
    altered[altered.find("123456")] = '2';  // a larger program file
    std::string appended = text + "file file/evil.exe 1 " + std::string(64, '0') + "\n";

    EXPECT_EQ(Check(altered), IndexCheck::kBadSignature);
    EXPECT_EQ(Check(appended), IndexCheck::kMalformed);  // nothing may follow the signature
    EXPECT_EQ(Check(Signed(Body(kOtherPublicKeyPem), kOtherPrivateKeyPem)), IndexCheck::kOtherKey);
    // Naming our key does not make another key's signature ours.
    EXPECT_EQ(Check(Signed(Body(), kOtherPrivateKeyPem)), IndexCheck::kBadSignature);
    EXPECT_EQ(Check(text, 1900000000, 1001), IndexCheck::kRolledBack);
    EXPECT_EQ(Check(text, 2000000000, 1000), IndexCheck::kAccepted);  // the last second still counts
    EXPECT_EQ(Check(text, 2000000001, 1000), IndexCheck::kExpired);
}

TEST_F(UpdateIndexTest, MalformedTextIsRefused)
{
    const std::string body = Body();
    const std::string digest(64, 'a');
    auto replaced = [&body](const std::string& from, const std::string& to) {
        std::string text = body;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        const char* what;
        std::string text;
    } kCases[] = {
        {"another first line", replaced("index 1", "index 2")},
        {"no serial", replaced("serial 1000\n", "")},
        {"two serials", replaced("serial 1000\n", "serial 1000\nserial 1001\n")},
        {"serial beyond 32 bits", replaced("serial 1000", "serial 4294967296")},
        {"leading zero", replaced("serial 1000", "serial 01000")},
        {"no expiry", replaced("expires 2000000000\n", "")},
        {"no key", replaced(body.substr(body.find("key "), 69), "")},
        {"CR LF line ends", replaced("serial 1000\n", "serial 1000\r\n")},
        {"a NUL byte", replaced("serial 1000", std::string("serial 10\0" "0", 11))},
        {"two blanks", replaced("file current.ver", "file  current.ver")},
        {"path with ..", replaced("diff/1.0002", "diff/../1.0002")},
        {"absolute path", replaced("file current.ver", "file /current.ver")},
        {"capital letters", replaced("file/karvex.exe", "file/Karvex.exe")},
        {"short digest", replaced(DigestHex(DigestOf("program")), digest.substr(1))},
        {"size missing", replaced(" 123456 ", " ")},
        {"file twice", body + "file current.ver 1 " + digest + "\n"},
        {"unknown database", body + "database ads.db 1.0003 " + digest + "\n"},
        {"database version not normal", body + "database url.db 1.3 " + digest + "\n"},
    };
    for (const auto& c : kCases) {
        const std::string text = Signed(c.text);
        EXPECT_EQ(Check(text), IndexCheck::kMalformed) << c.what;
    }
    EXPECT_EQ(Check(body), IndexCheck::kMalformed) << "unsigned";
    const std::string text = Signed(body);
    EXPECT_EQ(Check(text.substr(0, text.size() - 1)), IndexCheck::kMalformed) << "no last line end";
}

TEST(IndexPathTest, PathsNameFilesUnderTheBaseOnly)
{
    for (const char* good : {"current.ver", "1.0003", "diff/1.0002-1.0003.adv", "file/karvex_2-x.exe"})
        EXPECT_TRUE(IsIndexPath(good)) << good;
    for (const char* bad : {"", "/busy", "file/", "a//b", "./current.ver", "file/../x", "..", "x y", "a\\b",
                            "file/KARVEX.EXE", "d%41"})
        EXPECT_FALSE(IsIndexPath(bad)) << bad;
    EXPECT_TRUE(IsIndexPath(std::string(200, 'a')));
    EXPECT_FALSE(IsIndexPath(std::string(201, 'a')));
}

}  // namespace
}  // namespace karvex
