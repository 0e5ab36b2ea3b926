// karvex-publisher: looks into signature databases, applies lists to them as
// the client does, and publishes the tree the update servers serve.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "client/update/gunzip.h"
#include "client/update/signature_db.h"
#include "tools/publisher/publish.h"

namespace karvex::publisher {

namespace {

const char kUsage[] =
    "usage: karvex-publisher info DB\n"
    "       karvex-publisher dump DB\n"
    "       karvex-publisher apply DB LIST --full|--diff VERSION\n"
    "       karvex-publisher publish OUTDIR [--url DB...] [--adv DB...] [--qua DB...]\n"
    "                                       [--file NAME=VERSION:PATH]...\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int Fail(const std::string& error)
{
    std::fprintf(stderr, "karvex-publisher: %s\n", error.c_str());
    return 1;
}

int Info(const std::string& path)
{
    DATABASE db;
    std::string error;
    if (!ReadDatabase(path, &db, &error))
        return Fail(error);
    std::printf("version %s\nrecords %lu\n", VersionText(db).c_str(), static_cast<unsigned long>(db.records.size()));
    return 0;
}

int Dump(const std::string& path)
{
    DATABASE db;
    std::string error;
    if (!ReadDatabase(path, &db, &error))
        return Fail(error);
    char line[36] = "+";
    for (const SIGNATURE_RECORD& record : db.records) {
        FormatRecordHex(record, line + 1);
        line[33] = '\n';
        line[34] = '\0';
        std::fputs(line, stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : Fail("standard output: cannot be written");
}

bool Exists(const std::string& path)
{
    FilePtr file = OpenFile(path.c_str(), "rb");
    return file != nullptr;
}

// The client's steps: decompress into a second file, rebuild the database
// from it, delete it.
int Apply(const std::string& dbPath, const std::string& listPath, const std::string& mode, const std::string& version)
{
    bool difference = mode == "--diff";
    if (!difference && mode != "--full")
        return Usage();
    std::int32_t major = 0;
    std::int32_t minor = 0;
    if (!ParseDbVersion(version.c_str(), &major, &minor))
        return Fail(version + ": not a database version (major.minor)");
    std::string error;
    if (difference) {
        DATABASE live;
        if (!ReadDatabase(dbPath, &live, &error))
            return Fail(error);
    }
    std::string decoded = dbPath + ".list";
    if (decoded.size() + 4 >= kPathSize)  // the database's own ".new" beside it
        return Fail(dbPath + ": path too long");
    if (Exists(decoded))
        return Fail(decoded + ": already exists; remove it first");
    if (!GunzipFile(listPath.c_str(), decoded.c_str()))
        return Fail(listPath + ": not a sound gzip stream or PKZIP entry");

    CSignatureDb db;
    db.m_pszFile = dbPath.c_str();
    db.ReadHeader("");  // as at the client's start: a missing database is 0.0000
    RunningFlag running{1};
    int result = db.ApplyUpdate("", decoded.c_str(), difference, version.c_str(), running);
    std::remove(decoded.c_str());
    if (result != 0)
        return Fail(listPath + ": malformed " + (difference ? "difference" : "full list") + ", or " + dbPath +
                    " cannot be written");
    return Info(dbPath);
}

int Publish(int argc, char** argv)
{
    PUBLISH_JOB job;
    job.outDir = argv[0];
    std::vector<std::string>* databases = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--url" || arg == "--adv" || arg == "--qua") {
            databases = &job.databases[arg == "--url" ? 0 : arg == "--adv" ? 1 : 2];
        } else if (arg == "--file") {
            if (++i == argc)
                return Usage();
            std::string entry = argv[i];
            std::size_t equals = entry.find('=');
            std::size_t colon = entry.find(':', equals == std::string::npos ? 0 : equals);
            if (equals == std::string::npos || colon == std::string::npos)
                return Fail(entry + ": not NAME=VERSION:PATH");
            job.files.push_back({entry.substr(0, equals), entry.substr(equals + 1, colon - equals - 1),
                                 entry.substr(colon + 1)});
            databases = nullptr;
        } else if (databases != nullptr && arg.compare(0, 2, "--") != 0) {
            databases->push_back(arg);
        } else {
            return Usage();
        }
    }
    std::string log;
    std::string error;
    if (!Publish(job, &log, &error))
        return Fail(error);
    std::fputs(log.c_str(), stdout);
    return 0;
}

int Main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    std::string command = argv[1];
    if (command == "info" && argc == 3)
        return Info(argv[2]);
    if (command == "dump" && argc == 3)
        return Dump(argv[2]);
    if (command == "apply" && argc == 6)
        return Apply(argv[2], argv[3], argv[4], argv[5]);
    if (command == "publish")
        return Publish(argc - 2, argv + 2);
    return Usage();
}

}  // namespace

}  // namespace karvex::publisher

int main(int argc, char** argv)
{
    try {
        return karvex::publisher::Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("karvex-publisher: out of memory\n", stderr);
        return 1;
    }
}
