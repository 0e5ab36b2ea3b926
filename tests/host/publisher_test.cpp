#include "tools/publisher/publish.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "client/update/gunzip.h"
#include "test_keys.h"
#include "tests/host/sigdb_test_util.h"

namespace karvex {
namespace {

using publisher::DATABASE;
using test::DbFile;
using test::LayoutOrder;
using test::ReadBytes;
using test::WriteBytes;

// Records in the order they were inserted: random ones, long chains in a few
// buckets, and duplicates.
std::vector<SIGNATURE_RECORD> FirstRecords()
{
    std::vector<SIGNATURE_RECORD> records = test::RandomRecords(3000, 11);
    for (std::uint32_t i = 0; i < 300; ++i)
        records.push_back(test::MakeRecord(i % 3, i));
    for (std::size_t i = 0; i < 40; ++i)
        records.push_back(records[i * 70]);
    return records;
}

// The next version: some records gone, some new, some twice, and a part in a
// new order.
std::vector<SIGNATURE_RECORD> NextRecords(std::vector<SIGNATURE_RECORD> records, std::uint32_t seed)
{
    std::mt19937 random(seed);
    for (int i = 0; i < 60; ++i)
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(random() % records.size()));
    for (const SIGNATURE_RECORD& r : test::RandomRecords(50, seed))
        records.push_back(r);
    for (std::uint32_t i = 0; i < 20; ++i) {
        records.push_back(test::MakeRecord(i % 3, 1000 + seed + i));
        records.push_back(records[random() % records.size()]);
    }
    std::shuffle(records.begin() + 100, records.begin() + 400, random);
    return records;
}

DATABASE Database(std::int32_t minor, const std::vector<SIGNATURE_RECORD>& inserted)
{
    DATABASE db;
    db.nMajor = 1;
    db.nMinor = minor;
    db.records = LayoutOrder(inserted);
    return db;
}

std::string FileOf(const DATABASE& db)
{
    return DbFile(db.nMajor, db.nMinor, db.records, db.dwReserved);
}

// What an index vouches for in a database file: its bytes from offset 4 on.
SHA256_DIGEST DatabaseBytesDigest(const std::string& file)
{
    SHA256_DIGEST digest{};
    EXPECT_TRUE(Sha256(file.data() + kDbDigestOffset, file.size() - kDbDigestOffset, &digest));
    return digest;
}

RSA_KEY TestPublicKey()
{
    RSA_KEY key;
    EXPECT_TRUE(ParsePublicKeyPem(test::kTestPublicKeyPem, &key));
    return key;
}

// Whether a temporary index was left in a tree's top folder.
bool LeftTemporary(const std::string& root)
{
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.path().filename().string().find(".tmp") != std::string::npos)
            return true;
    }
    return false;
}

constexpr std::uint32_t kSerial = 77;
constexpr std::uint64_t kExpires = 2000000000;

class PublisherTest : public ::testing::Test {
protected:
    // What a client holding `installed` has after applying the served file `served`.
    std::string ClientAfter(const std::string* installed, const std::string& served, bool difference,
                            const char* version)
    {
        test::ScratchDir client;
        if (installed != nullptr)
            WriteBytes(client.Path("url.db"), *installed);
        CSignatureDb db;
        db.m_pszFile = "url.db";
        db.ReadHeader(client.Folder().c_str());
        std::string list = client.Path("list");
        RunningFlag running{1};
        EXPECT_TRUE(GunzipFile(served.c_str(), list.c_str())) << served;
        EXPECT_EQ(db.ApplyUpdate(client.Folder().c_str(), list.c_str(), difference, version, running), 0)
            << served;
        return ReadBytes(client.Path("url.db"));
    }

    // The tree's index, checked as a client holding the test key checks it.
    UPDATE_INDEX AcceptedIndex(const std::string& root, std::uint64_t now = kExpires - 1,
                               std::uint32_t highestSerial = kSerial)
    {
        const std::string text = ReadBytes(root + "/" + kIndexFile);
        UPDATE_INDEX index;
        EXPECT_EQ(CheckUpdateIndex(text.data(), text.size(), TestPublicKey(), now, highestSerial, &index),
                  IndexCheck::kAccepted)
            << text;
        return index;
    }

    // A small tree signed with the test key: one database version and a program file.
    std::string PublishSmallTree(const std::string& name)
    {
        publisher::PUBLISH_JOB job;
        job.outDir = dir.Path(name);
        job.databases[0].push_back(dir.Path(name + ".db"));
        WriteBytes(job.databases[0][0], FileOf(Database(1, test::RandomRecords(100, 5))));
        job.files.push_back({"karvex.exe", "1.3.1.0", dir.Path(name + ".exe")});
        WriteBytes(job.files[0].path, "MZ program");
        job.signingKeyPem = test::kTestPrivateKeyPem;
        job.serial = kSerial;
        job.expires = kExpires;
        std::string log, error;
        EXPECT_TRUE(publisher::Publish(job, &log, &error)) << error;
        return job.outDir;
    }

