// Figures for a whole update pass of the client against local servers, run
// under Wine by bench/update_bench.sh (which starts nginx and routes the
// prefix's proxy to it): the time from "立即更新" to the pass's result for a
// 1 % difference of a 149,808-record url.db and for its full list, each beside
// the library's own apply (decompress, rebuild) of the same files in the same
// run, the cost of checking url.db's digest against the signed index (which
// every pass that rewrites it pays), and the client's memory during the
// passes against its idle figure.
//
// usage: update_bench.exe [--records N] [--repeat N]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "client/res/resource.h"
#include "client/update/gunzip.h"
#include "client/update/signature_db.h"
#include "client/update/update_index.h"
#include "common/component.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/win/registry.h"
#include "test_keys.h"
#include "tests/wine/support/alert_recorder.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/wait.h"
#include "tools/publisher/publish.h"

namespace karvex::bench {

namespace {

constexpr char kBench[] = "C:\\KarvexBench";
constexpr char kTree[] = "C:\\KarvexServer\\srv\\ieupdate";

struct SETUP {
    std::size_t records = 149808;
    int repeat = 5;
};

[[noreturn]] void Die(const std::string& message)
{
    std::fprintf(stderr, "update_bench: %s\n", message.c_str());
    std::exit(1);
}

std::string Bench(const std::string& name)
{
    return std::string(kBench) + "\\" + name;
}

std::string ReadAll(const std::string& path)
{
    FilePtr file = OpenFile(path.c_str(), "rb");
    std::string bytes;
    char buffer[65536];
    std::size_t n;
    while (file && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, n);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    FilePtr file = OpenFile(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        Die(path + ": cannot be written");
}

// An url.db of version 1.<minor>.
std::string DatabaseBytes(std::int32_t minor, const std::vector<SIGNATURE_RECORD>& records)
{
    publisher::DATABASE db;
    db.nMajor = 1;
    db.nMinor = minor;
    db.records = records;
    return publisher::DatabaseFileBytes(db);
}

void SortByBucket(std::vector<SIGNATURE_RECORD>& records)
{
    std::stable_sort(records.begin(), records.end(),
                     [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) { return BucketOf(a) < BucketOf(b); });
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

// Version 1.0001 (installed), 1.0002 (1 % changed: half of it removals, half
// new records) and 1.0000 (a few records, for which no difference exists).
// The first two are written by the client's own code, as every installed
// database and every version a publisher makes from one is: loading a
// database reverses each chain, so the difference between two databases in
// any other order would list nearly every record again.
struct VERSIONS {
    std::string base;
    std::string next;
    std::string stale;
};

VERSIONS Prepare(const SETUP& setup)
{
    std::mt19937 random(20240601);
    auto randomRecord = [&random] {
        SIGNATURE_RECORD record;
        for (std::uint32_t& word : record.dwWords)
            word = static_cast<std::uint32_t>(random());
        return record;
    };
    const std::string folder = Bench("make");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    RunningFlag running{1};
    CSignatureDb db;
    db.m_pszFile = "url.db";
    std::vector<SIGNATURE_RECORD> base(setup.records);
    for (SIGNATURE_RECORD& record : base)
        db.Insert(record = randomRecord());
    db.m_nMajor = 1;
    db.m_nMinor = 1;
    if (!db.Save(folder.c_str(), running))
        Die(folder + ": url.db 1.0001 cannot be written");
    db.FreeRecords();
    VERSIONS versions;
    versions.base = ReadAll(folder + "\\url.db");

    const std::size_t changes = setup.records / 100;
    if (!db.LoadRecords(folder.c_str(), running))
        Die(folder + ": url.db 1.0001 cannot be read back");
    for (std::size_t i = 0; i < changes / 2; ++i)
        db.Remove(base[random() % base.size()]);
    for (std::size_t i = 0; i < changes - changes / 2; ++i)
        db.Insert(randomRecord());
    db.m_nMinor = 2;
    if (!db.Save(folder.c_str(), running))
        Die(folder + ": url.db 1.0002 cannot be written");
    db.FreeRecords();
    versions.next = ReadAll(folder + "\\url.db");
    SortByBucket(base);
    versions.stale = DatabaseBytes(0, std::vector<SIGNATURE_RECORD>(base.begin(), base.begin() + 10));
    WriteAll(Bench("url-1.db"), versions.base);
    WriteAll(Bench("url-2.db"), versions.next);

    test::DeleteTree(kTree);
    publisher::PUBLISH_JOB job;
    job.outDir = kTree;
    job.databases[0] = {Bench("url-1.db"), Bench("url-2.db")};
    job.signingKeyPem = test::kTestPrivateKeyPem;
    job.serial = 1;
    job.expires = 0xFFFFFFFFu;
    std::string log;
    std::string error;
    if (!publisher::Publish(job, &log, &error))
        Die(error);
    return versions;
}

// The library's own apply of a downloaded file: decompress, rebuild url.db.
double LibraryApply(const SETUP& setup, const std::string& download, bool difference, const VERSIONS& versions)
{
    const std::string folder = Bench("library");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string list = folder + "\\list";
    double best = 1e300;
    for (int i = 0; i < setup.repeat; ++i) {
        WriteAll(folder + "\\url.db", difference ? versions.base : versions.stale);
        RunningFlag running{1};
        CSignatureDb db;
        db.m_pszFile = "url.db";
        const LARGE_INTEGER start = Now();
        db.ReadHeader(folder.c_str());
        const bool applied = GunzipFile(download.c_str(), list.c_str()) &&
                             db.ApplyUpdate(folder.c_str(), list.c_str(), difference, "1.0002", running) == 0;
        const LARGE_INTEGER end = Now();
        std::remove(list.c_str());
        if (!applied || ReadAll(folder + "\\url.db") != versions.next)
            Die(download + ": the library's apply failed");
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

// The SHA-256 of url.db from offset 4, as the client checks it against the
// index after each rewrite.
double VerifyDigest(const SETUP& setup, const VERSIONS& versions)
{
    const std::string path = Bench("library\\url.db");
    WriteAll(path, versions.next);
    double best = 1e300;
    for (int i = 0; i < setup.repeat; ++i) {
        SHA256_DIGEST digest;
        std::uint64_t size = 0;
        const LARGE_INTEGER start = Now();
        const bool hashed = Sha256OfFile(path.c_str(), kDbDigestOffset, &digest, &size);
        const LARGE_INTEGER end = Now();
        if (!hashed)
            Die(path + ": its digest cannot be taken");
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

struct MEMORY {
    double workingSet;
    double privateBytes;
    double peakWorkingSet;
    double peakPrivateBytes;
};

MEMORY MemoryOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, &counters, sizeof counters))
        Die("the client's memory cannot be read");
    const double mb = 1024.0 * 1024.0;
    return {counters.WorkingSetSize / mb, counters.PagefileUsage / mb, counters.PeakWorkingSetSize / mb,
            counters.PeakPagefileUsage / mb};
}

class Client {
public:
    explicit Client(const test::InstallFolder& folder)
    {
        std::string commandLine = "\"" + folder.Client() + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info))
            Die("the client does not start");
        ::CloseHandle(info.hThread);
        m_process = info.hProcess;
        test::WaitUntil([&] {
            HWND window = nullptr;
            while ((window = ::FindWindowExA(nullptr, window, kTrayWindowClass, nullptr)) != nullptr) {
                DWORD id = 0;
                ::GetWindowThreadProcessId(window, &id);
                if (id == info.dwProcessId)
                    m_tray = window;
            }
            return m_tray != nullptr;
        });
        if (m_tray == nullptr)
            Die("the client shows no tray window");
    }
    ~Client()
    {
        ::PostMessageA(m_tray, WM_COMMAND, ID_TRAY_EXIT, 0);
        if (::WaitForSingleObject(m_process, 10000) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process, 1);
        ::CloseHandle(m_process);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    HANDLE Process() const { return m_process; }
    HWND Tray() const { return m_tray; }

private:
    HANDLE m_process = nullptr;
    HWND m_tray = nullptr;
};

// A whole pass: from "立即更新" to the result arriving at the tray window.
double Pass(const SETUP& setup, const Client& client, const test::AlertRecorder& alerts,
            const test::InstallFolder& folder, const std::string& installed, const VERSIONS& versions)
{
    double best = 1e300;
    for (int i = 0; i < setup.repeat; ++i) {
        folder.Write("url.db", installed);
        const std::size_t seen = alerts.Alerts().size();
        const LARGE_INTEGER start = Now();
        ::PostMessageA(client.Tray(), WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
        const WPARAM alert = alerts.WaitForAlert(seen, 120000);
        const LARGE_INTEGER end = alerts.ArrivalTime(seen);
        if (alert != ALERT_UPDATE_OK || folder.Read("url.db") != versions.next)
            Die("the client's pass failed (alert " + std::to_string(alert) + ")");
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

const char* Met(bool met)
{
    return met ? "met" : "NOT met";
}

int Run(const SETUP& setup)
{
    ::CreateDirectoryA(kBench, nullptr);
    const VERSIONS versions = Prepare(setup);
    const std::string difference = std::string(kTree) + "\\diff\\1.0001-1.0002";
    const std::string full = std::string(kTree) + "\\1.0002";
    const double libraryDifference = LibraryApply(setup, difference, true, versions);
    const double libraryFull = LibraryApply(setup, full, false, versions);
    const double verify = VerifyDigest(setup, versions);

    // An installed client whose only item in the manifest is url.db.
    test::ResetRegistry();
    test::InstallFolder folder("UpdateBench");
    if (!RegisterComponent(folder.File("karvex.dll").c_str()))
        Die("the component does not register");
    {
        RegKey settings;
        if (settings.Open(HKEY_CURRENT_USER, kSettingsKey) != ERROR_SUCCESS ||
            settings.SetText("update", "0,0,0.0.0") != ERROR_SUCCESS)
            Die("the settings cannot be written");
        RegKey internet;
        const std::string port = ReadAll("C:\\KarvexServer\\port");
        if (port.empty() ||
            internet.Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings") !=
                ERROR_SUCCESS)
            Die("the servers are not running");
        internet.SetDword("ProxyEnable", 1);
        internet.SetText("ProxyServer", ("127.0.0.1:" + port.substr(0, port.find_first_of("\r\n"))).c_str());
    }
    folder.Write("url.db", versions.base);

    test::AlertRecorder alerts;
    Client client(folder);
    alerts.Raise();
    ::Sleep(1000);
    const MEMORY idle = MemoryOf(client.Process());
    const double passDifference = Pass(setup, client, alerts, folder, versions.base, versions);
    const MEMORY afterDifference = MemoryOf(client.Process());
    const double passFull = Pass(setup, client, alerts, folder, versions.stale, versions);
    const MEMORY afterFull = MemoryOf(client.Process());

    const double goalDifference = 1.5 * libraryDifference + 100;
    const double goalVerified = libraryDifference + 40;
    const double goalFull = 1.5 * libraryFull + 100;
    std::printf("url.db: %zu records, difference of %zu changes (%zu bytes; full list %zu bytes), best of %d\n",
                setup.records, setup.records / 100, ReadAll(difference).size(), ReadAll(full).size(), setup.repeat);
    std::printf("library apply, difference     %8.1f ms\n", libraryDifference);
    std::printf("update pass, difference       %8.1f ms   goal <= 1.5 x apply + 100 ms = %.1f ms: %s\n",
                passDifference, goalDifference, Met(passDifference <= goalDifference));
    std::printf("                                           goal <= apply + 40 ms, index checked = %.1f ms: %s\n",
                goalVerified, Met(passDifference <= goalVerified));
    std::printf("checking url.db's digest      %8.1f ms   (SHA-256 of %zu bytes, in each pass above)\n", verify,
                versions.next.size() - kDbDigestOffset);
    std::printf("library apply, full list      %8.1f ms\n", libraryFull);
    std::printf("update pass, full list        %8.1f ms   goal <= 1.5 x apply + 100 ms = %.1f ms: %s\n", passFull,
                goalFull, Met(passFull <= goalFull));
    std::printf("client idle                   working set %6.2f MB, private %6.2f MB\n", idle.workingSet,
                idle.privateBytes);
    const double peakAbove = std::max(afterFull.peakWorkingSet - idle.workingSet,
                                      afterFull.peakPrivateBytes - idle.privateBytes);
    std::printf("client peak, difference passes working set %6.2f MB, private %6.2f MB\n",
                afterDifference.peakWorkingSet, afterDifference.peakPrivateBytes);
    std::printf("client peak, all passes       working set %6.2f MB, private %6.2f MB   "
                "(+%.2f MB above idle; goal <= 16 MB: %s)\n",
                afterFull.peakWorkingSet, afterFull.peakPrivateBytes, peakAbove, Met(peakAbove <= 16));
    return 0;
}

}  // namespace

}  // namespace karvex::bench

int main(int argc, char** argv)
{
    karvex::bench::SETUP setup;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--records") == 0)
            setup.records = static_cast<std::size_t>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (std::strcmp(argv[i], "--repeat") == 0)
            setup.repeat = std::atoi(argv[i + 1]);
    }
    if (setup.records < 100 || setup.repeat < 1) {
        std::fputs("usage: update_bench.exe [--records N] [--repeat N]\n", stderr);
        return 2;
    }
    return karvex::bench::Run(setup);
}
