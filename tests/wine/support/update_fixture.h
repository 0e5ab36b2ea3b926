// Fixture of the update tests: a fresh install folder and registry (as every
// client test), the update servers with an empty tree, and the test in place
// of the tray window to receive the pass's result.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/support/alert_recorder.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/update_server.h"

#include "tests/wine/support/install.h"

namespace karvex::test {

// The four update bases as host name and path prefix.
struct UPDATE_BASE {
    const char* host;
    const char* prefix;
};
extern const UPDATE_BASE kUpdateBaseHosts[4];

class UpdateTest : public ClientTest {
protected:
    // Registers the component and switches automatic update off, so only the
    // passes a test starts run.
    void SetUp() override;
    // Checks that no temporary file of the updater stayed behind.
    void TearDown() override;

    // Version 1.0002 of url.db, adv.db and qua.db (installed by PublishDatabases)
    // and version 1.0003 (published beside it).
    std::string OldDb(int index) const;
    std::string NewDb(int index) const;
    // Installs the old databases and publishes old and new ones with `job`.
    void PublishDatabases(publisher::PUBLISH_JOB job = publisher::PUBLISH_JOB());
    // The same fault for `path` (under the base) on all four bases.
    void SetFaultEverywhere(const std::string& path, const char* kind) const;
    // Publishes the installed url.db as current, and a large qua.db full list
    // 1.0009 over a small installed qua.db 1.0001 (no difference to it) that
    // the servers send with the fault `kind` ("slow" or "stall"); returns the
    // installed qua.db's bytes.
    std::string PublishSlowFullList(const char* kind = "slow");
    // Presses "立即更新" (starting the client first) and waits for the
    // pass's result; 0 when none came.
    WPARAM RunPass();
    // Starts the client and opens its Options dialog; null when either fails.
    HWND StartAndOpenOptions();
    // Presses the dialog's "立即升级" and waits for the pass's result (0 when
    // none came) and for the dialog to show the pass over: its log then
    // holds every line of the pass.
    WPARAM RunPassFromOptions(HWND options);
    void ExpectDatabases(const std::string& url, const std::string& adv, const std::string& qua) const;

    UpdateServer m_server;
    AlertRecorder m_alerts;
    std::vector<std::string> m_tempBefore;

private:
    std::vector<SIGNATURE_RECORD> m_old[3];
    std::vector<SIGNATURE_RECORD> m_new[3];
};

bool Contains(const std::vector<std::string>& lines, const std::string& part);

// Two different programs carrying file version 1.3.2.0, built beside the tests.
std::string NextRelease();
std::string OtherRelease();

}  // namespace karvex::test
