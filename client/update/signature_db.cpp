#include "client/update/signature_db.h"

#include <cstring>
#include <new>

#include "client/update/replace_file.h"
#include "common/file_steps.h"
#include "common/text.h"

namespace karvex {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// A record: "+" and 32 digits, then a line end or a tab.
constexpr std::size_t kRecordDigits = 32;
constexpr std::size_t kRecordText = 1 + kRecordDigits;
constexpr std::size_t kMinFullListSize = 10;

std::uint32_t LoadLe32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void StoreLe32(unsigned char* p, std::uint32_t value)
{
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

// Eight digits at once: loading a full list is mostly this.
inline bool ParseHexWord(const unsigned char* p, std::uint32_t* word)
{
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    constexpr std::uint64_t kEach = 0x0101010101010101u;
    std::uint64_t x = 0;
    for (int i = 7; i >= 0; --i)
        x = x << 8 | p[i];
    // Per byte, with no carry between bytes once the high bits are clear:
    // b + (0x80 - k) has its high bit set when b >= k, b + (0x7f - k) when b > k.
    std::uint64_t digit = (x + 0x50 * kEach) & ~(x + 0x46 * kEach);  // '0'..'9'
    std::uint64_t letter = (x + 0x1f * kEach) & ~(x + 0x19 * kEach);  // 'a'..'f'
    if ((x & kHigh) != 0 || ((digit | letter) & kHigh) != kHigh)
        return false;
    std::uint64_t nibbles = (x & 0x0f * kEach) + ((x >> 6) & kEach) * 9;
    // Digit pairs into bytes (the first digit is the high one), then together.
    constexpr std::uint64_t kPairs = 0x00ff00ff00ff00ffu;
    std::uint64_t bytes = ((nibbles & kPairs) << 4) | ((nibbles >> 8) & kPairs);
    bytes = (bytes | bytes >> 8) & 0x0000ffff0000ffffu;
    *word = static_cast<std::uint32_t>(bytes | bytes >> 16);
    return true;
}

bool IsRunning(const RunningFlag& running)
{
    return running.load(std::memory_order_relaxed) != 0;
}

// Buffered reading of a list, with a look-ahead of a few bytes.
class CTextReader {
public:
    explicit CTextReader(std::FILE* file) : m_pFile(file) {}

    // Makes at least `n` bytes available unless the file ends first, and
    // returns how many are.
    std::size_t Fill(std::size_t n)
    {
        if (Avail() < n && !m_bEnd) {
            std::size_t kept = Avail();
            std::memmove(m_acBuffer, Data(), kept);
            m_nPos = 0;
            std::size_t wanted = sizeof m_acBuffer - kept;
            std::size_t got = std::fread(m_acBuffer + kept, 1, wanted, m_pFile);
            m_nEnd = kept + got;
            m_bEnd = got < wanted;
        }
        return Avail();
    }

    const char* Data() const { return m_acBuffer + m_nPos; }
    std::size_t Avail() const { return m_nEnd - m_nPos; }
    void Consume(std::size_t n) { m_nPos += n; }
    bool Failed() const { return std::ferror(m_pFile) != 0; }

    // Moves past the next line feed, however far away it is.
    void SkipLine()
    {
        while (Fill(1) > 0) {
            const void* lf = std::memchr(Data(), '\n', Avail());
            if (lf != nullptr) {
                Consume(static_cast<const char*>(lf) - Data() + 1);
                return;
            }
            Consume(Avail());
        }
    }

private:
    std::FILE* m_pFile;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    bool m_bEnd = false;
    char m_acBuffer[64 * 1024];
};

// Length of the line end at `p` (CR LF or LF), 0 when there is none; `avail`
// bytes are readable there.
std::size_t LineEnd(const char* p, std::size_t avail)
{
    if (avail >= 1 && p[0] == '\n')
        return 1;
    if (avail >= 2 && p[0] == '\r' && p[1] == '\n')
        return 2;
    return 0;
}

// The records of a full list after its header line: each "+" and 32 digits,
// ended by a line end, a tab or the end of the file; empty lines between them.
bool ReadFullListRecords(CTextReader& text, CSignatureDb& db, const RunningFlag& running)
{
    for (;;) {
        std::size_t avail = text.Fill(kRecordText + 2);
        if (avail == 0)
            return !text.Failed();
        const char* p = text.Data();
        if (std::size_t empty = LineEnd(p, avail)) {
            text.Consume(empty);
            continue;
        }
        SIGNATURE_RECORD record;
        if (!IsRunning(running) || p[0] != '+' || avail < kRecordText ||
            !ParseRecordHex(p + 1, &record))
            return false;
        std::size_t used = kRecordText;
        if (avail > kRecordText) {
            std::size_t end = p[kRecordText] == '\t' ? 1 : LineEnd(p + kRecordText, avail - kRecordText);
            if (end == 0)
                return false;
            used += end;
        }
        if (!db.Insert(record))
            return false;
        text.Consume(used);
    }
}

}  // namespace

bool JoinPath(char* out, std::size_t size, const char* folder, const char* name)
{
    if (folder[0] == '\0')
        return CopyText(out, size, name);
    return FormatText(out, size, "%s%c%s", folder, kSeparator, name);
}

void FormatDbVersion(char* out, std::size_t size, std::int32_t major, std::int32_t minor)
{
    FormatText(out, size, "%ld.%04ld", static_cast<long>(major), static_cast<long>(minor));
}

bool ParseDbVersion(const char* text, std::int32_t* major, std::int32_t* minor)
{
    std::int32_t first = 0;
    std::int32_t second = 0;
    if (!ParseDecimal(text, &first) || *text++ != '.' || !ParseDecimal(text, &second) || *text != '\0')
        return false;
    *major = first;
    *minor = second;
    return true;
}

bool ParseRecordHex(const char* digits, SIGNATURE_RECORD* record)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(digits);
    for (std::size_t w = 0; w < 4; ++w) {
        if (!ParseHexWord(p + 8 * w, &record->dwWords[w]))
            return false;
    }
    return true;
}

