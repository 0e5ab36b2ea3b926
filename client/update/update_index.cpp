#include "client/update/update_index.h"

#include <cstring>
#include <memory>

#include "client/update/signature_db.h"
#include "common/std_file.h"

namespace karvex {

namespace {

constexpr char kFirstLine[] = "karvex update index 1";
constexpr std::size_t kMaxPath = 200;
// Lists and program files are capped far below this (download_rules.h).
constexpr std::uint64_t kMaxFileSize = 1ull << 32;

struct FIELDS {
    const char* p[5];
    std::size_t n[5];
    std::size_t count = 0;
};

// Splits a line at single blanks into at most five fields; false on empty
// fields or more than five.
bool SplitFields(const char* line, std::size_t length, FIELDS* fields)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        if (i < length && line[i] != ' ')
            continue;
        if (i == start || fields->count == 5)
            return false;
        fields->p[fields->count] = line + start;
        fields->n[fields->count] = i - start;
        ++fields->count;
        start = i + 1;
    }
    return true;
}

bool Is(const FIELDS& fields, std::size_t i, const char* word)
{
    return fields.n[i] == std::strlen(word) && std::memcmp(fields.p[i], word, fields.n[i]) == 0;
}

std::string Field(const FIELDS& fields, std::size_t i)
{
    return std::string(fields.p[i], fields.n[i]);
}

// Decimal without sign or leading zeros, at most `limit`.
bool ParseNumber(const char* p, std::size_t n, std::uint64_t limit, std::uint64_t* value)
{
    if (n == 0 || n > 20 || (n > 1 && p[0] == '0'))
        return false;
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(p[i] - '0');
        if (result > (limit - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool ParseHexBytes(const char* p, std::size_t n, std::vector<std::uint8_t>* bytes)
{
    if (n == 0 || n % 2 != 0)
        return false;
    bytes->clear();
    for (std::size_t i = 0; i < n; i += 2) {
        const int high = HexValue(p[i]);
        const int low = HexValue(p[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return true;
}

bool IsDatabaseName(const std::string& name)
{
    return name == "url.db" || name == "adv.db" || name == "qua.db";
}

bool IsDatabaseVersion(const std::string& text)
{
    std::int32_t major = 0;
    std::int32_t minor = 0;
    char normal[24];
    if (!ParseDbVersion(text.c_str(), &major, &minor))
        return false;
    FormatDbVersion(normal, sizeof normal, major, minor);
    return text == normal;
}

void AppendHex(std::string& out, const std::uint8_t* bytes, std::size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
}

}  // namespace

const INDEX_FILE* UPDATE_INDEX::FindFile(const char* path) const
{
    for (const INDEX_FILE& file : files) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
}

const INDEX_DATABASE* UPDATE_INDEX::FindDatabase(const char* name, const char* version) const
{
    for (const INDEX_DATABASE& db : databases) {
        if (db.name == name && db.version == version)
            return &db;
    }
    return nullptr;
}

bool IsIndexPath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxPath)
        return false;
    std::size_t segment = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') {
            const char c = path[i];
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-'))
                return false;
            continue;
        }
        const std::string part = path.substr(segment, i - segment);
        if (part.empty() || part == "." || part == "..")
            return false;
        segment = i + 1;
    }
    return true;
}

bool Sha256OfFile(const char* path, std::uint64_t offset, SHA256_DIGEST* digest, std::uint64_t* size)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return false;
    CSha256 hash;
    constexpr std::size_t kPiece = 64 * 1024;
    std::unique_ptr<char[]> buffer(new char[kPiece]);
    std::uint64_t total = 0;
    bool hashed = true;
    for (;;) {
        const std::size_t got = std::fread(buffer.get(), 1, kPiece, file.get());
        if (got == 0)
            break;
        const std::size_t skip =
            total >= offset ? 0 : offset - total < got ? static_cast<std::size_t>(offset - total) : got;
        hashed = hashed && hash.Update(buffer.get() + skip, got - skip);
        total += got;
    }
    *size = total;
    return std::ferror(file.get()) == 0 && total >= offset && hashed && hash.Final(digest);
}

std::string DigestHex(const SHA256_DIGEST& digest)
{
    std::string text;
    AppendHex(text, digest.data(), digest.size());
    return text;
}

bool ParseDigestHex(const char* text, std::size_t length, SHA256_DIGEST* digest)
{
    std::vector<std::uint8_t> bytes;
    if (length != 2 * kSha256Size || !ParseHexBytes(text, length, &bytes))
        return false;
    std::memcpy(digest->data(), bytes.data(), kSha256Size);
    return true;
}

