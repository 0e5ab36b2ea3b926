#include "tools/publisher/publish.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <direct.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "client/update/replace_file.h"
#include "common/std_file.h"
#include "common/text.h"

namespace karvex::publisher {

namespace {

struct KIND {
    const char* name;          // the database file
    const char* manifestMark;  // ends its line in current.ver
    const char* serverMark;    // ends its full lists and differences
};

// url.db's lists carry no extension on the server, unlike the other two.
constexpr KIND kKinds[3] = {{"url.db", ".mal", ""}, {"adv.db", ".adv", ".adv"}, {"qua.db", ".qua", ".qua"}};

bool RecordLess(const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b)
{
    return std::lexicographical_compare(a.dwWords, a.dwWords + 4, b.dwWords, b.dwWords + 4);
}

void AppendRecord(std::string& text, char sign, const SIGNATURE_RECORD& record)
{
    char digits[33];
    FormatRecordHex(record, digits);
    text += sign;
    text.append(digits, 32);
    text += "\r\n";
}

std::string Line(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string Line(const char* format, ...)
{
    char line[128];  // the clients read header lines of up to 127 characters
    std::va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof line, format, args);
    va_end(args);
    return std::string(line) + "\r\n";
}

// The end of the run of records in the bucket of records[begin].
std::size_t BucketEnd(const std::vector<SIGNATURE_RECORD>& records, std::size_t begin)
{
    std::size_t end = begin;
    while (end < records.size() && BucketOf(records[end]) == BucketOf(records[begin]))
        ++end;
    return end;
}

bool InLayoutOrder(const DATABASE& db)
{
    return std::is_sorted(db.records.begin(), db.records.end(),
                          [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) {
                              return BucketOf(a) < BucketOf(b);
                          });
}

struct CHANGES {
    std::string lines;
    std::size_t added = 0;
    std::size_t removed = 0;
};

// The lines that turn one chain into another. The client fills the chain from
// the old file in file order, each record at the head, so it starts as `old`
// reversed; "-" then takes out the first equal record and "+" puts one at the
// head. So: keep the longest tail of `target` that the chain can be cut down
// to, remove the rest, and push the missing head last to first.
void ChangeChain(const SIGNATURE_RECORD* old, std::size_t oldCount, const SIGNATURE_RECORD* target,
                 std::size_t count, CHANGES* changes)
{
    std::vector<SIGNATURE_RECORD> chain(old, old + oldCount);
    std::reverse(chain.begin(), chain.end());
    if (chain.size() == count && std::equal(chain.begin(), chain.end(), target))
        return;

    // Records of the chain sorted by value, then position. Of equal records
    // only the last ones can stay, since "-" takes out the first.
    std::vector<std::pair<SIGNATURE_RECORD, std::size_t>> sorted;
    for (std::size_t pos = 0; pos < chain.size(); ++pos)
        sorted.emplace_back(chain[pos], pos);
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return RecordLess(a.first, b.first) || (a.first == b.first && a.second < b.second);
    });
    std::vector<std::size_t> taken(sorted.size(), 0);  // per group of equal records
    std::vector<bool> kept(chain.size(), false);
    std::size_t tail = 0;
    std::size_t limit = chain.size();  // kept positions fall towards the head
    for (std::size_t t = count; t-- > 0;) {
        auto range = std::equal_range(sorted.begin(), sorted.end(), std::make_pair(target[t], std::size_t{0}),
                                      [](const auto& a, const auto& b) { return RecordLess(a.first, b.first); });
        std::size_t group = static_cast<std::size_t>(range.first - sorted.begin());
        std::size_t equal = static_cast<std::size_t>(range.second - range.first);
        if (equal == 0 || taken[group] == equal)
            break;
        std::size_t pos = sorted[group + equal - 1 - taken[group]].second;
        if (pos >= limit)
            break;
        ++taken[group];
        limit = pos;
        kept[pos] = true;
        ++tail;
    }
    for (std::size_t pos = 0; pos < chain.size(); ++pos) {
        if (!kept[pos]) {
            AppendRecord(changes->lines, '-', chain[pos]);
            ++changes->removed;
        }
    }
    for (std::size_t t = count - tail; t-- > 0;) {
        AppendRecord(changes->lines, '+', target[t]);
        ++changes->added;
    }
}