void FormatRecordHex(const SIGNATURE_RECORD& record, char* out)
{
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t w = 0; w < 4; ++w) {
        unsigned char bytes[4];
        StoreLe32(bytes, record.dwWords[w]);
        for (unsigned char byte : bytes) {
            *out++ = kDigits[byte >> 4];
            *out++ = kDigits[byte & 15];
        }
    }
    *out = '\0';
}

bool CSignatureDb::ReadHeader(const char* folder)
{
    char path[kPathSize];
    if (m_pszFile == nullptr || !JoinPath(path, sizeof path, folder, m_pszFile))
        return false;
    // fopen shares the file for reading and writing, so a database that the
    // updater is rewriting can still be looked at.
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return false;
    unsigned char header[12];
    if (std::fseek(file.get(), 0, SEEK_END) != 0 ||
        std::ftell(file.get()) <= static_cast<long>(kDbHeaderSize) ||
        std::fseek(file.get(), 0, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, file.get()) != sizeof header || IsCutShortMark(header))
        return false;
    m_dwReserved = LoadLe32(header);
    m_nMajor = static_cast<std::int32_t>(LoadLe32(header + 4));
    m_nMinor = static_cast<std::int32_t>(LoadLe32(header + 8));
    return true;
}

void CSignatureDb::RecoverFile(const char* folder) const
{
    char path[kPathSize];
    if (m_pszFile != nullptr && JoinPath(path, sizeof path, folder, m_pszFile))
        RecoverDatabaseFile(path);
}

void CSignatureDb::VersionText(char* out, std::size_t size) const
{
    FormatDbVersion(out, size, m_nMajor, m_nMinor);
}

bool CSignatureDb::IsVersion(const char* version) const
{
    char mine[24];
    VersionText(mine, sizeof mine);
    return std::strcmp(mine, version) == 0;
}

struct CSignatureDb::NODE_BLOCK {
    static constexpr std::size_t kNodes = 4096;
    NODE_BLOCK* pNext;
    RECORD_NODE nodes[kNodes];
};

bool CSignatureDb::CreateRecords()
{
    if (m_pBuckets == nullptr)
        m_pBuckets = new (std::nothrow) RECORD_NODE*[kBucketCount]();
    return m_pBuckets != nullptr;
}

