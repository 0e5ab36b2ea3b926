// The update servers as a test sees them (tests/wine/servers): the tree they
// serve, the faults they play, the requests they got, and the prefix's system
// proxy that routes the programs' host names to them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "client/update/signature_db.h"
#include "tools/publisher/publish.h"

namespace karvex::test {

class UpdateServer {
public:
    // Routes the proxy to the servers and starts from an empty tree with no faults.
    UpdateServer();
    // Takes the proxy setting away again.
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    static std::string Root();  // C:\KarvexServer
    // Path of a scratch file for the inputs of a tree.
    static std::string Work(const std::string& name);

    // Publishes a new tree (the job's outDir is set here) and fails the test
    // with the publisher's message on error. Unless the job says otherwise,
    // the index is signed with the test key the programs are built with, its
    // serial is one more than the last tree's, and it is valid for a day.
    void Publish(publisher::PUBLISH_JOB job) const;
    // A file of the tree, written or replaced ("busy", a tampered file, ...),
    // as anyone on the way to the client could: the index stays as it was.
    void WriteTreeFile(const std::string& relative, const std::string& content) const;
    // The same by the publisher: the index is signed anew over the tree as it
    // is now (database digests kept, the next serial).
    void PublishTreeFile(const std::string& relative, const std::string& content) const;
    // Signs the index anew over the files of the tree as they are.
    void SignTree(const char* privateKeyPem, std::uint32_t serial, std::uint64_t expires) const;
    void RemoveTreeFile(const std::string& relative) const;
    std::string ReadTreeFile(const std::string& relative) const;
    // The request for `path` on `host` plays the fault `kind`: "500"; "drop"
    // (closed unanswered); "slow" (20 KB/s); "stall" (stalls after its
    // headers); "silent" (accepted, never answered); "cut" (half the file,
    // without Content-Length); "short" (the file's Content-Length, half the
    // file); "endless" (a body without Content-Length that never ends);
    // "first404" (404 the first time, the file afterwards).
    void SetFault(const std::string& host, const std::string& path, const char* kind) const;
    void ClearFaults() const;
    // Sends every request to a port where nothing listens: the servers are down.
    void RouteToNowhere() const;

    // "<host> <path> <status>" of every request since this object was made.
    std::vector<std::string> Requests() const;
    // The requests whose path contains `part`.
    std::vector<std::string> RequestsFor(const std::string& part) const;

private:
    void RouteTo(const std::string& proxy) const;

    std::uint64_t m_logStart = 0;
    mutable std::uint32_t m_serial = 0;
};

// Records in the order a database file holds them (ascending bucket), made
// from `seed`; each seed gives different records.
std::vector<SIGNATURE_RECORD> SortedRecords(std::size_t count, std::uint32_t seed);
// A database file of that version and those records (header word 0 zero).
std::string DatabaseBytes(std::int32_t major, std::int32_t minor, const std::vector<SIGNATURE_RECORD>& records);
// `records` without every `step`-th one, with `added` new ones, in file order.
std::vector<SIGNATURE_RECORD> ChangedRecords(const std::vector<SIGNATURE_RECORD>& records, std::size_t step,
                                             std::size_t added, std::uint32_t seed);

// `text` gzip-compressed as the publisher compresses lists, and back.
std::string GzipOf(const std::string& text);
std::string GunzipOf(const std::string& gzip);

// Seconds since 1970, UTC, as the programs reckon an index's expiry.
std::uint64_t UnixTimeNow();

// Files in the user's temporary folder whose names are digits only, as the
// updater's temporary files are named.
std::vector<std::string> UpdaterTempFiles();

}  // namespace karvex::test
