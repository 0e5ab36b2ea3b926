// One signature database file (url.db, adv.db, qua.db) in the install folder,
// and the texts the update servers deliver to rebuild it: full lists and
// differences. Needs no Windows API: the client, the server tools and the host
// tests share it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "common/std_file.h"

namespace karvex {

// "%ld.%04ld" of major and minor: 1 and 5832 give "1.5832", 1 and 7 give "1.0007".
// The buffer must hold at least 24 bytes.
void FormatDbVersion(char* out, std::size_t size, std::int32_t major, std::int32_t minor);

// Reads "major.minor" (two decimal numbers that fit 32 bits, nothing else).
bool ParseDbVersion(const char* text, std::int32_t* major, std::int32_t* minor);

// The update worker's running flag: 1 while a pass runs, 0 once a stop is
// requested. Loading and writing look at it and give up when it drops.
using RunningFlag = std::atomic<std::int32_t>;

// Decides whether a complete new database file (at `path`, beside the live
// one) may take the live one's place.
using NewFileCheck = std::function<bool(const char* path)>;

// A record: 16 opaque bytes, kept as four little-endian words.
struct SIGNATURE_RECORD {
    std::uint32_t dwWords[4];
};

inline bool operator==(const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b)
{
    return a.dwWords[0] == b.dwWords[0] && a.dwWords[1] == b.dwWords[1] &&
           a.dwWords[2] == b.dwWords[2] && a.dwWords[3] == b.dwWords[3];
}

// The chain a record belongs to: the low 16 bits of its first word.
inline std::uint32_t BucketOf(const SIGNATURE_RECORD& record)
{
    return record.dwWords[0] & 0xFFFF;
}

// 32 lowercase hexadecimal digits, two per byte, high digit first; `digits`
// has 32 readable bytes. `record` is undefined when this fails.
bool ParseRecordHex(const char* digits, SIGNATURE_RECORD* record);
// Writes the 32 digits and a terminator: `out` holds at least 33 bytes.
void FormatRecordHex(const SIGNATURE_RECORD& record, char* out);

struct RECORD_NODE {
    RECORD_NODE* pNext;
    SIGNATURE_RECORD record;
};

class CSignatureDb {
public:
    static constexpr std::size_t kBucketCount = 65536;

    CSignatureDb() = default;
    CSignatureDb(const CSignatureDb&) = delete;
    CSignatureDb& operator=(const CSignatureDb&) = delete;
    virtual ~CSignatureDb() { FreeRecords(); }

    // Reads the first three header words of "<folder>\<m_pszFile>". Fails, leaving
    // the fields as they were, when the file cannot be opened, holds no record
    // (32 bytes or less) or carries the mark of a rewrite cut short.
    bool ReadHeader(const char* folder);

    // Uses or removes what an interrupted rewrite of the file left (RecoverDatabaseFile).
    void RecoverFile(const char* folder) const;

    // The version text "%ld.%04ld" of the header words.
    void VersionText(char* out, std::size_t size) const;
    bool IsVersion(const char* version) const;

    // Rebuilds "<folder>\<m_pszFile>" at `version` ("major.minor") from the
    // decompressed list at `listPath`: a full list, or with `difference` a
    // difference applied to the records of the database as it is. `check`,
    // if given, must accept the complete new file before it replaces the
    // live one. Returns 0 when the new file is in place, -1 otherwise; on -1
    // the database file and the header fields are as they were.
    int ApplyUpdate(const char* folder, const char* listPath, bool difference, const char* version,
                    const RunningFlag& running, const NewFileCheck& check = NewFileCheck());

    // The record set. It exists only while an update is applied.
    bool CreateRecords();  // 65536 empty chains, unless a set exists
    bool Insert(const SIGNATURE_RECORD& record);  // at the head of its chain
    bool Remove(const SIGNATURE_RECORD& record);  // the first equal one in its chain
    void FreeRecords();

    // Loads a full list into a new record set, whole or not at all: fails
    // when a set exists, on any malformed record and on a stop.
    bool LoadFullList(const char* path, const RunningFlag& running);
    // Inserts every record of "<folder>\<m_pszFile>" in file order into a new
    // record set; fails on a damaged file and on a stop.
    bool LoadRecords(const char* folder, const RunningFlag& running);
    // Applies the "+" and "-" lines of a difference to the record set (created
    // when there is none). Fails on a sign not followed by exactly 32 lowercase
    // hexadecimal digits and the line end (a tab may come between), and on a stop.
    bool ApplyDifference(const char* path, const RunningFlag& running);
    // Writes "<folder>\<m_pszFile>" from the header fields and the record set.
    // The new file is written beside the old one as "<m_pszFile>.new" and
    // takes its place only when complete and accepted by `check`
    // (CommitDatabaseFile): a stop or a failure leaves the old file as it was.
    bool Save(const char* folder, const RunningFlag& running, const NewFileCheck& check = NewFileCheck()) const;

    RECORD_NODE** m_pBuckets = nullptr;
    std::int32_t m_nId = 0;
    const char* m_pszFile = nullptr;
    std::uint32_t m_dwReserved = 0;
    std::int32_t m_nMajor = 0;
    std::int32_t m_nMinor = 0;

private:
    struct NODE_BLOCK;

    RECORD_NODE* NewNode();

    // Nodes come from blocks so that a full database costs a handful of
    // allocations; removed nodes are kept for the next insert.
    NODE_BLOCK* m_pBlocks = nullptr;
    std::size_t m_nBlockUsed = 0;
    RECORD_NODE* m_pSpare = nullptr;
};

// Database file layout.
constexpr std::size_t kDbHeaderSize = 32;
constexpr std::size_t kDbRecordSize = 16;

// Reads a database file front to back: the header, then each record in file
// order, without holding the records in memory.
class CDbFileReader {
public:
    // Fails when the file cannot be opened or is shorter than its header.
    bool Open(const char* path);
    // The next record; false at the end of the file, or when it ends inside a
    // record or cannot be read (then Damaged() is true).
    bool Next(SIGNATURE_RECORD* record);
    bool Damaged() const { return m_bDamaged; }

    std::uint32_t m_dwReserved = 0;
    std::int32_t m_nMajor = 0;
    std::int32_t m_nMinor = 0;

private:
    FilePtr m_file;
    unsigned char m_abBuffer[kDbRecordSize * 1024];
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    bool m_bDamaged = false;
};

// Joins a folder and a file name with the platform's separator. An empty
// folder gives the name alone, so a name may also be a path of its own.
bool JoinPath(char* out, std::size_t size, const char* folder, const char* name);

// Paths are held in buffers of this size.
constexpr std::size_t kPathSize = 260;

}  // namespace karvex