bool MakeFolder(const std::string& path)
{
#ifdef _WIN32
    return _mkdir(path.c_str()) == 0;
#else
    return mkdir(path.c_str(), 0755) == 0;
#endif
}

bool RemoveFolder(const std::string& path)
{
#ifdef _WIN32
    return _rmdir(path.c_str()) == 0;
#else
    return rmdir(path.c_str()) == 0;
#endif
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

int ProcessId()
{
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

// A tree being written: what was made is taken away again unless it is kept.
class CTree {
public:
    explicit CTree(std::string root) : m_root(std::move(root)) {}
    CTree(const CTree&) = delete;
    CTree& operator=(const CTree&) = delete;
    ~CTree()
    {
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) {
            if (it->second)
                RemoveFolder(it->first);
            else
                std::remove(it->first.c_str());
        }
    }

    std::string Path(const std::string& relative) const
    {
        return relative.empty() ? m_root : m_root + "/" + relative;
    }

    bool Folder(const std::string& relative, std::string* error)
    {
        std::string path = Path(relative);
        if (!MakeFolder(path)) {
            *error = path + ": cannot be created";
            return false;
        }
        m_made.emplace_back(path, true);
        return true;
    }

    // Remembers a file before it is written, so that a part is removed too.
    std::string File(const std::string& relative)
    {
        m_files.push_back(relative);
        m_made.emplace_back(Path(relative), false);
        return m_made.back().first;
    }

    // The files written so far, relative to the root.
    const std::vector<std::string>& Files() const { return m_files; }

    void Keep() { m_made.clear(); }

private:
    std::string m_root;
    std::vector<std::pair<std::string, bool>> m_made;  // path, is a folder
    std::vector<std::string> m_files;
};

bool CopyFile(const std::string& from, const std::string& to, std::string* error)
{
    FilePtr in = OpenFile(from.c_str(), "rb");
    if (!in) {
        *error = from + ": cannot be read";
        return false;
    }
    FilePtr out = OpenFile(to.c_str(), "wb");
    if (!out) {
        *error = to + ": cannot be written";
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[64 * 1024]);
    std::size_t got;
    while ((got = std::fread(buffer.get(), 1, 64 * 1024, in.get())) > 0) {
        if (std::fwrite(buffer.get(), 1, got, out.get()) != got) {
            *error = to + ": cannot be written";
            return false;
        }
    }
    if (std::ferror(in.get())) {
        *error = from + ": cannot be read";
        return false;
    }
    if (std::fclose(out.release()) != 0) {
        *error = to + ": cannot be written";
        return false;
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text, std::string* error)
{
    FilePtr out = OpenFile(path.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() ||
        std::fclose(out.release()) != 0) {
        *error = path + ": cannot be written";
        return false;
    }
    return true;
}

// "a.b.c.d", four numbers of 0 to 65535, as the client compares file versions.
bool ProgramVersion(const std::string& text, std::string* normal)
{
    unsigned parts[4];
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t start = pos;
        unsigned long value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && value <= 65535)
            value = value * 10 + static_cast<unsigned long>(text[pos++] - '0');
        if (pos == start || value > 65535 || pos - start > 5)
            return false;
        parts[i] = static_cast<unsigned>(value);
        if (i < 3 && (pos >= text.size() || text[pos++] != '.'))
            return false;
    }
    if (pos != text.size())
        return false;
    *normal = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) +
              "." + std::to_string(parts[3]);
    return true;
}