RECORD_NODE* CSignatureDb::NewNode()
{
    if (m_pSpare != nullptr) {
        RECORD_NODE* node = m_pSpare;
        m_pSpare = node->pNext;
        return node;
    }
    if (m_pBlocks == nullptr || m_nBlockUsed == NODE_BLOCK::kNodes) {
        NODE_BLOCK* block = new (std::nothrow) NODE_BLOCK;
        if (block == nullptr)
            return nullptr;
        block->pNext = m_pBlocks;
        m_pBlocks = block;
        m_nBlockUsed = 0;
    }
    return &m_pBlocks->nodes[m_nBlockUsed++];
}

bool CSignatureDb::Insert(const SIGNATURE_RECORD& record)
{
    if (!CreateRecords())
        return false;
    RECORD_NODE* node = NewNode();
    if (node == nullptr)
        return false;
    RECORD_NODE*& head = m_pBuckets[BucketOf(record)];
    node->record = record;
    node->pNext = head;
    head = node;
    return true;
}

bool CSignatureDb::Remove(const SIGNATURE_RECORD& record)
{
    if (m_pBuckets == nullptr)
        return false;
    for (RECORD_NODE** link = &m_pBuckets[BucketOf(record)]; *link != nullptr; link = &(*link)->pNext) {
        RECORD_NODE* node = *link;
        if (node->record == record) {
            *link = node->pNext;
            node->pNext = m_pSpare;
            m_pSpare = node;
            return true;
        }
    }
    return false;
}

void CSignatureDb::FreeRecords()
{
    delete[] m_pBuckets;
    m_pBuckets = nullptr;
    while (m_pBlocks != nullptr) {
        NODE_BLOCK* next = m_pBlocks->pNext;
        delete m_pBlocks;
        m_pBlocks = next;
    }
    m_nBlockUsed = 0;
    m_pSpare = nullptr;
}

bool CSignatureDb::LoadFullList(const char* path, const RunningFlag& running)
{
    if (m_pBuckets != nullptr)
        return false;
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return false;
    CTextReader text(file.get());
    if (text.Fill(kMinFullListSize) < kMinFullListSize)
        return false;
    text.SkipLine();  // the header
    bool loaded = CreateRecords() && ReadFullListRecords(text, *this, running);
    if (!loaded)
        FreeRecords();
    return loaded;
}

bool CSignatureDb::LoadRecords(const char* folder, const RunningFlag& running)
{
    char path[kPathSize];
    if (m_pBuckets != nullptr || m_pszFile == nullptr || !JoinPath(path, sizeof path, folder, m_pszFile))
        return false;
    CDbFileReader reader;
    if (!reader.Open(path) || !CreateRecords())
        return false;
    bool loaded = true;
    SIGNATURE_RECORD record;
    while (loaded && reader.Next(&record))
        loaded = IsRunning(running) && Insert(record);
    if (!loaded || reader.Damaged()) {
        FreeRecords();
        return false;
    }
    return true;
}

bool CSignatureDb::ApplyDifference(const char* path, const RunningFlag& running)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file || !CreateRecords())
        return false;
    CTextReader text(file.get());
    for (;;) {
        std::size_t avail = text.Fill(kRecordText + 3);
        if (avail == 0)
            return !text.Failed();
        if (!IsRunning(running))
            return false;
        const char* p = text.Data();
        if (p[0] != '+' && p[0] != '-') {
            text.SkipLine();
            continue;
        }
        // The record as in a full list, which may end in a tab; then the line ends.
        SIGNATURE_RECORD record;
        if (avail < kRecordText || !ParseRecordHex(p + 1, &record))
            return false;
        std::size_t used = kRecordText;
        if (used < avail && p[used] == '\t')
            ++used;
        if (used < avail) {
            std::size_t end = LineEnd(p + used, avail - used);
            if (end == 0)
                return false;
            used += end;
        }
        if (p[0] == '+') {
            if (!Insert(record))
                return false;
        } else {
            Remove(record);  // an absent record changes nothing
        }
        text.Consume(used);
    }
}

