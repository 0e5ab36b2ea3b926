#include "tests/wine/support/update_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>

#include "client/update/gunzip.h"
#include "client/update/update_index.h"
#include "common/std_file.h"
#include "common/win/registry.h"
#include "test_keys.h"
#include "tests/wine/support/install.h"

namespace karvex::test {

namespace {

constexpr char kRoot[] = "C:\\KarvexServer";
constexpr char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Tree()
{
    return std::string(kRoot) + "\\srv\\ieupdate";
}

}  // namespace

UpdateServer::UpdateServer()
{
    DeleteTree(Tree());
    ClearFaults();
    DeleteTree(std::string(kRoot) + "\\work");
    ::CreateDirectoryA((std::string(kRoot) + "\\work").c_str(), nullptr);
    m_logStart = ReadFileAt(std::string(kRoot) + "\\access.log").size();
    const std::string port = ReadFileAt(std::string(kRoot) + "\\port");
    EXPECT_FALSE(port.empty()) << "the update servers are not running (wine.servers.start)";
    RouteTo("127.0.0.1:" + port.substr(0, port.find_first_of("\r\n")));
}

UpdateServer::~UpdateServer()
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kInternetSettings) == ERROR_SUCCESS) {
        key.SetDword("ProxyEnable", 0);
        key.DeleteValue("ProxyServer");
    }
}

std::string UpdateServer::Root()
{
    return kRoot;
}

std::string UpdateServer::Work(const std::string& name)
{
    return std::string(kRoot) + "\\work\\" + name;
}

void UpdateServer::Publish(publisher::PUBLISH_JOB job) const
{
    DeleteTree(Tree());
    job.outDir = Tree();
    if (job.signingKeyPem.empty())
        job.signingKeyPem = kTestPrivateKeyPem;
    if (job.serial == 0)
        job.serial = ++m_serial;
    if (job.expires == 0)
        job.expires = UnixTimeNow() + 24 * 60 * 60;
    std::string log;
    std::string error;
    ASSERT_TRUE(publisher::Publish(job, &log, &error)) << error;
}

void UpdateServer::WriteTreeFile(const std::string& relative, const std::string& content) const
{
    WriteFileAt(Tree() + "\\" + relative, content);
}

void UpdateServer::PublishTreeFile(const std::string& relative, const std::string& content) const
{
    WriteTreeFile(relative, content);
    SignTree(kTestPrivateKeyPem, ++m_serial, UnixTimeNow() + 24 * 60 * 60);
}

void UpdateServer::SignTree(const char* privateKeyPem, std::uint32_t serial, std::uint64_t expires) const
{
    const std::string indexPath = Tree() + "\\" + kIndexFile;
    // The database digests stay; a tree without an index gets its first.
    const std::string old = ReadFileAt(indexPath);
    UPDATE_INDEX index;
    ParseUpdateIndex(old.data(), old.size(), &index);
    index.files.clear();
    // Every file under the tree, named as the client asks for it.
    std::vector<std::string> folders = {""};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAA found;
        UniqueFind find(::FindFirstFileA((Tree() + "\\" + folder + "*").c_str(), &found));
        for (bool more = bool(find); more; more = ::FindNextFileA(find.get(), &found) != FALSE) {
            const std::string name = found.cFileName;
            if (name == "." || name == ".." || (folder.empty() && name == kIndexFile))
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(folder + name + "\\");
                continue;
            }
            INDEX_FILE file;
            file.path = folder + name;
            std::replace(file.path.begin(), file.path.end(), '\\', '/');
            ASSERT_TRUE(Sha256OfFile((Tree() + "\\" + folder + name).c_str(), 0, &file.digest, &file.size));
            index.files.push_back(file);
        }
    }
    RSA_KEY key;
    ASSERT_TRUE(ParsePrivateKeyPem(privateKeyPem, &key));
    ASSERT_TRUE(KeyId(key, &index.keyId));
    index.serial = serial;
    index.expires = expires;
    const std::string body = FormatIndexBody(index);
    std::vector<std::uint8_t> signature;
    ASSERT_TRUE(SignRsaSha256(key, body.data(), body.size(), &signature));
    WriteFileAt(indexPath, body + FormatSignatureLine(signature));
}