// The client lower-cases its manifest and asks for file/<name>; the name is
// kept to what any server and URL take as it is.
bool ProgramName(const std::string& text, std::string* name)
{
    name->clear();
    for (char c : text) {
        char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (!((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '.' ||
              lower == '_' || lower == '-'))
            return false;
        *name += lower;
    }
    return !name->empty() && name->size() < 260 && (*name)[0] != '.';
}

struct SERIES {
    const KIND* kind;
    std::vector<DATABASE> versions;
    std::vector<std::string> texts;  // their version texts
};

bool ReadSeries(const KIND& kind, const std::vector<std::string>& paths, SERIES* series, std::string* error)
{
    series->kind = &kind;
    for (const std::string& path : paths) {
        DATABASE db;
        if (!ReadDatabase(path, &db, error))
            return false;
        if (!InLayoutOrder(db)) {
            *error = path + ": records are not in ascending bucket order, so no client could rebuild it";
            return false;
        }
        if (db.nMajor < 0 || db.nMinor < 0) {
            *error = path + ": version " + VersionText(db) + " is negative";
            return false;
        }
        if (db.nMajor == 0 && db.nMinor == 0) {
            *error = path + ": version 0.0000 marks a database whose rewrite was cut short; publish from 0.0001 on";
            return false;
        }
        if (!series->versions.empty()) {
            const DATABASE& last = series->versions.back();
            if (std::make_pair(db.nMajor, db.nMinor) <= std::make_pair(last.nMajor, last.nMinor)) {
                *error = path + ": version " + VersionText(db) + " does not follow " + VersionText(last);
                return false;
            }
        }
        series->texts.push_back(VersionText(db));
        series->versions.push_back(std::move(db));
    }
    return true;
}

std::size_t CountLines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool WriteSeries(const SERIES& series, CTree& tree, std::string* log, std::string* error)
{
    const KIND& kind = *series.kind;
    const std::size_t count = series.versions.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = series.texts[i] + kind.serverMark;
        if (!WriteGzip(tree.File(name), FullListText(series.versions[i], kind.name), error))
            return false;
        *log += name + ": full list, " + std::to_string(series.versions[i].records.size()) + " records\n";
    }
    // Consecutive versions, and every older one straight to the newest: the
    // manifest names only the newest, so only those are fetched.
    for (std::size_t to = 1; to < count; ++to) {
        for (std::size_t from = 0; from < to; ++from) {
            if (from + 1 != to && to + 1 != count)
                continue;
            std::string name = "diff/" + series.texts[from] + "-" + series.texts[to] + kind.serverMark;
            std::string text = DifferenceText(series.versions[from], series.versions[to], kind.name);
            if (!WriteGzip(tree.File(name), text, error))
                return false;
            *log += name + ": difference, " + std::to_string(CountLines(text) - 1) + " lines\n";
        }
    }
    return true;
}

// The size and SHA-256 of the file at `path`.
bool DigestFile(const std::string& path, INDEX_FILE* file, std::string* error)
{
    FilePtr in = OpenFile(path.c_str(), "rb");
    CSha256 hash;
    std::unique_ptr<char[]> buffer(new char[64 * 1024]);
    file->size = 0;
    std::size_t got = 0;
    while (in && (got = std::fread(buffer.get(), 1, 64 * 1024, in.get())) > 0) {
        hash.Update(buffer.get(), got);
        file->size += got;
    }
    if (!in || std::ferror(in.get()) || !hash.Final(&file->digest)) {
        *error = path + ": cannot be read back";
        return false;
    }
    return true;
}

// The index's whole text, signed with `key`, and the line that reports it.
bool SignIndex(const RSA_KEY& key, const UPDATE_INDEX& index, std::string* text, std::string* log, std::string* error)
{
    const std::string body = FormatIndexBody(index);
    std::vector<std::uint8_t> signature;
    if (!SignRsaSha256(key, body.data(), body.size(), &signature)) {
        *error = "the index cannot be signed with that key";
        return false;
    }
    *text = body + FormatSignatureLine(signature);
    if (text->size() > kIndexSizeLimit) {
        *error = std::string(kIndexFile) + ": " + std::to_string(text->size()) + " bytes, more than the " +
                 std::to_string(kIndexSizeLimit) + " clients read; publish fewer versions or files";
        return false;
    }
    char expiry[32] = "?";
    const std::time_t expires = static_cast<std::time_t>(index.expires);
    if (const std::tm* utc = std::gmtime(&expires))
        std::strftime(expiry, sizeof expiry, "%Y-%m-%d %H:%M UTC", utc);
    *log += std::string(kIndexFile) + ": serial " + std::to_string(index.serial) + ", expires " + expiry + ", " +
            std::to_string(index.files.size()) + " files, " + std::to_string(index.databases.size()) +
            " database versions\n";
    return true;
}