    test::ScratchDir dir;
};

TEST_F(PublisherTest, ServedListsRebuildEachDatabaseExactlyAndTheIndexHoldsItsDigest)
{
    std::vector<SIGNATURE_RECORD> inserted = FirstRecords();
    std::vector<DATABASE> versions = {Database(1, inserted)};
    versions.push_back(Database(2, inserted = NextRecords(inserted, 21)));
    versions.push_back(Database(3, inserted = NextRecords(inserted, 22)));
    std::vector<std::string> files;
    publisher::PUBLISH_JOB job;
    job.outDir = dir.Path("out");
    for (const DATABASE& db : versions) {
        files.push_back(FileOf(db));
        std::string path = dir.Path("v" + std::to_string(db.nMinor) + ".db");
        WriteBytes(path, files.back());
        job.databases[0].push_back(path);
    }
    job.databases[2].push_back(job.databases[0][1]);
    WriteBytes(dir.Path("karvex.exe"), "MZ program");
    job.files.push_back({"Karvex.EXE", "1.3.01.0", dir.Path("karvex.exe")});
    job.signingKeyPem = test::kTestPrivateKeyPem;
    job.serial = kSerial;
    job.expires = kExpires;
    std::string log, error;
    ASSERT_TRUE(publisher::Publish(job, &log, &error)) << error;

    std::set<std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(job.outDir))
        tree.insert(std::filesystem::relative(entry.path(), job.outDir).generic_string());
    EXPECT_EQ(tree, (std::set<std::string>{"current.ver", "current.sig", "1.0001", "1.0002", "1.0003", "1.0002.qua", "diff",
                                           "diff/1.0001-1.0002", "diff/1.0002-1.0003", "diff/1.0001-1.0003",
                                           "file", "file/karvex.exe"}));
    EXPECT_EQ(ReadBytes(dir.Path("out/current.ver")), "1.0003.mal\r\n1.0002.qua\r\n1.3.1.0#karvex.exe\r\n");
    EXPECT_EQ(ReadBytes(dir.Path("out/file/karvex.exe")), "MZ program");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"karvex.exe", "out", "v1.db", "v2.db", "v3.db"}));

    // Each served list, applied by the client's own code, gives the published
    // database byte for byte, and the index holds the digest of that result.
    const UPDATE_INDEX index = AcceptedIndex(job.outDir);
    const char* texts[] = {"1.0001", "1.0002", "1.0003"};
    const struct {
        const char* served;
        int from;  // the version installed before, -1 for none
        int to;
        const char* name;
    } kServed[] = {
        {"1.0001", -1, 0, "url.db"},
        {"1.0002", -1, 1, "url.db"},
        {"1.0003", -1, 2, "url.db"},
        {"diff/1.0001-1.0002", 0, 1, "url.db"},
        {"diff/1.0002-1.0003", 1, 2, "url.db"},
        {"diff/1.0001-1.0003", 0, 2, "url.db"},
        {"1.0002.qua", -1, 1, "qua.db"},
    };
    for (const auto& c : kServed) {
        const std::string rebuilt = ClientAfter(c.from < 0 ? nullptr : &files[c.from], dir.Path("out/") + c.served,
                                                c.from >= 0, texts[c.to]);
        EXPECT_TRUE(rebuilt == files[c.to]) << c.served;
        const INDEX_DATABASE* entry = index.FindDatabase(c.name, texts[c.to]);
        ASSERT_NE(entry, nullptr) << c.served;
        EXPECT_EQ(DigestHex(entry->digest), DigestHex(DatabaseBytesDigest(rebuilt))) << c.served;
    }
    EXPECT_EQ(index.databases.size(), 4u);

    // Header word 0 is each client's own: a client that keeps another one
    // still matches the digest.
    std::string own = files[0];
    own[0] = '\x5a';
    const std::string rebuilt = ClientAfter(&own, dir.Path("out/diff/1.0001-1.0003"), true, "1.0003");
    EXPECT_EQ(rebuilt[0], '\x5a');
    EXPECT_EQ(DigestHex(DatabaseBytesDigest(rebuilt)), DigestHex(index.FindDatabase("url.db", "1.0003")->digest));
}

