#include "client/update/signature_db.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/host/sigdb_test_util.h"

namespace karvex {
namespace {

using test::DbFile;
using test::Hex;
using test::LayoutOrder;
using test::MakeRecord;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::size_t kLargestShipped = 149808;

std::string FromHex(const std::string& digits)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string FullList(const std::vector<SIGNATURE_RECORD>& records, const char* end)
{
    std::string text = "karvex full list\r\n";
    text.reserve(records.size() * 36);
    for (const SIGNATURE_RECORD& r : records)
        text += "+" + Hex(r) + end;
    return text;
}

class SignatureDbTest : public ::testing::Test {
protected:
    SignatureDbTest()
    {
        db.m_nId = 1;
        db.m_pszFile = "url.db";
    }

    std::string Live() const { return dir.Path("url.db"); }
    std::string List() const { return dir.Path("list"); }

    // A live database at 1.0001 with a few records, and the descriptor read from it.
    std::string MakeLive()
    {
        std::string bytes = DbFile(1, 1, {MakeRecord(7, 1), MakeRecord(7, 2), MakeRecord(300, 3)}, 5);
        WriteBytes(Live(), bytes);
        EXPECT_TRUE(db.ReadHeader(dir.Folder().c_str()));
        return bytes;
    }

    // The update failed and nothing of the database changed.
    void ExpectUntouched(const std::string& before)
    {
        EXPECT_TRUE(ReadBytes(Live()) == before) << "the live database changed";
        EXPECT_EQ(db.m_nMajor, 1);
        EXPECT_EQ(db.m_nMinor, 1);
        EXPECT_EQ(db.m_pBuckets, nullptr);
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"list", "url.db"}));
    }

    int Apply(bool difference, const char* version = "1.0002")
    {
        return db.ApplyUpdate(dir.Folder().c_str(), List().c_str(), difference, version, running);
    }

    test::ScratchDir dir;
    CSignatureDb db;
    RunningFlag running{1};
    RunningFlag stopped{0};
};

TEST(RecordHexTest, TakesExactlyLowercaseDigitsAtEveryPosition)
{
    const std::string good = "0123456789abcdeffedcba9876543210";
    SIGNATURE_RECORD r;
    ASSERT_TRUE(ParseRecordHex(good.c_str(), &r));
    EXPECT_EQ(r.dwWords[0], 0x67452301u);  // bytes 01 23 45 67, little-endian
    EXPECT_EQ(r.dwWords[3], 0x10325476u);
    for (std::size_t pos = 0; pos < good.size(); ++pos) {
        for (int c = 0; c < 256; ++c) {
            std::string digits = good;
            digits[pos] = static_cast<char>(c);
            bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            ASSERT_EQ(ParseRecordHex(digits.c_str(), &r), digit) << pos << " " << c;
            if (digit) {
                ASSERT_EQ(Hex(r), digits);
            }
        }
    }
}

TEST_F(SignatureDbTest, ReadHeaderRefusesFilesWithoutRecords)
{
    db.m_nMajor = 8;
    EXPECT_FALSE(db.ReadHeader(dir.Folder().c_str()));  // missing
    for (std::size_t size : {0, 12, 32}) {
        WriteBytes(Live(), DbFile(1, 2, {}).substr(0, size));
        EXPECT_FALSE(db.ReadHeader(dir.Folder().c_str())) << size;
        EXPECT_EQ(db.m_nMajor, 8);
    }
    WriteBytes(Live(), DbFile(3, 4, {}, 0xdeadbeef) + "x");
    ASSERT_TRUE(db.ReadHeader(dir.Folder().c_str()));
    EXPECT_EQ(db.m_dwReserved, 0xdeadbeefu);
    EXPECT_TRUE(db.IsVersion("3.0004"));
}

TEST_F(SignatureDbTest, SaveWritesBucketsInOrderNewestFirst)
{
    // The bucket is byte 0 + 256 * byte 1 of the record.
    const char* inserted[] = {
        "0102aaaaaaaaaaaaaaaaaaaaaaaaaaaa",  // bucket 0x0201
        "0100bbbbbbbbbbbbbbbbbbbbbbbbbbbb",  // bucket 0x0001
        "0102cccccccccccccccccccccccccccc",  // bucket 0x0201, after the first
        "ffffdddddddddddddddddddddddddddd",  // bucket 0xffff
        "0000eeeeeeeeeeeeeeeeeeeeeeeeeeee",  // bucket 0x0000
    };
    for (const char* digits : inserted) {
        SIGNATURE_RECORD r;
        ASSERT_TRUE(ParseRecordHex(digits, &r));
        ASSERT_TRUE(db.Insert(r));
    }
    db.m_dwReserved = 0xa1b2c3d4;
    db.m_nMajor = 1;
    db.m_nMinor = 2;
    ASSERT_TRUE(db.Save(dir.Folder().c_str(), running));
    std::string expected = FromHex("d4c3b2a1" "01000000" "02000000") + std::string(20, '\0') +
                           FromHex(inserted[4]) + FromHex(inserted[1]) + FromHex(inserted[2]) +
                           FromHex(inserted[0]) + FromHex(inserted[3]);
    EXPECT_EQ(ReadBytes(Live()), expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"url.db"});

    // An empty set gives a bare header, which the next start refuses.
    db.FreeRecords();
    ASSERT_TRUE(db.Save(dir.Folder().c_str(), running));
    EXPECT_EQ(ReadBytes(Live()).size(), kDbHeaderSize);
    EXPECT_FALSE(db.ReadHeader(dir.Folder().c_str()));
}