void UpdateServer::RemoveTreeFile(const std::string& relative) const
{
    ::DeleteFileA((Tree() + "\\" + relative).c_str());
}

std::string UpdateServer::ReadTreeFile(const std::string& relative) const
{
    return ReadFileAt(Tree() + "\\" + relative);
}

void UpdateServer::SetFault(const std::string& host, const std::string& path, const char* kind) const
{
    std::string file = std::string(kRoot) + "\\faults\\" + host + path + "." + kind;
    std::replace(file.begin(), file.end(), '/', '\\');
    WriteFileAt(file, "");
}

void UpdateServer::ClearFaults() const
{
    DeleteTree(std::string(kRoot) + "\\faults");
    ::CreateDirectoryA((std::string(kRoot) + "\\faults").c_str(), nullptr);
}

void UpdateServer::RouteToNowhere() const
{
    RouteTo("127.0.0.1:1");
}

void UpdateServer::RouteTo(const std::string& proxy) const
{
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kInternetSettings), ERROR_SUCCESS);
    key.SetDword("ProxyEnable", 1);
    key.SetText("ProxyServer", proxy.c_str());
}

std::vector<std::string> UpdateServer::Requests() const
{
    std::vector<std::string> requests;
    const std::string log = ReadFileAt(std::string(kRoot) + "\\access.log");
    std::istringstream lines(log.size() > m_logStart ? log.substr(m_logStart) : std::string());
    std::string line;
    while (std::getline(lines, line)) {
        // Without the byte count, which the tests do not look at.
        const size_t last = line.find_last_of(' ');
        requests.push_back(last == std::string::npos ? line : line.substr(0, last));
    }
    return requests;
}

std::vector<std::string> UpdateServer::RequestsFor(const std::string& part) const
{
    std::vector<std::string> found;
    for (const std::string& request : Requests()) {
        if (request.find(part) != std::string::npos)
            found.push_back(request);
    }
    return found;
}

std::vector<SIGNATURE_RECORD> SortedRecords(std::size_t count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<SIGNATURE_RECORD> records(count);
    for (SIGNATURE_RECORD& record : records) {
        for (std::uint32_t& word : record.dwWords)
            word = static_cast<std::uint32_t>(random());
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) { return BucketOf(a) < BucketOf(b); });
    return records;
}

std::string DatabaseBytes(std::int32_t major, std::int32_t minor, const std::vector<SIGNATURE_RECORD>& records)
{
    publisher::DATABASE db;
    db.nMajor = major;
    db.nMinor = minor;
    db.records = records;
    return publisher::DatabaseFileBytes(db);
}

std::vector<SIGNATURE_RECORD> ChangedRecords(const std::vector<SIGNATURE_RECORD>& records, std::size_t step,
                                             std::size_t added, std::uint32_t seed)
{
    std::vector<SIGNATURE_RECORD> changed;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i % step != 0)
            changed.push_back(records[i]);
    }
    for (const SIGNATURE_RECORD& record : SortedRecords(added, seed))
        changed.push_back(record);
    std::stable_sort(changed.begin(), changed.end(),
                     [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) { return BucketOf(a) < BucketOf(b); });
    return changed;
}

std::string GzipOf(const std::string& text)
{
    const std::string path = UpdateServer::Work("list.gz");
    std::string error;
    ::DeleteFileA(path.c_str());
    EXPECT_TRUE(publisher::WriteGzip(path, text, &error)) << error;
    return ReadFileAt(path);
}

std::string GunzipOf(const std::string& gzip)
{
    const std::string source = UpdateServer::Work("in.gz");
    const std::string text = UpdateServer::Work("out.txt");
    WriteFileAt(source, gzip);
    ::DeleteFileA(text.c_str());
    EXPECT_TRUE(GunzipFile(source.c_str(), text.c_str()));
    return ReadFileAt(text);
}

std::uint64_t UnixTimeNow()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000ull) / 10000000ull;
}

std::vector<std::string> UpdaterTempFiles()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA((TempFolder() + "*").c_str(), &found));
    if (!find)
        return names;
    do {
        const std::string name = found.cFileName;
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
            names.push_back(name);
    } while (::FindNextFileA(find.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace karvex::test
