// The signed update index "current.sig", published beside "current.ver" under
// every update base. It lists every file a client may fetch under the base
// with its size and SHA-256, and the SHA-256 of every database version the
// files produce; the publisher's RSA key signs it. A client uses nothing
// from a server that this index, signed by the key built into it, does not
// vouch for, so any mirror may serve the tree without being trusted.
//
// The text, lines ended by LF:
//   karvex update index 1
//   serial <decimal, 32 bits>       grows with every publication (rollback check)
//   expires <decimal, seconds since 1970 UTC>   a client refuses it afterwards
//   key <SHA-256 of the signing key's SubjectPublicKeyInfo DER, hex>
//   file <path> <size> <SHA-256 hex>            for each file under the base
//   database <name> <version> <SHA-256 hex>     each database version published
//   signature <hex, big-endian>                 the last line
// Paths are relative to the base ("current.ver", "diff/1.0002-1.0003",
// "file/karvex.exe"). A database digest covers the file from offset 4 to its
// end: header word 0 is each client's own and no list carries it. The
// signature (PKCS#1 v1.5, SHA-256) covers every byte before the signature
// line. Lines of other keywords are ignored, so later publishers may add some.
// Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "client/update/crypto.h"

namespace karvex {

// The index's name under a base, and the most a client reads of it.
constexpr char kIndexFile[] = "current.sig";
constexpr std::size_t kIndexSizeLimit = 64 * 1024;
// What a database digest leaves out: header word 0.
constexpr std::size_t kDbDigestOffset = 4;

struct INDEX_FILE {
    std::string path;
    std::uint64_t size = 0;
    SHA256_DIGEST digest{};
};

struct INDEX_DATABASE {
    std::string name;     // url.db, adv.db, qua.db
    std::string version;  // "%ld.%04ld"
    SHA256_DIGEST digest{};
};

struct UPDATE_INDEX {
    std::uint32_t serial = 0;
    std::uint64_t expires = 0;
    SHA256_DIGEST keyId{};
    std::vector<INDEX_FILE> files;
    std::vector<INDEX_DATABASE> databases;
    // What the signature covers: the text before the signature line.
    std::size_t signedLength = 0;
    std::vector<std::uint8_t> signature;

    const INDEX_FILE* FindFile(const char* path) const;
    const INDEX_DATABASE* FindDatabase(const char* name, const char* version) const;
};

// Reads the index's text; checks its form only (no signature, no time). False
// on anything malformed: a missing or repeated serial, expiry or key line,
// a bad path, size or digest, a file or database named twice, text after the
// signature line.
bool ParseUpdateIndex(const char* text, std::size_t size, UPDATE_INDEX* index);

enum class IndexCheck {
    kAccepted,
    kMalformed,
    kOtherKey,      // signed with a key that is not the client's
    kBadSignature,
    kRolledBack,    // an older index than one already accepted
    kExpired,
};

// Reads the index and checks it against the client's key, the current time
// (seconds since 1970 UTC) and the highest serial accepted before.
IndexCheck CheckUpdateIndex(const char* text, std::size_t size, const RSA_KEY& key, std::uint64_t now,
                            std::uint32_t highestSerial, UPDATE_INDEX* index);

// The key's identifier as the index names it.
bool KeyId(const RSA_KEY& key, SHA256_DIGEST* id);

// Whether `path` may name a file under a base: 1 to 200 of a-z, 0-9, '.',
// '_', '-' and '/', no empty, "." or ".." segment, no leading or trailing '/'.
bool IsIndexPath(const std::string& path);

// The index's text before the signature line, and the whole text with it.
std::string FormatIndexBody(const UPDATE_INDEX& index);
std::string FormatSignatureLine(const std::vector<std::uint8_t>& signature);

// The SHA-256 of the file at `path` from `offset` to its end, and the
// file's whole size.
bool Sha256OfFile(const char* path, std::uint64_t offset, SHA256_DIGEST* digest, std::uint64_t* size);

std::string DigestHex(const SHA256_DIGEST& digest);
bool ParseDigestHex(const char* text, std::size_t length, SHA256_DIGEST* digest);

}  // namespace karvex
