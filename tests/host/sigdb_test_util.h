// Scratch folders, whole-file reading and writing, and records for the tests
// of the signature databases and their tools.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/update/signature_db.h"
#include "tools/publisher/publish.h"

namespace karvex::test {

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("sigdb_") + info->test_suite_name() + "_" + info->name() + "_" +
                           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
        for (char& c : name) {
            if (c == '/')
                c = '_';
        }
        m_path = std::filesystem::path(::testing::TempDir()) / name;
        std::filesystem::create_directories(m_path);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string Folder() const { return m_path.string(); }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    // Names of the files in the folder, to find leftovers.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// A record in bucket `bucket` (its first two bytes), told apart by `tag`.
inline SIGNATURE_RECORD MakeRecord(std::uint32_t bucket, std::uint32_t tag)
{
    return SIGNATURE_RECORD{{(tag << 16) | (bucket & 0xFFFF), tag * 2654435761u, ~tag, tag ^ 0x5a5a5a5au}};
}

inline std::vector<SIGNATURE_RECORD> RandomRecords(std::size_t count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<SIGNATURE_RECORD> records(count);
    for (SIGNATURE_RECORD& r : records) {
        for (std::uint32_t& w : r.dwWords)
            w = static_cast<std::uint32_t>(random());
    }
    return records;
}

inline std::string Hex(const SIGNATURE_RECORD& record)
{
    char digits[33];
    FormatRecordHex(record, digits);
    return digits;
}

inline std::string Le32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// The bytes of a database file holding `records` in file order.
inline std::string DbFile(std::int32_t major, std::int32_t minor, const std::vector<SIGNATURE_RECORD>& records,
                          std::uint32_t reserved = 0)
{
    publisher::DATABASE db;
    db.dwReserved = reserved;
    db.nMajor = major;
    db.nMinor = minor;
    db.records = records;
    return publisher::DatabaseFileBytes(db);
}

// The file order of records inserted in `inserted` order: ascending buckets,
// the most recently inserted first within one.
inline std::vector<SIGNATURE_RECORD> LayoutOrder(const std::vector<SIGNATURE_RECORD>& inserted)
{
    std::vector<SIGNATURE_RECORD> order(inserted.rbegin(), inserted.rend());
    std::stable_sort(order.begin(), order.end(), [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) {
        return BucketOf(a) < BucketOf(b);
    });
    return order;
}

}  // namespace karvex::test
