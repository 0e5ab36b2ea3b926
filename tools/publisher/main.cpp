// karvex-publisher: looks into signature databases, applies lists to them as
// the client does, makes the publisher's key and publishes the signed tree
// the update servers serve.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "client/update/gunzip.h"
#include "client/update/signature_db.h"
#include "tools/publisher/publish.h"
#ifndef _WIN32
#include "tools/publisher/keygen.h"
#endif

namespace karvex::publisher {

namespace {

const char kUsage[] =
    "usage: karvex-publisher info DB\n"
    "       karvex-publisher dump DB\n"
    "       karvex-publisher apply DB LIST --full|--diff VERSION\n"
    "       karvex-publisher keygen PRIVATE PUBLIC [--bits N]\n"
    "       karvex-publisher publish OUTDIR --key PRIVATE [--serial N] [--expires-in DAYS]\n"
    "                                [--url DB...] [--adv DB...] [--qua DB...] [--file NAME=VERSION:PATH]...\n"
    "       karvex-publisher resign TREE --key PRIVATE [--serial N] [--expires-in DAYS]\n";

// How long an index stays good unless --expires-in says otherwise: clients
// refuse it afterwards, so no server can hold them on an old tree for longer.
constexpr std::uint64_t kDefaultExpiryDays = 14;
constexpr std::uint64_t kMaxExpiryDays = 3650;

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

// A whole decimal number of at most `limit`, without sign or blanks.
bool ParseWhole(const char* text, std::uint64_t limit, std::uint64_t* value)
{
    std::uint64_t result = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const std::uint64_t digit = static_cast<std::uint64_t>(*p - '0');
        if (result > (limit - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    *value = result;
    return p != text && *p == '\0';
}

// The options that sign a tree's index.
struct SIGNING {
    const char* keyPath = nullptr;
    const char* serial = nullptr;
    const char* expiresIn = nullptr;
};

// Where the value of a signing option goes; null when `arg` is none.
const char** SigningOption(SIGNING* signing, const std::string& arg)
{
    if (arg == "--key")
        return &signing->keyPath;
    if (arg == "--serial")
        return &signing->serial;
    if (arg == "--expires-in")
        return &signing->expiresIn;
    return nullptr;
}

// The key's text, the serial and the expiry the options give. 0, or the exit
// status of a refusal, its line already written.
int ResolveSigning(const char* command, const SIGNING& signing, std::string* pem, std::uint32_t* serial,
                   std::uint64_t* expires)
{
    if (signing.keyPath == nullptr) {
        std::fprintf(stderr,
                     "karvex-publisher: %s needs --key PRIVATE: clients take only a tree whose %s that key signed\n",
                     command, kIndexFile);
        return 2;
    }
    const std::string path = signing.keyPath;
    FilePtr in = OpenFile(path.c_str(), "rb");
    pem->resize(64 * 1024);  // far more than any key's PEM
    pem->resize(in ? std::fread(&(*pem)[0], 1, pem->size(), in.get()) : 0);
    if (!in || std::ferror(in.get()))
        return Fail(path + ": cannot be read");
    RSA_KEY key;
    std::string error;
    if (!ParseSigningKey(*pem, &key, &error))
        return Fail(path + ": " + error);

    // Seconds since 1970 grow with every publication, which is all a serial must do.
    const std::uint64_t now = static_cast<std::uint64_t>(std::time(nullptr));
    std::uint64_t number = now;
    if (signing.serial != nullptr && !ParseWhole(signing.serial, 0xFFFFFFFFu, &number))
        return Fail(std::string("--serial ") + signing.serial + ": not a whole number from 0 to 4294967295");
    if (number > 0xFFFFFFFFu)
        return Fail("the clock is past what a serial holds; give --serial");
    *serial = static_cast<std::uint32_t>(number);
    std::uint64_t days = kDefaultExpiryDays;
    if (signing.expiresIn != nullptr && (!ParseWhole(signing.expiresIn, kMaxExpiryDays, &days) || days == 0))
        return Fail(std::string("--expires-in ") + signing.expiresIn + ": not a number of days from 1 to " +
                    std::to_string(kMaxExpiryDays));
    *expires = now + days * 24 * 60 * 60;
    return 0;
}

int Publish(int argc, char** argv)
{
    PUBLISH_JOB job;
    job.outDir = argv[0];
    SIGNING signing;
    std::vector<std::string>* databases = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--url" || arg == "--adv" || arg == "--qua") {
            databases = &job.databases[arg == "--url" ? 0 : arg == "--adv" ? 1 : 2];
        } else if (const char** value = SigningOption(&signing, arg)) {
            if (++i == argc)
                return Usage();
            *value = argv[i];
            databases = nullptr;
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
    if (int status = ResolveSigning("publish", signing, &job.signingKeyPem, &job.serial, &job.expires))
        return status;
    std::string log;
    std::string error;
    if (!Publish(job, &log, &error))
        return Fail(error);
    std::fputs(log.c_str(), stdout);
    return 0;
}

int Resign(int argc, char** argv)
{
    SIGNING signing;
    for (int i = 1; i < argc; ++i) {
        const char** value = SigningOption(&signing, argv[i]);
        if (value == nullptr || ++i == argc)
            return Usage();
        *value = argv[i];
    }
    std::string pem;
    std::uint32_t serial = 0;
    std::uint64_t expires = 0;
    if (int status = ResolveSigning("resign", signing, &pem, &serial, &expires))
        return status;
    std::string log;
    std::string error;
    if (!publisher::Resign(argv[0], pem, serial, expires, &log, &error))
        return Fail(error);
    std::fputs(log.c_str(), stdout);
    return 0;
}

int Keygen(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return Fail("keygen needs OpenSSL, which this Windows build does not carry; make the key pair with the "
                "host build of karvex-publisher");
#else
    std::uint64_t bits = kDefaultKeyBits;
    if (argc == 4 && std::strcmp(argv[2], "--bits") == 0) {
        if (!ParseWhole(argv[3], 16384, &bits) || bits < 2048 || bits % 16 != 0)
            return Fail(std::string("--bits ") + argv[3] +
                        ": keys have 2048 to 16384 bits, in multiples of 16 (clients import no others)");
    } else if (argc != 2) {
        return Usage();
    }
    std::string error;
    if (!MakeKeyPair(argv[0], argv[1], static_cast<int>(bits), &error))
        return Fail(error);
    std::printf("%s: private key, %d bits; keep it off the servers\n%s: public key; build clients with "
                "-DKARVEX_UPDATE_KEY=%s\n",
                argv[0], static_cast<int>(bits), argv[1], argv[1]);
    return 0;
#endif
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
    if (command == "keygen")
        return Keygen(argc - 2, argv + 2);
    if (command == "publish")
        return Publish(argc - 2, argv + 2);
    if (command == "resign")
        return Resign(argc - 2, argv + 2);
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