bool ParseUpdateIndex(const char* text, std::size_t size, UPDATE_INDEX* index)
{
    UPDATE_INDEX parsed;
    bool haveSerial = false;
    bool haveExpiry = false;
    bool haveKey = false;
    bool first = true;
    std::size_t pos = 0;
    while (pos < size) {
        const void* lf = std::memchr(text + pos, '\n', size - pos);
        if (lf == nullptr)
            return false;
        const char* line = text + pos;
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - line);
        const std::size_t next = pos + length + 1;
        if (std::memchr(line, '\0', length) != nullptr || std::memchr(line, '\r', length) != nullptr)
            return false;
        if (first) {
            if (length != std::strlen(kFirstLine) || std::memcmp(line, kFirstLine, length) != 0)
                return false;
            first = false;
            pos = next;
            continue;
        }
        FIELDS f;
        if (!SplitFields(line, length, &f))
            return false;
        std::uint64_t number = 0;
        if (Is(f, 0, "signature")) {
            // The last line; the text before it is what was signed.
            if (f.count != 2 || next != size || !ParseHexBytes(f.p[1], f.n[1], &parsed.signature))
                return false;
            parsed.signedLength = pos;
        } else if (Is(f, 0, "serial")) {
            if (haveSerial || f.count != 2 || !ParseNumber(f.p[1], f.n[1], 0xFFFFFFFFu, &number))
                return false;
            parsed.serial = static_cast<std::uint32_t>(number);
            haveSerial = true;
        } else if (Is(f, 0, "expires")) {
            if (haveExpiry || f.count != 2 || !ParseNumber(f.p[1], f.n[1], ~0ull, &parsed.expires))
                return false;
            haveExpiry = true;
        } else if (Is(f, 0, "key")) {
            if (haveKey || f.count != 2 || !ParseDigestHex(f.p[1], f.n[1], &parsed.keyId))
                return false;
            haveKey = true;
        } else if (Is(f, 0, "file")) {
            INDEX_FILE file;
            if (f.count != 4)
                return false;
            file.path = Field(f, 1);
            if (!IsIndexPath(file.path) || !ParseNumber(f.p[2], f.n[2], kMaxFileSize, &file.size) ||
                !ParseDigestHex(f.p[3], f.n[3], &file.digest) || parsed.FindFile(file.path.c_str()) != nullptr)
                return false;
            parsed.files.push_back(std::move(file));
        } else if (Is(f, 0, "database")) {
            INDEX_DATABASE db;
            if (f.count != 4)
                return false;
            db.name = Field(f, 1);
            db.version = Field(f, 2);
            if (!IsDatabaseName(db.name) || !IsDatabaseVersion(db.version) ||
                !ParseDigestHex(f.p[3], f.n[3], &db.digest) ||
                parsed.FindDatabase(db.name.c_str(), db.version.c_str()) != nullptr)
                return false;
            parsed.databases.push_back(std::move(db));
        }
        pos = next;
    }
    if (parsed.signature.empty() || !haveSerial || !haveExpiry || !haveKey)
        return false;
    *index = std::move(parsed);
    return true;
}

bool KeyId(const RSA_KEY& key, SHA256_DIGEST* id)
{
    const std::vector<std::uint8_t> der = PublicKeyInfoDer(key);
    return Sha256(der.data(), der.size(), id);
}

IndexCheck CheckUpdateIndex(const char* text, std::size_t size, const RSA_KEY& key, std::uint64_t now,
                            std::uint32_t highestSerial, UPDATE_INDEX* index)
{
    UPDATE_INDEX parsed;
    if (!ParseUpdateIndex(text, size, &parsed))
        return IndexCheck::kMalformed;
    SHA256_DIGEST ours;
    if (!KeyId(key, &ours) || ours != parsed.keyId)
        return IndexCheck::kOtherKey;
    if (!VerifyRsaSha256(key, text, parsed.signedLength, parsed.signature))
        return IndexCheck::kBadSignature;
    // Only what the key vouches for is looked at from here on.
    if (parsed.serial < highestSerial)
        return IndexCheck::kRolledBack;
    if (now > parsed.expires)
        return IndexCheck::kExpired;
    *index = std::move(parsed);
    return IndexCheck::kAccepted;
}

std::string FormatIndexBody(const UPDATE_INDEX& index)
{
    std::string text = std::string(kFirstLine) + "\n";
    text += "serial " + std::to_string(index.serial) + "\n";
    text += "expires " + std::to_string(index.expires) + "\n";
    text += "key " + DigestHex(index.keyId) + "\n";
    for (const INDEX_FILE& file : index.files)
        text += "file " + file.path + " " + std::to_string(file.size) + " " + DigestHex(file.digest) + "\n";
    for (const INDEX_DATABASE& db : index.databases)
        text += "database " + db.name + " " + db.version + " " + DigestHex(db.digest) + "\n";
    return text;
}

std::string FormatSignatureLine(const std::vector<std::uint8_t>& signature)
{
    std::string line = "signature ";
    AppendHex(line, signature.data(), signature.size());
    return line + "\n";
}

}  // namespace karvex
