// OLE on the calling thread for as long as the object lives: the programs'
// user-interface threads need it for the component test, pictures, shortcuts
// and the folder browser.
#pragma once

#include <ole2.h>

namespace karvex {

class COleSession {
public:
    COleSession() : m_bInitialized(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~COleSession()
    {
        if (m_bInitialized)
            ::OleUninitialize();
    }
    COleSession(const COleSession&) = delete;
    COleSession& operator=(const COleSession&) = delete;

private:
    bool m_bInitialized;
};

}  // namespace karvex
