// Temporary files of the updater, in the user's temporary folder.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "client/update/signature_db.h"

namespace karvex {

// The temporary files that exist right now. A client that has to end while
// its worker is stuck in a transfer deletes them on the worker's behalf.
class CTempFileSet {
public:
    // False once the set is closed: no new file may appear then.
    bool Add(const std::string& path);
    void Remove(const std::string& path);
    // Deletes every file in the set and refuses new ones.
    void DeleteAllAndClose();
    // Accepts new files again, for the next pass.
    void Reopen();

private:
    std::mutex m_lock;
    std::vector<std::string> m_paths;
    bool m_bClosed = false;
};

// One temporary file: the temporary folder and the tick count in decimal,
// digits only. The file is created exclusively, so two made in one tick get
// different names (the count is stepped on). Deleted when the object goes.
class CTempFile {
public:
    explicit CTempFile(CTempFileSet& set) : m_set(set) {}
    ~CTempFile() { Delete(); }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Makes the name and an empty file of that name.
    bool Create();
    const char* Path() const { return m_szPath; }
    void Delete();

private:
    CTempFileSet& m_set;
    char m_szPath[kPathSize] = {};
};

}  // namespace karvex
