#include "tools/publisher/publish.h"

#include <algorithm>
#include <random>
#include <set>
#include <string>
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

    test::ScratchDir dir;
};

TEST_F(PublisherTest, ServedListsRebuildEachPublishedDatabaseExactly)
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

    const char* texts[] = {"1.0001", "1.0002", "1.0003"};
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(ClientAfter(nullptr, dir.Path("out/") + texts[n], false, texts[n]) == files[n]) << texts[n];
    }
    for (auto [from, to] : {std::pair{0, 1}, {1, 2}, {0, 2}}) {
        std::string diff = dir.Path("out/diff/") + texts[from] + "-" + texts[to];
        EXPECT_TRUE(ClientAfter(&files[from], diff, true, texts[to]) == files[to]) << diff;
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
