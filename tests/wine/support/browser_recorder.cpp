#include "tests/wine/support/browser_recorder.h"

#include <windows.h>

#include "common/win/registry.h"
#include "tests/wine/support/install.h"

namespace karvex::test {

namespace {

constexpr char kBrowserCommandKey[] = "http\\shell\\open\\command";

// Where browser_recorder.exe notes the addresses.
std::string BrowserLogPath()
{
    return TempFolder() + "karvex-browser.log";
}

}  // namespace

BrowserRecorder::BrowserRecorder()
{
    RegKey key;
    char previous[1024] = {};
    if (key.Open(HKEY_CLASSES_ROOT, kBrowserCommandKey, KEY_READ) == ERROR_SUCCESS &&
        key.QueryText(nullptr, previous, sizeof previous) == ERROR_SUCCESS) {
        m_previous = previous;
        m_hadPrevious = true;
    }
    const std::string command = "\"" + BuildFolder() + "\\browser_recorder.exe\" \"%1\"";
    RegKey writable;
    if (writable.Create(HKEY_CLASSES_ROOT, kBrowserCommandKey) == ERROR_SUCCESS)
        writable.SetText(nullptr, command.c_str());
    ::DeleteFileA(BrowserLogPath().c_str());
}

BrowserRecorder::~BrowserRecorder()
{
    ::DeleteFileA(BrowserLogPath().c_str());
    RegKey key;
    if (key.Create(HKEY_CLASSES_ROOT, kBrowserCommandKey) != ERROR_SUCCESS)
        return;
    if (m_hadPrevious)
        key.SetText(nullptr, m_previous.c_str());
    else
        key.DeleteValue(nullptr);
}

std::string BrowserRecorder::Opened() const
{
    return ReadFileAt(BrowserLogPath());
}

}  // namespace karvex::test
