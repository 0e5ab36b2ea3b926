#include "client/update/temp_file.h"

#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "common/win/handles.h"

namespace karvex {

bool CTempFileSet::Add(const std::string& path)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bClosed)
        return false;
    m_paths.push_back(path);
    return true;
}

void CTempFileSet::Remove(const std::string& path)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = std::find(m_paths.begin(), m_paths.end(), path);
    if (found != m_paths.end())
        m_paths.erase(found);
}

void CTempFileSet::DeleteAllAndClose()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bClosed = true;
    // A download holds its file open with delete sharing: the file goes when
    // the transfer's handle is closed.
    for (const std::string& path : m_paths)
        ::DeleteFileA(path.c_str());
    m_paths.clear();
}

void CTempFileSet::Reopen()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bClosed = false;
}

bool CTempFile::Create()
{
    Delete();
    char folder[kPathSize];
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return false;
    const DWORD tick = ::GetTickCount();
    for (DWORD step = 0; step < 1000; ++step) {
        char path[kPathSize];
        if (!FormatText(path, sizeof path, "%s%lu", folder, static_cast<unsigned long>(tick + step)))
            return false;
        // Registered first, so that the file never exists outside the set.
        if (!m_set.Add(path))
            return false;
        UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            CopyText(m_szPath, path);
            return true;
        }
        const DWORD error = ::GetLastError();
        m_set.Remove(path);
        // A name being deleted (a stopped download's, held by its transfer
        // until that ends) is refused as denied: step on past it too.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
            return false;
    }
    return false;
}

void CTempFile::Delete()
{
    if (m_szPath[0] == '\0')
        return;
    ::DeleteFileA(m_szPath);
    m_set.Remove(m_szPath);
    m_szPath[0] = '\0';
}

}  // namespace karvex