TEST_F(SignatureDbTest, FullListsOfTheLargestSizeLoadEveryRecordWhateverTheLineEnds)
{
    std::vector<SIGNATURE_RECORD> records = test::RandomRecords(kLargestShipped, 1);
    std::string expected = DbFile(1, 42, LayoutOrder(records));
    // LF and tab make 34-byte records, fewer than a size / 35 limit would read.
    for (const char* end : {"\r\n", "\n", "\t", "\t\r\n"}) {
        WriteBytes(List(), FullList(records, end));
        ASSERT_EQ(Apply(false, "1.0042"), 0) << Hex(records[0]);
        std::string saved = ReadBytes(Live());
        EXPECT_EQ(saved.size(), kDbHeaderSize + kDbRecordSize * kLargestShipped);
        EXPECT_TRUE(saved == expected);
        EXPECT_TRUE(db.IsVersion("1.0042"));
        EXPECT_EQ(db.m_pBuckets, nullptr);
    }
}

TEST_F(SignatureDbTest, FullListSkipsHeaderAndEmptyLines)
{
    SIGNATURE_RECORD a = MakeRecord(9, 1), b = MakeRecord(9, 2), c = MakeRecord(10, 3);
    std::string header(200, 'h');  // longer than 127 characters: still the header
    header[150] = '+';
    WriteBytes(List(), header + "\n\n+" + Hex(a) + "\r\n\r\n\n+" + Hex(b) + "\t\n+" + Hex(c));
    ASSERT_EQ(Apply(false), 0);
    EXPECT_EQ(ReadBytes(Live()), DbFile(1, 2, {b, a, c}));
}

struct BadList {
    const char* name;
    std::string text;
};

class MalformedFullListTest : public SignatureDbTest, public ::testing::WithParamInterface<BadList> {};

TEST_P(MalformedFullListTest, FailsWholeAndLeavesDatabase)
{
    std::string before = MakeLive();
    WriteBytes(List(), GetParam().text);
    EXPECT_EQ(Apply(false), -1);
    ExpectUntouched(before);
}

const std::string kHead = "header\r\n";
const std::string kGood = "+" + Hex(MakeRecord(1, 1)) + "\r\n";
const std::string kDigits = Hex(MakeRecord(2, 2));

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFullListTest,
    ::testing::Values(BadList{"Digits31", kHead + kGood + "+" + kDigits.substr(1) + "\r\n" + kGood},
                      BadList{"Digits33", kHead + kGood + "+" + kDigits + "0\r\n"},
                      BadList{"Digits31AtEnd", kHead + kGood + kGood + "+" + kDigits.substr(1)},
                      BadList{"UpperCase", kHead + "+" + kDigits.substr(0, 31) + "A\r\n"},
                      BadList{"NoPlus", kHead + kDigits + "\r\n"},
                      BadList{"MinusLine", kHead + kGood + "-" + kDigits + "\r\n"},
                      BadList{"SpaceBeforeLineEnd", kHead + "+" + kDigits + " \r\n"},
                      BadList{"TextAfterTab", kHead + "+" + kDigits + "\tx\r\n"},
                      BadList{"LoneCarriageReturn", kHead + "+" + kDigits + "\r" + kGood},
                      BadList{"TrailingText", kHead + kGood + kGood + "end\r\n"},
                      BadList{"ShorterThanTenBytes", "h\n+0"}),
    [](const ::testing::TestParamInfo<BadList>& info) { return std::string(info.param.name); });

