// Fixture of the client tests: a fresh install folder and registry, the test
// acting as the shell, and the client process, ended when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/wine/support/client_process.h"
#include "tests/wine/support/fake_shell.h"
#include "tests/wine/support/install.h"

namespace karvex::test {

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the client from the install folder.
    bool StartClient(const std::string& arguments = std::string());
    // Starts it and waits for its tray window; null if it did not come.
    HWND StartClientWithTray(const std::string& arguments = std::string());

    // Posts to the tray window as the shell or the protection component does.
    void Post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Moves the mouse over the icon and waits for the tooltip it brings.
    bool WaitForStatusTip(const std::string& expected) const;
    std::string StatusTip(const char* dbVersion, long count) const;

    // The client's alert pop-ups on screen, oldest first.
    std::vector<HWND> OpenPopups() const;
    // Waits for a pop-up on screen other than those in `known`.
    HWND WaitForNewPopup(const std::vector<HWND>& known = {}) const;
    // The interception count in the registry; 0 when there is none.
    DWORD PopCount() const;

    std::unique_ptr<InstallFolder> m_folder;
    FakeShell m_shell;
    ChildProcess m_client;
    HWND m_tray = nullptr;
};

// A client running from the start of each test: its component registered and
// its schedule saying it was updated today, so no pass starts by itself.
class RunningClientTest : public ClientTest {
protected:
    void SetUp() override;
};

// Name of the running test, usable as a folder name.
std::string CurrentTestName();

}  // namespace karvex::test