// Signs the index of everything in `tree` and writes it as current.sig.
bool WriteIndex(const PUBLISH_JOB& job, const RSA_KEY& key, const std::vector<SERIES>& series, CTree& tree,
                std::string* log, std::string* error)
{
    UPDATE_INDEX index;
    index.serial = job.serial;
    index.expires = job.expires;
    if (!KeyId(key, &index.keyId)) {
        *error = "the signing key cannot be read";
        return false;
    }
    for (const std::string& relative : tree.Files()) {
        INDEX_FILE file;
        file.path = relative;
        if (!DigestFile(tree.Path(relative), &file, error))
            return false;
        index.files.push_back(file);
    }
    for (const SERIES& s : series) {
        for (std::size_t i = 0; i < s.versions.size(); ++i)
            index.databases.push_back({s.kind->name, s.texts[i], DatabaseDigest(s.versions[i])});
    }
    std::string text;
    return SignIndex(key, index, &text, log, error) && WriteText(tree.File(kIndexFile), text, error);
}

// The index at `path`, read and checked to be signed by `key`.
bool ReadOwnIndex(const std::string& path, const RSA_KEY& key, UPDATE_INDEX* index, std::string* error)
{
    std::string text;
    FilePtr in = OpenFile(path.c_str(), "rb");
    text.resize(kIndexSizeLimit + 1);
    text.resize(in ? std::fread(&text[0], 1, text.size(), in.get()) : 0);
    if (!in || std::ferror(in.get())) {
        *error = path + ": cannot be read";
        return false;
    }
    if (text.size() > kIndexSizeLimit || !ParseUpdateIndex(text.data(), text.size(), index)) {
        *error = path + ": not a well-formed update index";
        return false;
    }
    SHA256_DIGEST ours{};
    if (!KeyId(key, &ours) || ours != index->keyId ||
        !VerifyRsaSha256(key, text.data(), index->signedLength, index->signature)) {
        *error = path + ": not signed by this key; publish the tree anew to sign it with another";
        return false;
    }
    return true;
}