TEST_F(SignatureDbTest, DifferenceStartsFromTheLiveRecords)
{
    SIGNATURE_RECORD a = MakeRecord(0x0102, 1), b = MakeRecord(0x0102, 2), c = MakeRecord(3, 3);
    SIGNATURE_RECORD d = MakeRecord(0x0102, 4), absent = MakeRecord(0x0102, 5);
    WriteBytes(Live(), DbFile(1, 1, {c, a, b}, 5));
    ASSERT_TRUE(db.ReadHeader(dir.Folder().c_str()));
    std::string longLine = std::string(200, '#') + "+" + Hex(absent) + std::string(100, '#');
    WriteBytes(List(), "karvex difference 1.0001-1.0002\r\n" + longLine + "\r\nremark\n" +
                           "-" + Hex(absent) + "\r\n"  // absent: nothing happens
                           "+" + Hex(a) + "\t\r\n"     // present: stored twice
                           "-" + Hex(c) + "\n"
                           "+" + Hex(d));
    ASSERT_EQ(Apply(true), 0);
    // Loading the live file in its order reverses each chain: b, a; then the lines.
    EXPECT_EQ(ReadBytes(Live()), DbFile(1, 2, {d, a, b, a}, 5));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"list", "url.db"}));
}

class MalformedDifferenceTest : public SignatureDbTest, public ::testing::WithParamInterface<BadList> {};

TEST_P(MalformedDifferenceTest, FailsBeforeAnythingIsWritten)
{
    std::string before = MakeLive();
    WriteBytes(List(), "karvex difference\r\n+" + Hex(MakeRecord(4, 4)) + "\r\n" + GetParam().text);
    EXPECT_EQ(Apply(true), -1);
    ExpectUntouched(before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedDifferenceTest,
    ::testing::Values(BadList{"Digits31", "-" + kDigits.substr(1) + "\r\n"},
                      BadList{"Digits33", "+" + kDigits + "f\r\n"},
                      BadList{"UpperCase", "+" + kDigits.substr(0, 31) + "F\r\n"},
                      BadList{"SpaceAfterSign", "- " + kDigits + "\r\n"},
                      BadList{"TextAfterDigits", "+" + kDigits + " x\r\n"},
                      BadList{"RecordAfterTab", "+" + kDigits + "\t+" + kDigits + "\r\n"},
                      BadList{"BareSign", "+\r\n"}),
    [](const ::testing::TestParamInfo<BadList>& info) { return std::string(info.param.name); });

TEST_F(SignatureDbTest, StopDuringLoadLeavesDatabase)
{
    std::string before = MakeLive();
    WriteBytes(List(), FullList(test::RandomRecords(10, 2), "\r\n"));
    EXPECT_EQ(db.ApplyUpdate(dir.Folder().c_str(), List().c_str(), false, "1.0002", stopped), -1);
    ExpectUntouched(before);
    WriteBytes(List(), "difference\r\n+" + kDigits + "\r\n");
    EXPECT_EQ(db.ApplyUpdate(dir.Folder().c_str(), List().c_str(), true, "1.0002", stopped), -1);
    ExpectUntouched(before);
}

TEST_F(SignatureDbTest, StopDuringSaveLeavesDatabase)
{
    std::string before = MakeLive();
    WriteBytes(List(), FullList(test::RandomRecords(1000, 3), "\r\n"));
    ASSERT_TRUE(db.LoadFullList(List().c_str(), running));
    db.m_nMinor = 2;
    EXPECT_FALSE(db.Save(dir.Folder().c_str(), stopped));
    db.m_nMinor = 1;
    db.FreeRecords();
    ExpectUntouched(before);
}

TEST_F(SignatureDbTest, WriteFailureKeepsDatabaseAndVersion)
{
    std::string before = MakeLive();
    std::filesystem::create_directory(dir.Path("url.db.new"));  // the new file cannot be made
    WriteBytes(List(), FullList(test::RandomRecords(10, 4), "\r\n"));
    EXPECT_EQ(Apply(false), -1);
    EXPECT_TRUE(ReadBytes(Live()) == before);
    EXPECT_TRUE(db.IsVersion("1.0001"));
}

TEST_F(SignatureDbTest, VersionTextMustBeTwoNumbers)
{
    std::int32_t major = 0, minor = 0;
    ASSERT_TRUE(ParseDbVersion("12.0345", &major, &minor));
    EXPECT_EQ(major, 12);
    EXPECT_EQ(minor, 345);
    ASSERT_TRUE(ParseDbVersion("2147483647.7", &major, &minor));
    EXPECT_EQ(major, 2147483647);

    std::string before = MakeLive();
    WriteBytes(List(), FullList(test::RandomRecords(3, 5), "\r\n"));
    for (const char* bad : {"", "1", "1.", ".5", "1.5.", "1.5x", "a.b", "-1.5", "1 .5", "2147483648.1"}) {
        EXPECT_FALSE(ParseDbVersion(bad, &major, &minor)) << bad;
        EXPECT_EQ(Apply(false, bad), -1) << bad;
    }
    ExpectUntouched(before);
}

}  // namespace
}  // namespace karvex
