// Fixture of the installer tests: the machine as before any installation (no
// component registered, no settings key, no install folder, shortcuts or
// uninstaller copy), the stand-in browser, and the installer process, ended
// when the test ends. The prefix is shared by all tests; clearing this state
// is what makes each test start fresh.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/wine/support/setup_driver.h"

namespace karvex::test {

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts an installer (a program of the build folder, or a full path) and
    // waits for its wizard.
    void StartWizard(const std::string& program = "setup.exe");
    // Ticks the licence, types `folderText` and presses Install.
    void Install(const std::string& folderText);
    std::string File(const std::string& name) const { return m_folder + "\\" + name; }
    std::string SetupPath() const;
    // Sets a test seam of setup_seams.exe for the programs this test starts.
    void SetSeam(const char* name, const char* value);

    std::string m_folder;
    SetupProcess m_setup;
    std::unique_ptr<BrowserRecorder> m_browser;
};

// The package as it must land in the install folder, in the order written.
struct PackageFile {
    int resourceId;
    const char* name;
    const char* built;  // the build's own file of that content, or null
};
extern const PackageFile kPackage[7];

}  // namespace karvex::test