TEST_F(PublisherTest, IndexListsEveryFileOfTheTreeWithItsSizeAndDigest)
{
    const std::string root = PublishSmallTree("out");
    const UPDATE_INDEX index = AcceptedIndex(root);
    EXPECT_EQ(index.serial, kSerial);
    EXPECT_EQ(index.expires, kExpires);

    using Entry = std::pair<std::uint64_t, std::string>;  // size, digest
    std::map<std::string, Entry> listed;
    for (const INDEX_FILE& file : index.files)
        listed[file.path] = {file.size, DigestHex(file.digest)};
    std::map<std::string, Entry> onDisk;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string path = std::filesystem::relative(entry.path(), root).generic_string();
        if (entry.is_directory() || path == kIndexFile)
            continue;
        const std::string bytes = ReadBytes(entry.path().string());
        SHA256_DIGEST digest{};
        ASSERT_TRUE(Sha256(bytes.data(), bytes.size(), &digest));
        onDisk[path] = {bytes.size(), DigestHex(digest)};
    }
    EXPECT_EQ(listed, onDisk);
    EXPECT_EQ(onDisk.size(), 3u);  // current.ver, the full list, the program file
}

TEST_F(PublisherTest, ResignRenewsSerialAndExpiryOfAnUnchangedTree)
{
    const std::string root = PublishSmallTree("out");
    const UPDATE_INDEX before = AcceptedIndex(root);
    std::string log, error;
    ASSERT_TRUE(publisher::Resign(root, test::kTestPrivateKeyPem, kSerial + 1, kExpires + 1000, &log, &error))
        << error;
    // Accepted after the old expiry, by a client that took the old serial.
    const UPDATE_INDEX after = AcceptedIndex(root, kExpires + 999, kSerial + 1);
    // The key, the files and the databases as they were.
    auto rest = [](const UPDATE_INDEX& index) {
        const std::string body = FormatIndexBody(index);
        return body.substr(body.find("\nkey "));
    };
    EXPECT_EQ(rest(after), rest(before));
    EXPECT_FALSE(LeftTemporary(root));
}

TEST_F(PublisherTest, ResignRefusesATreeItsIndexDoesNotVouchFor)
{
    const struct {
        const char* what;
        void (*change)(const std::string& root);
        std::uint32_t serial;
        const char* key;
        const char* named;  // in the error
    } kCases[] = {
        {"a changed file", [](const std::string& root) { WriteBytes(root + "/file/karvex.exe", "MZ other"); },
         kSerial, test::kTestPrivateKeyPem, "file/karvex.exe"},
        {"a file not listed", [](const std::string& root) { WriteBytes(root + "/file/extra.exe", "MZ"); }, kSerial,
         test::kTestPrivateKeyPem, "file/extra.exe"},
        {"a listed file gone", [](const std::string& root) { std::filesystem::remove(root + "/1.0001"); }, kSerial,
         test::kTestPrivateKeyPem, "1.0001"},
        {"a lower serial", [](const std::string&) {}, kSerial - 1, test::kTestPrivateKeyPem, "current.sig"},
        {"another key", [](const std::string&) {}, kSerial, test::kOtherPrivateKeyPem, "current.sig"},
        {"a public key", [](const std::string&) {}, kSerial, test::kTestPublicKeyPem, "signing key"},
    };
    for (const auto& c : kCases) {
        const std::string root = PublishSmallTree(std::string("tree-") + std::to_string(&c - kCases));
        const std::string index = ReadBytes(root + "/current.sig");
        c.change(root);
        std::string log, error;
        EXPECT_FALSE(publisher::Resign(root, c.key, c.serial, kExpires + 1000, &log, &error)) << c.what;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(ReadBytes(root + "/current.sig"), index) << c.what;
        EXPECT_FALSE(LeftTemporary(root)) << c.what;
    }
}

TEST_F(PublisherTest, DifferenceToTheClientsOwnRewriteHoldsOnlyTheChanges)
{
    std::vector<SIGNATURE_RECORD> inserted = FirstRecords();
    DATABASE before = Database(1, inserted);
    std::string installed = FileOf(before);
    // The changes, applied by a client: two gone, one twice, one new.
    std::string changes = "changes\r\n-" + test::Hex(inserted[5]) + "\r\n-" + test::Hex(inserted[3005]) +
                          "\r\n+" + test::Hex(inserted[7]) + "\r\n+" + test::Hex(test::MakeRecord(2, 99999)) +
                          "\r\n";
    WriteBytes(dir.Path("changes"), changes);
    std::string served = dir.Path("changes.gz");
    std::string error;
    ASSERT_TRUE(publisher::WriteGzip(served, changes, &error));
    std::string after = ClientAfter(&installed, served, true, "1.0002");
    WriteBytes(dir.Path("after.db"), after);
    DATABASE next;
    ASSERT_TRUE(publisher::ReadDatabase(dir.Path("after.db"), &next, &error)) << error;

    std::string text = publisher::DifferenceText(before, next, "url.db");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << text;
    EXPECT_EQ(text.substr(0, text.find('\r')), "karvex url.db 1.0001-1.0002 difference, +2 -2");
}

}  // namespace
}  // namespace karvex