bool CSignatureDb::Save(const char* folder, const RunningFlag& running, const NewFileCheck& check) const
{
    char path[kPathSize];
    char temp[kPathSize];
    if (m_pszFile == nullptr || !JoinPath(path, sizeof path, folder, m_pszFile) ||
        !FormatText(temp, sizeof temp, "%s.new", path))
        return false;

    FileStep("new database created");
    FilePtr file = OpenFile(temp, "wb");
    if (!file)
        return false;
    unsigned char buffer[kDbRecordSize * 4096];
    std::memset(buffer, 0, kDbHeaderSize);
    StoreLe32(buffer, m_dwReserved);
    StoreLe32(buffer + 4, static_cast<std::uint32_t>(m_nMajor));
    StoreLe32(buffer + 8, static_cast<std::uint32_t>(m_nMinor));
    std::size_t used = kDbHeaderSize;
    bool written = true;
    for (std::size_t bucket = 0; written && bucket < kBucketCount; ++bucket) {
        written = IsRunning(running);
        for (const RECORD_NODE* node = m_pBuckets != nullptr ? m_pBuckets[bucket] : nullptr;
             written && node != nullptr; node = node->pNext) {
            if (used == sizeof buffer) {
                FileStep("new database piece written");
                written = std::fwrite(buffer, 1, used, file.get()) == used;
                used = 0;
            }
            for (std::size_t w = 0; w < 4; ++w)
                StoreLe32(buffer + used + 4 * w, node->record.dwWords[w]);
            used += kDbRecordSize;
        }
    }
    if (written)
        FileStep("new database piece written");
    written = written && std::fwrite(buffer, 1, used, file.get()) == used && FlushToDisk(file.get());
    bool closed = std::fclose(file.release()) == 0;
    if (written && closed && (!check || check(temp)) && CommitDatabaseFile(temp, path))
        return true;
    FileStep("new database deleted");
    std::remove(temp);
    return false;
}

int CSignatureDb::ApplyUpdate(const char* folder, const char* listPath, bool difference,
                              const char* version, const RunningFlag& running, const NewFileCheck& check)
{
    std::int32_t major = 0;
    std::int32_t minor = 0;
    if (!ParseDbVersion(version, &major, &minor))
        return -1;
    FreeRecords();
    bool loaded = difference ? LoadRecords(folder, running) && ApplyDifference(listPath, running)
                             : LoadFullList(listPath, running);
    bool saved = false;
    if (loaded) {
        std::int32_t oldMajor = m_nMajor;
        std::int32_t oldMinor = m_nMinor;
        m_nMajor = major;
        m_nMinor = minor;
        saved = Save(folder, running, check);
        if (!saved) {
            m_nMajor = oldMajor;
            m_nMinor = oldMinor;
        }
    }
    FreeRecords();
    return saved ? 0 : -1;
}

bool CDbFileReader::Open(const char* path)
{
    m_file = OpenFile(path, "rb");
    m_nPos = m_nEnd = 0;
    m_bDamaged = false;
    unsigned char header[kDbHeaderSize];
    if (!m_file || std::fread(header, 1, sizeof header, m_file.get()) != sizeof header) {
        m_file.reset();
        return false;
    }
    m_dwReserved = LoadLe32(header);
    m_nMajor = static_cast<std::int32_t>(LoadLe32(header + 4));
    m_nMinor = static_cast<std::int32_t>(LoadLe32(header + 8));
    return true;
}

bool CDbFileReader::Next(SIGNATURE_RECORD* record)
{
    if (!m_file)
        return false;
    if (m_nPos == m_nEnd) {
        m_nPos = 0;
        m_nEnd = std::fread(m_abBuffer, 1, sizeof m_abBuffer, m_file.get());
        if (m_nEnd % kDbRecordSize != 0 || (m_nEnd == 0 && std::ferror(m_file.get()) != 0))
            m_bDamaged = true;
        if (m_nEnd == 0 || m_bDamaged) {
            m_file.reset();
            return false;
        }
    }
    for (std::size_t w = 0; w < 4; ++w)
        record->dwWords[w] = LoadLe32(m_abBuffer + m_nPos + 4 * w);
    m_nPos += kDbRecordSize;
    return true;
}

}  // namespace karvex
