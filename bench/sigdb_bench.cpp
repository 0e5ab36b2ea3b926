// Figures for the database update on the largest shipped database: time of
// the full update (decompress, load, save) against plain inflate of the same
// download, time of a difference update against the full one, and the peak
// memory of each, measured in a fresh process per phase.
//
// usage: sigdb_bench [--records N] [--changes N] [--repeat N] [--dir DIR]
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "client/update/gunzip.h"
#include "client/update/signature_db.h"
#include "tools/publisher/publish.h"

namespace karvex::bench {

namespace {

struct SETUP {
    std::size_t records = 149808;
    std::size_t changes = 1500;
    int repeat = 7;
    std::string dir;
};

std::string In(const SETUP& setup, const char* name)
{
    return setup.dir + "/" + name;
}

[[noreturn]] void Die(const std::string& message)
{
    std::fprintf(stderr, "sigdb_bench: %s\n", message.c_str());
    std::exit(1);
}

void CopyBytes(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    if (!out)
        Die(to + ": cannot be written");
}

// The base database (version 1.0001), its full list and a difference of
// `changes` lines: half removals of present records, half new records.
void Prepare(const SETUP& setup)
{
    std::mt19937 random(20240601);
    publisher::DATABASE base;
    base.nMajor = 1;
    base.nMinor = 1;
    base.records.resize(setup.records);
    for (SIGNATURE_RECORD& r : base.records) {
        for (std::uint32_t& w : r.dwWords)
            w = static_cast<std::uint32_t>(random());
    }
    std::stable_sort(base.records.begin(), base.records.end(),
                     [](const SIGNATURE_RECORD& a, const SIGNATURE_RECORD& b) { return BucketOf(a) < BucketOf(b); });
    std::string error;
    if (!publisher::WriteGzip(In(setup, "full.gz"), publisher::FullListText(base, "url.db"), &error))
        Die(error);

    std::string diff = "karvex url.db 1.0001-1.0002 difference\r\n";
    char digits[33];
    for (std::size_t i = 0; i < setup.changes; ++i) {
        SIGNATURE_RECORD r = base.records[random() % base.records.size()];
        char sign = '-';
        if (i % 2 == 1) {
            for (std::uint32_t& w : r.dwWords)
                w = static_cast<std::uint32_t>(random());
            sign = '+';
        }
        FormatRecordHex(r, digits);
        diff += sign + std::string(digits) + "\r\n";
    }
    if (!publisher::WriteGzip(In(setup, "diff.gz"), diff, &error))
        Die(error);

    // The live database as the client would have written it from the full list.
    RunningFlag running{1};
    CSignatureDb db;
    db.m_pszFile = "base.db";
    std::string list = In(setup, "list");
    std::remove(list.c_str());
    if (!GunzipFile(In(setup, "full.gz").c_str(), list.c_str()) ||
        db.ApplyUpdate(setup.dir.c_str(), list.c_str(), false, "1.0001", running) != 0)
        Die("the base database cannot be built");
    std::remove(list.c_str());
}

// Reading the download and inflating it into memory, nothing else.
void PlainInflate(const SETUP& setup)
{
    FilePtr file = OpenFile(In(setup, "full.gz").c_str(), "rb");
    std::vector<unsigned char> packed;
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        Die("full.gz cannot be read");
    packed.resize(static_cast<std::size_t>(std::ftell(file.get())));
    std::rewind(file.get());
    if (std::fread(packed.data(), 1, packed.size(), file.get()) != packed.size())
        Die("full.gz cannot be read");
    z_stream z{};
    if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK)
        Die("inflateInit2");
    static unsigned char out[256 * 1024];
    z.next_in = packed.data();
    z.avail_in = static_cast<uInt>(packed.size());
    int rc;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
    } while (rc == Z_OK);
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        Die("full.gz does not inflate");
}

// The client's step: decompress into a second file, rebuild url.db, delete it.
void Update(const SETUP& setup, const char* download, bool difference)
{
    RunningFlag running{1};
    CSignatureDb db;
    db.m_pszFile = "url.db";
    db.ReadHeader(setup.dir.c_str());
    std::string list = In(setup, "list");
    if (!GunzipFile(In(setup, download).c_str(), list.c_str()))
        Die(std::string(download) + ": cannot be decompressed");
    int result = db.ApplyUpdate(setup.dir.c_str(), list.c_str(), difference, "1.0002", running);
    std::remove(list.c_str());
    if (result != 0)
        Die(std::string(download) + ": the update failed");
}

void FullUpdate(const SETUP& setup)
{
    Update(setup, "full.gz", false);
}

void DifferenceUpdate(const SETUP& setup)
{
    Update(setup, "diff.gz", true);
}