// Whether the files under `tree` are exactly those `index` lists, byte for
// byte. Its own file and a "busy" marker are not listed.
bool TreeMatchesIndex(const std::string& tree, const UPDATE_INDEX& index, std::string* error)
{
    namespace fs = std::filesystem;
    const fs::path root(tree);
    std::error_code failure;
    for (fs::recursive_directory_iterator it(root, failure), end; !failure && it != end; it.increment(failure)) {
        std::error_code kind;
        const std::string relative = it->path().lexically_relative(root).generic_string();
        if (it->is_directory(kind) || relative == kIndexFile || relative == "busy")
            continue;
        if (index.FindFile(relative.c_str()) == nullptr) {
            *error = tree + "/" + relative + ": not listed in " + kIndexFile + "; publish the tree anew";
            return false;
        }
    }
    if (failure) {
        *error = tree + ": cannot be read";
        return false;
    }
    for (const INDEX_FILE& listed : index.files) {
        INDEX_FILE found;
        if (!DigestFile(tree + "/" + listed.path, &found, error))
            return false;
        if (found.size != listed.size || found.digest != listed.digest) {
            *error = tree + "/" + listed.path + ": differs from " + kIndexFile + "; publish the tree anew";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string DatabaseFileBytes(const DATABASE& db)
{
    std::string bytes;
    bytes.reserve(kDbHeaderSize + kDbRecordSize * db.records.size());
    auto put = [&bytes](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>(value >> (8 * i)));
    };
    put(db.dwReserved);
    put(static_cast<std::uint32_t>(db.nMajor));
    put(static_cast<std::uint32_t>(db.nMinor));
    bytes.append(kDbHeaderSize - 12, '\0');
    for (const SIGNATURE_RECORD& record : db.records) {
        for (std::uint32_t word : record.dwWords)
            put(word);
    }
    return bytes;
}

bool ReadDatabase(const std::string& path, DATABASE* db, std::string* error)
{
    CDbFileReader reader;
    if (path.size() >= kPathSize || !reader.Open(path.c_str())) {
        *error = path + ": cannot be opened, or is shorter than a database header";
        return false;
    }
    db->dwReserved = reader.m_dwReserved;
    db->nMajor = reader.m_nMajor;
    db->nMinor = reader.m_nMinor;
    db->records.clear();
    SIGNATURE_RECORD record;
    while (reader.Next(&record))
        db->records.push_back(record);
    if (reader.Damaged()) {
        *error = path + ": ends inside a record, or cannot be read";
        return false;
    }
    return true;
}

bool ParseSigningKey(const std::string& pem, RSA_KEY* key, std::string* error)
{
    if (!ParsePrivateKeyPem(pem, key)) {
        *error = "not an RSA private key in PEM (BEGIN PRIVATE KEY or BEGIN RSA PRIVATE KEY)";
        return false;
    }
    if (key->Bits() < 2048 || key->Bits() % 16 != 0) {
        *error = "an RSA key of " + std::to_string(key->Bits()) +
                 " bits; clients take keys of at least 2048 bits, in multiples of 16";
        return false;
    }
    return true;
}

SHA256_DIGEST DatabaseDigest(const DATABASE& db)
{
    const std::string bytes = DatabaseFileBytes(db);
    SHA256_DIGEST digest{};
    Sha256(bytes.data() + kDbDigestOffset, bytes.size() - kDbDigestOffset, &digest);
    return digest;
}

std::string VersionText(const DATABASE& db)
{
    char text[24];
    FormatDbVersion(text, sizeof text, db.nMajor, db.nMinor);
    return text;
}

std::string FullListText(const DATABASE& db, const char* name)
{
    std::string text = Line("karvex %s %s full list, %lu records", name, VersionText(db).c_str(),
                            static_cast<unsigned long>(db.records.size()));
    text.reserve(text.size() + db.records.size() * 35);
    // Each record goes to the head of its chain, so within a bucket the list
    // names the records last to first.
    for (std::size_t begin = 0; begin < db.records.size();) {
        std::size_t end = BucketEnd(db.records, begin);
        for (std::size_t i = end; i-- > begin;)
            AppendRecord(text, '+', db.records[i]);
        begin = end;
    }
    return text;
}

std::string DifferenceText(const DATABASE& from, const DATABASE& to, const char* name)
{
    CHANGES changes;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < from.records.size() || j < to.records.size()) {
        std::uint32_t bucket = 0xFFFFFFFF;
        if (i < from.records.size())
            bucket = BucketOf(from.records[i]);
        if (j < to.records.size())
            bucket = std::min(bucket, BucketOf(to.records[j]));
        std::size_t iEnd = i < from.records.size() && BucketOf(from.records[i]) == bucket
                               ? BucketEnd(from.records, i)
                               : i;
        std::size_t jEnd = j < to.records.size() && BucketOf(to.records[j]) == bucket ? BucketEnd(to.records, j) : j;
        ChangeChain(from.records.data() + i, iEnd - i, to.records.data() + j, jEnd - j, &changes);
        i = iEnd;
        j = jEnd;
    }
    return Line("karvex %s %s-%s difference, +%lu -%lu", name, VersionText(from).c_str(), VersionText(to).c_str(),
                static_cast<unsigned long>(changes.added), static_cast<unsigned long>(changes.removed)) +
           changes.lines;
}

bool WriteGzip(const std::string& path, const std::string& data, std::string* error)
{
    *error = path + ": cannot be written";
    FilePtr out = OpenFile(path.c_str(), "wb");
    z_stream z{};
    if (!out || deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    struct Ender {
        z_stream* z;
        ~Ender() { deflateEnd(z); }
    } ender{&z};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    unsigned char buffer[64 * 1024];
    int rc;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = deflate(&z, Z_FINISH);
        std::size_t produced = sizeof buffer - z.avail_out;
        if (rc == Z_STREAM_ERROR || std::fwrite(buffer, 1, produced, out.get()) != produced)
            return false;
    } while (rc != Z_STREAM_END);
    if (std::fclose(out.release()) != 0)
        return false;
    error->clear();
    return true;
}

bool Publish(const PUBLISH_JOB& job, std::string* log, std::string* error)
{
    if (job.outDir.empty() || PathExists(job.outDir)) {
        *error = job.outDir + ": already exists; publish into a new folder";
        return false;
    }

    // Everything that can be refused is refused before anything is written.
    std::vector<SERIES> series;
    for (int k = 0; k < 3; ++k) {
        if (job.databases[k].empty())
            continue;
        series.emplace_back();
        if (!ReadSeries(kKinds[k], job.databases[k], &series.back(), error))
            return false;
    }
    std::vector<PROGRAM_FILE> files;
    for (const PROGRAM_FILE& file : job.files) {
        PROGRAM_FILE checked;
        checked.path = file.path;
        if (!ProgramName(file.name, &checked.name)) {
            *error = file.path + ": \"" + file.name + "\" is not a plain file name (letters, digits, . _ -)";
            return false;
        }
        if (!ProgramVersion(file.version, &checked.version)) {
            *error = file.path + ": \"" + file.version + "\" is not a file version a.b.c.d";
            return false;
        }
        for (const PROGRAM_FILE& other : files) {
            if (other.name == checked.name) {
                *error = file.path + ": a second file named " + checked.name;
                return false;
            }
        }
        files.push_back(checked);
    }
    if (series.empty() && files.empty()) {
        *error = job.outDir + ": nothing to publish";
        return false;
    }
    RSA_KEY key;
    if (!ParseSigningKey(job.signingKeyPem, &key, error)) {
        *error = "the signing key: " + *error;
        return false;
    }

    std::string manifest;
    CTree tree(job.outDir + ".tmp-" + std::to_string(ProcessId()));
    if (!tree.Folder("", error))
        return false;
    bool anyDifference = false;
    for (const SERIES& s : series)
        anyDifference = anyDifference || s.versions.size() > 1;
    if (anyDifference && !tree.Folder("diff", error))
        return false;
    for (const SERIES& s : series) {
        if (!WriteSeries(s, tree, log, error))
            return false;
        manifest += s.texts.back() + s.kind->manifestMark + "\r\n";
    }
    if (!files.empty() && !tree.Folder("file", error))
        return false;
    for (const PROGRAM_FILE& file : files) {
        if (!CopyFile(file.path, tree.File("file/" + file.name), error))
            return false;
        manifest += file.version + "#" + file.name + "\r\n";
        *log += "file/" + file.name + ": " + file.version + "\n";
    }
    if (!WriteText(tree.File("current.ver"), manifest, error) || !WriteIndex(job, key, series, tree, log, error))
        return false;
    if (std::rename(tree.Path("").c_str(), job.outDir.c_str()) != 0) {
        *error = job.outDir + ": the finished tree cannot be moved there";
        return false;
    }
    tree.Keep();
    return true;
}

bool Resign(const std::string& tree, const std::string& signingKeyPem, std::uint32_t serial, std::uint64_t expires,
            std::string* log, std::string* error)
{
    RSA_KEY key;
    if (!ParseSigningKey(signingKeyPem, &key, error)) {
        *error = "the signing key: " + *error;
        return false;
    }
    const std::string path = tree + "/" + kIndexFile;
    UPDATE_INDEX index;
    if (!ReadOwnIndex(path, key, &index, error) || !TreeMatchesIndex(tree, index, error))
        return false;
    if (serial < index.serial) {
        *error = path + ": serial " + std::to_string(index.serial) + " is above " + std::to_string(serial) +
                 ", and clients that took it refuse a lower one";
        return false;
    }
    index.serial = serial;
    index.expires = expires;
    std::string text;
    if (!SignIndex(key, index, &text, log, error))
        return false;
    // Written beside it and renamed over it: a client reads the old index or
    // the new one, and both vouch for the same files.
    CTree written(tree);
    const std::string temporary = written.File(std::string(kIndexFile) + ".tmp-" + std::to_string(ProcessId()));
    FilePtr out = OpenFile(temporary.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() || !FlushToDisk(out.get()) ||
        std::fclose(out.release()) != 0 || !ReplaceFileAtomically(temporary.c_str(), path.c_str())) {
        *error = path + ": cannot be replaced";
        return false;
    }
    written.Keep();
    return true;
}

}  // namespace karvex::publisher
