// The server side of the signature databases: reads database files and writes
// the static tree the clients update from (manifest, full lists, differences,
// program files).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/update/signature_db.h"
#include "client/update/update_index.h"

namespace karvex::publisher {

// A database file as it lies on disk: its header words and records in file order.
struct DATABASE {
    std::uint32_t dwReserved = 0;
    std::int32_t nMajor = 0;
    std::int32_t nMinor = 0;
    std::vector<SIGNATURE_RECORD> records;
};

// Failures carry one line of text that names the file at fault.
bool ReadDatabase(const std::string& path, DATABASE* db, std::string* error);

std::string VersionText(const DATABASE& db);

// The bytes of the database file that holds `db`: its header, then its
// records in the order given.
std::string DatabaseFileBytes(const DATABASE& db);

// A full list from which the client rebuilds `db` byte for byte; `db` must
// be in the file layout (records in ascending bucket order).
std::string FullListText(const DATABASE& db, const char* name);

// A difference that brings a client holding `from` to exactly `to`, with as
// few lines as the client's way of applying them allows. Both must be in the
// file layout.
std::string DifferenceText(const DATABASE& from, const DATABASE& to, const char* name);

// Writes `data` gzip-compressed into the new file `path`.
bool WriteGzip(const std::string& path, const std::string& data, std::string* error);

struct PROGRAM_FILE {
    std::string name;     // as the client asks for it under file/
    std::string version;  // a.b.c.d
    std::string path;
};

struct PUBLISH_JOB {
    std::string outDir;
    // Database files of successive versions for url.db, adv.db and qua.db.
    std::vector<std::string> databases[3];
    std::vector<PROGRAM_FILE> files;
    // The publisher's private key (PEM) that signs the index "current.sig".
    std::string signingKeyPem;
    // The index's serial, which must grow with every publication (clients
    // refuse an index older than one they accepted), and the time (seconds
    // since 1970 UTC) after which clients refuse it.
    std::uint32_t serial = 0;
    std::uint64_t expires = 0;
};

// Reads the publisher's private key from PEM: RSA, at least 2048 bits, in
// multiples of 16 (as clients import keys). The error says what is wrong with
// it; the caller names the key.
bool ParseSigningKey(const std::string& pem, RSA_KEY* key, std::string* error);

// The SHA-256 an index gives a database: of its file from offset 4 on.
SHA256_DIGEST DatabaseDigest(const DATABASE& db);

// Writes the whole tree into `outDir`, which must not exist yet: into a
// temporary folder beside it, renamed into place only when complete. The
// index "current.sig" lists every other file of the tree and the digest of
// every database version, signed with the job's key. Progress lines (one per
// file written) go to `log`.
bool Publish(const PUBLISH_JOB& job, std::string* log, std::string* error);

// Signs the index of the published tree `tree` anew with `serial` and
// `expires`, so a deployment renews it without publishing again. The tree
// must be exactly what its index lists (files recomputed, every file listed)
// and the index signed by the same key; the serial may not fall. The new
// index replaces the old one in one step.
bool Resign(const std::string& tree, const std::string& signingKeyPem, std::uint32_t serial, std::uint64_t expires,
            std::string* log, std::string* error);

}  // namespace karvex::publisher