void RestoreLive(const SETUP& setup)
{
    CopyBytes(In(setup, "base.db"), In(setup, "url.db"));
}

// Best of `repeat` runs, in milliseconds; `before` runs untimed ahead of each.
double Time(const SETUP& setup, void (*phase)(const SETUP&), void (*before)(const SETUP&))
{
    double best = 1e300;
    for (int i = 0; i < setup.repeat; ++i) {
        before(setup);
        auto start = std::chrono::steady_clock::now();
        phase(setup);
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Peak resident memory, in MB, of a fresh process that runs one phase: the
// process reports its own high-water mark, which starts anew at exec.
double PeakMemory(const SETUP& setup, const char* phase)
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        Die("/proc/self/exe cannot be read");
    self[length] = '\0';
    std::string command = "'" + std::string(self) + "' --phase " + phase + " '" + setup.dir + "'";
    std::FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        Die("popen");
    double kilobytes = -1;
    if (std::fscanf(child, "%lf", &kilobytes) != 1)
        kilobytes = -1;
    if (pclose(child) != 0 || kilobytes < 0)
        Die(std::string("the ") + phase + " phase failed");
    return kilobytes / 1024.0;
}

long HighWaterKilobytes()
{
    FilePtr status = OpenFile("/proc/self/status", "r");
    char line[256];
    long kilobytes = -1;
    while (status && std::fgets(line, sizeof line, status.get()) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1)
            break;
    }
    return kilobytes;
}

int RunPhase(const char* phase, const char* dir)
{
    SETUP setup;
    setup.dir = dir;
    if (std::strcmp(phase, "full") == 0) {
        FullUpdate(setup);
    } else if (std::strcmp(phase, "diff") == 0) {
        RestoreLive(setup);
        DifferenceUpdate(setup);
    } else if (std::strcmp(phase, "inflate") == 0) {
        PlainInflate(setup);
    } else if (std::strcmp(phase, "idle") != 0) {
        return 2;
    }
    std::printf("%ld\n", HighWaterKilobytes());
    return 0;
}

void Nothing(const SETUP&) {}

void RemoveAll(const SETUP& setup)
{
    for (const char* name : {"full.gz", "diff.gz", "base.db", "url.db", "list"})
        std::remove(In(setup, name).c_str());
    rmdir(setup.dir.c_str());
}

const char* Verdict(bool met)
{
    return met ? "met" : "MISSED";
}

}  // namespace

int Main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--phase") == 0)
        return RunPhase(argv[2], argv[3]);
    SETUP setup;
    bool ownDir = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--records")
            setup.records = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--changes")
            setup.changes = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--repeat")
            setup.repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--dir")
            setup.dir = argv[i + 1], ownDir = false;
        else
            Die("unknown option " + option);
    }
    if (ownDir) {
        char pattern[] = "/tmp/sigdb_bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            Die("no temporary folder");
        setup.dir = pattern;
    }
#ifndef __OPTIMIZE__
    std::printf("note: built without optimisation; configure with -DCMAKE_BUILD_TYPE=Release for real figures\n");
#endif
    std::printf("database: %zu records, difference: %zu changes, best of %d runs, in %s\n", setup.records,
                setup.changes, setup.repeat, setup.dir.c_str());
    Prepare(setup);

    double inflate = Time(setup, PlainInflate, Nothing);
    double full = Time(setup, FullUpdate, Nothing);
    double difference = Time(setup, DifferenceUpdate, RestoreLive);
    double fullRatio = full / inflate;
    double differenceRatio = difference / full;
    std::printf("plain inflate of the full list      %8.2f ms\n", inflate);
    std::printf("full update (gunzip + load + save)  %8.2f ms   ratio to inflate %.2f (goal <= 1.5: %s)\n", full,
                fullRatio, Verdict(fullRatio <= 1.5));
    std::printf("difference update                   %8.2f ms   ratio to full    %.2f (goal <= 0.5: %s)\n",
                difference, differenceRatio, Verdict(differenceRatio <= 0.5));

    double idle = PeakMemory(setup, "idle");
    std::printf("peak memory, process doing nothing  %8.2f MB\n", idle);
    for (const char* phase : {"inflate", "full", "diff"}) {
        double peak = PeakMemory(setup, phase);
        std::printf("peak memory, %-22s %8.2f MB   (+%.2f MB; goal <= 16 MB: %s)\n",
                    std::strcmp(phase, "full") == 0   ? "full update"
                    : std::strcmp(phase, "diff") == 0 ? "difference update"
                                                      : "plain inflate",
                    peak, peak - idle, Verdict(peak <= 16.0));
    }
    if (ownDir)
        RemoveAll(setup);
    return 0;
}

}  // namespace karvex::bench

int main(int argc, char** argv)
{
    return karvex::bench::Main(argc, argv);
}
