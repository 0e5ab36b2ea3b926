#include "client/update/gunzip.h"

#include <zlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/host/sigdb_test_util.h"

namespace karvex {
namespace {

using test::Exists;
using test::Le32;
using test::ReadBytes;
using test::WriteBytes;

std::string Le16(unsigned value)
{
    return Le32(value).substr(0, 2);
}

std::string RawDeflate(const std::string& data)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::uint32_t Crc(const std::string& data)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// A gzip member; `fields` are the optional header fields that `flags` announce.
std::string Gzip(const std::string& payload, unsigned char flags = 0, const std::string& fields = "",
                 unsigned char method = 8)
{
    std::string header = {'\x1f', '\x8b', static_cast<char>(method), static_cast<char>(flags)};
    return header + Le32(0x12345678) + "\x02\x03" + fields + RawDeflate(payload) + Le32(Crc(payload)) +
           Le32(static_cast<std::uint32_t>(payload.size()));
}

enum class Descriptor { kNone, kSigned, kUnsigned };

struct ZipEntry {
    unsigned method = 8;
    unsigned flags = 0;
    Descriptor descriptor = Descriptor::kNone;
    std::uint32_t crcDelta = 0;   // spoils the recorded CRC-32
    std::uint32_t sizeDelta = 0;  // spoils the recorded size
};

// A PKZIP archive whose first entry holds `payload`, followed by a stand-in for
// the rest of the archive.
std::string Zip(const std::string& payload, const ZipEntry& entry)
{
    std::string data = entry.method == 0 ? payload : RawDeflate(payload);
    std::string sizes = Le32(Crc(payload) + entry.crcDelta) + Le32(static_cast<std::uint32_t>(data.size())) +
                        Le32(static_cast<std::uint32_t>(payload.size()) + entry.sizeDelta);
    unsigned flags = entry.flags | (entry.descriptor != Descriptor::kNone ? 8u : 0u);
    std::string zip = "PK\x03\x04" + Le16(20) + Le16(flags) + Le16(entry.method) + Le32(0) +
                      (entry.descriptor == Descriptor::kNone ? sizes : std::string(12, '\0')) + Le16(7) +
                      Le16(4) + "url.txt" + std::string("\xfe\xca\x00\x00", 4) + data;
    if (entry.descriptor == Descriptor::kSigned)
        zip += "PK\x07\x08";
    if (entry.descriptor != Descriptor::kNone)
        zip += sizes;
    return zip + "PK\x01\x02 central directory";
}

// Several hundred kilobytes of list text: more than one read and one write buffer.
std::string ListText()
{
    std::string text = "karvex full list\r\n";
    for (const SIGNATURE_RECORD& r : test::RandomRecords(20000, 9))
        text += "+" + test::Hex(r) + "\r\n";
    return text;
}

struct Case {
    const char* name;
    std::string source;
};

class GunzipTest : public ::testing::Test {
protected:
    std::string Source() const { return dir.Path("download"); }
    std::string Destination() const { return dir.Path("list"); }

    bool Run(const std::string& source)
    {
        WriteBytes(Source(), source);
        return GunzipFile(Source().c_str(), Destination().c_str());
    }

    test::ScratchDir dir;
    const std::string payload = ListText();
};

TEST_F(GunzipTest, DecodesGzipAndFirstZipEntry)
{
    const std::string& p = payload;
    std::string fields = Le16(5) + "extra" + "name.txt" + '\0' + "comment" + '\0';
    std::vector<Case> cases = {
        {"gzip", Gzip(p)},
        {"gzip with text flag and optional fields", Gzip(p, 0x01 | 0x04 | 0x08 | 0x10, fields)},
        {"first member only", Gzip(p) + Gzip("another member") + "trailing junk"},
        {"zip stored", Zip(p, ZipEntry{0})},
        {"zip deflated", Zip(p, ZipEntry{})},
        {"zip deflated, signed descriptor", Zip(p, ZipEntry{8, 0, Descriptor::kSigned})},
        {"zip deflated, descriptor without signature", Zip(p, ZipEntry{8, 0, Descriptor::kUnsigned})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Run(c.source));
        EXPECT_TRUE(ReadBytes(Destination()) == p);
        std::filesystem::remove(Destination());
    }
    ASSERT_TRUE(Run(Gzip("")));
    EXPECT_EQ(ReadBytes(Destination()), "");
}

TEST_F(GunzipTest, RefusesDamagedOrForeignInputAndLeavesNoDestination)
{
    const std::string& p = payload;
    std::string gz = Gzip(p);
    std::string badCrc = gz;
    badCrc[gz.size() - 8] ^= 1;
    std::string badLength = gz;
    badLength[gz.size() - 4] ^= 1;
    std::string corrupt = gz;
    corrupt[gz.size() / 2] ^= 0x55;
    std::vector<Case> cases = {
        {"CRC mismatch", badCrc},
        {"length mismatch", badLength},
        {"corrupt data", corrupt},
        {"truncated data", gz.substr(0, gz.size() / 2)},
        {"truncated trailer", gz.substr(0, gz.size() - 3)},
        {"truncated header", gz.substr(0, 6)},
        {"flag bit 1", Gzip(p, 0x02)},
        {"flag bit 5", Gzip(p, 0x20)},
        {"flag bit 6", Gzip(p, 0x40)},
        {"flag bit 7", Gzip(p, 0x80)},
        {"method other than deflate", Gzip(p, 0, "", 7)},
        {"unterminated name", Gzip("", 0x08).substr(0, 10) + "name"},
        {"plain text", p},
        {"empty file", ""},
        {"zip encrypted", Zip(p, ZipEntry{8, 1})},
        {"zip unknown method", Zip(p, ZipEntry{12})},
        {"zip CRC mismatch", Zip(p, ZipEntry{8, 0, Descriptor::kNone, 1})},
        {"zip size mismatch", Zip(p, ZipEntry{8, 0, Descriptor::kNone, 0, 1})},
        {"zip stored size mismatch", Zip(p, ZipEntry{0, 0, Descriptor::kNone, 0, 1})},
        {"zip descriptor mismatch", Zip(p, ZipEntry{8, 0, Descriptor::kSigned, 1})},
        {"zip without entries", "PK\x05\x06" + std::string(18, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Run(c.source));
        EXPECT_FALSE(Exists(Destination()));
    }
}

TEST_F(GunzipTest, RefusesOutputBeyondAnyList)
{
    // 257 MB of zeros packs into a quarter of a megabyte.
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 1, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string zeros(1 << 20, '\0'), bomb, chunk(1 << 20, '\0');
    for (int i = 0; i < 257; ++i) {
        z.next_in = reinterpret_cast<Bytef*>(&zeros[0]);
        z.avail_in = static_cast<uInt>(zeros.size());
        int flush = i == 256 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(&chunk[0]);
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            bomb.append(chunk, 0, chunk.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    EXPECT_FALSE(Run(bomb));
    EXPECT_FALSE(Exists(Destination()));
}

TEST_F(GunzipTest, NeverOverwritesAndNeedsASource)
{
    WriteBytes(Destination(), "an older file");
    EXPECT_FALSE(Run(Gzip(payload)));
    EXPECT_EQ(ReadBytes(Destination()), "an older file");

    std::filesystem::remove(Destination());
    EXPECT_FALSE(GunzipFile(dir.Path("missing").c_str(), Destination().c_str()));
    EXPECT_FALSE(Exists(Destination()));
}

}  // namespace
}  // namespace karvex
