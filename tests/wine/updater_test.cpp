// The update worker run in the test's own process, with a window standing in
// for the Options dialog: what a pass shows there, how a stop requested by
// the dialog ends a transfer, and the download callback's contract.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "client/res/resource.h"
#include "client/update/download.h"
#include "client/update/download_callback.h"
#include "client/update/download_rules.h"
#include "client/update/options_pass_view.h"
#include "client/update/pending_files.h"
#include "client/update/updater.h"
#include "common/product.h"
#include "common/servers.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

// Top-level window with the controls of the Options dialog the worker drives.
class OptionsStandIn {
public:
    OptionsStandIn()
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "KarvexOptionsStandIn";
        ::RegisterClassA(&wc);
        m_hwnd = ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                   wc.hInstance, this);
        Child("BUTTON", "停止升级", IDC_OPTIONS_UPDATE);
        HWND bar = Child(PROGRESS_CLASSA, "", IDC_OPTIONS_PROGRESS);
        ::SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50));  // the worker sets 0..100 when data comes
        Child("LISTBOX", "", IDC_OPTIONS_LOG);
        Child("STATIC", "特征库版本：1.0002 ", IDC_OPTIONS_DB_VERSION);
    }
    ~OptionsStandIn() { ::DestroyWindow(m_hwnd); }

    HWND Hwnd() const { return m_hwnd; }
    HWND Control(int id) const { return ::GetDlgItem(m_hwnd, id); }
    std::string Text(int id) const
    {
        char text[256] = {};
        ::GetWindowTextA(Control(id), text, sizeof text);
        return text;
    }
    int RangeHigh() const
    {
        return static_cast<int>(::SendMessageA(Control(IDC_OPTIONS_PROGRESS), PBM_GETRANGE, FALSE, 0));
    }
    int FinishedCount() const { return m_finished; }

private:
    HWND Child(const char* className, const char* text, int id)
    {
        return ::CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, m_hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                 nullptr);
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<OptionsStandIn*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_UPDATE_FINISHED && self != nullptr)
            ++self->m_finished;
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    int m_finished = 0;
};

// Serves this thread's messages (the worker sends to the stand-in) until
// `condition` holds.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeoutMs = 30000)
{
    return WaitUntil(
        [&] {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            return condition();
        },
        timeoutMs);
}

class UpdaterTest : public UpdateTest {
protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        const char* names[] = {"url.db", "adv.db", "qua.db"};
        for (int i = 0; i < 3; ++i) {
            m_databases[i].m_nId = i + 1;
            m_databases[i].m_pszFile = names[i];
        }
        m_updater.Init(m_folder->Path().c_str(), &m_databases[0], &m_databases[1], &m_databases[2],
                       [this] { ++m_recorded; });
        m_updater.m_hOptionsWnd = m_options.Hwnd();
    }

    void TearDown() override
    {
        m_updater.m_hOptionsWnd = nullptr;
        EXPECT_TRUE(m_updater.WaitForPass(30000));
        UpdateTest::TearDown();
    }

    CSignatureDb m_databases[3];
    OptionsStandIn m_options;
    std::atomic<int> m_recorded{0};
    CUpdater m_updater;
};

TEST_F(UpdaterTest, OptionsDialogFollowsASuccessfulPass)
{
    publisher::PUBLISH_JOB job;
    job.files = {{"helper.dll", "1.3.2.0", NextRelease()}};
    PublishDatabases(job);

    m_updater.Start();
    EXPECT_NE(m_updater.m_hThread.load(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return m_options.FinishedCount() > 0; }));
    EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UPDATE_OK);
    EXPECT_TRUE(m_updater.WaitForPass(5000));

    EXPECT_EQ(m_options.Text(IDC_OPTIONS_DB_VERSION), "特征库版本：1.0003");
    EXPECT_EQ(m_options.Text(IDC_OPTIONS_UPDATE), "立即升级");
    EXPECT_FALSE(::IsWindowVisible(m_options.Control(IDC_OPTIONS_PROGRESS)));
    HWND log = m_options.Control(IDC_OPTIONS_LOG);
    ASSERT_EQ(::SendMessageA(log, LB_GETCOUNT, 0, 0), 1);
    char line[64] = {};
    ::SendMessageA(log, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    EXPECT_STREQ(line, "正在复制文件...");
    EXPECT_EQ(m_options.FinishedCount(), 1);

    char version[100];
    m_updater.GetDbVersion(version, sizeof version);
    EXPECT_STREQ(version, "1.0003");
    EXPECT_TRUE(m_folder->Read("helper.dll") == ReadFileAt(NextRelease()));
    EXPECT_EQ(m_recorded, 0);  // nothing was current
    EXPECT_EQ(m_updater.m_bRunning.load(), 0);
    EXPECT_EQ(m_updater.m_hThread.load(), nullptr);
}

TEST_F(UpdaterTest, StopDuringADownloadEndsThePassAtOnce)
{
    // url.db comes first and is current: a pass that ran to its end would
    // record the date.
    const std::string before = PublishSlowFullList();

    m_updater.Start();
    // The bar's range becomes 0..100 when the full list's data begins.
    ASSERT_TRUE(PumpUntil([&] { return m_options.RangeHigh() == 100; }));
    const DWORD start = ::GetTickCount();
    m_updater.RequestStop();
    EXPECT_TRUE(m_updater.WaitForPass(5000));
    EXPECT_LT(::GetTickCount() - start, 3000u);

    EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UPDATE_FAILED);
    EXPECT_TRUE(m_folder->Read("qua.db") == before);
    EXPECT_EQ(m_options.Text(IDC_OPTIONS_UPDATE), "立即升级");
    EXPECT_FALSE(::IsWindowVisible(m_options.Control(IDC_OPTIONS_PROGRESS)));
    EXPECT_TRUE(PumpUntil([&] { return m_options.FinishedCount() == 1; }, 2000));
    EXPECT_EQ(m_recorded, 0);  // a stopped pass records no date
    // The given-up transfer lets go of its file once its next piece comes.
    EXPECT_TRUE(WaitUntil([&] { return UpdaterTempFiles() == m_tempBefore; }, 10000));
}

TEST_F(UpdaterTest, NoPassStartsAfterShutdown)
{
    EXPECT_TRUE(m_updater.WaitForPass(0));  // none runs
    EXPECT_TRUE(m_updater.Shutdown(1000));
    m_updater.Start();
    EXPECT_EQ(m_updater.m_hThread.load(), nullptr);
    EXPECT_EQ(m_updater.m_bRunning.load(), 0);
}

struct DownloadCase {
    const char* name;
    const char* path;        // under the web site's /ieupdate
    std::uint64_t limit;
    bool callerMadeFile;     // the destination exists before the call, as a temporary name does
    HRESULT result;          // S_OK, INET_E_OBJECT_NOT_FOUND, kTooLarge, or E_FAIL for any other failure
};

constexpr HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);

VOID CALLBACK DropRunningFlag(PVOID flag, BOOLEAN)
{
    static_cast<RunningFlag*>(flag)->store(0);
}

using DownloadTest = UpdateTest;

TEST_F(DownloadTest, AnswersAreToldApartAndFailuresLeaveNoBody)
{
    const std::string body(100000, 'b');
    m_server.WriteTreeFile("file\\body", body);
    m_server.SetFault(kWebHost, "/ieupdate/file/broken", "500");
    m_server.WriteTreeFile("file\\broken", "an error page would look like a file");
    m_server.SetFault(kWebHost, "/ieupdate/file/short", "short");
    m_server.WriteTreeFile("file\\short", body);
    m_server.SetFault(kWebHost, "/ieupdate/file/endless", "endless");
    const DownloadCase cases[] = {
        {"Found", "/file/body", kLargeFileLimit, true, S_OK},
        {"FoundIntoNewFile", "/file/body", kLargeFileLimit, false, S_OK},
        {"NotFound", "/file/missing", kLargeFileLimit, true, INET_E_OBJECT_NOT_FOUND},
        {"NotFoundNoFile", "/file/missing", kLargeFileLimit, false, INET_E_OBJECT_NOT_FOUND},
        {"ServerError", "/file/broken", kLargeFileLimit, true, E_FAIL},
        // Content-Length says more than the limit.
        {"TooLarge", "/file/body", 99999, true, kTooLarge},
        // The connection closes before the announced length came.
        {"ClosedBeforeItsLength", "/file/short", kLargeFileLimit, true, E_FAIL},
        // No Content-Length and no end: refused once one byte more than the
        // limit came, without waiting for an end.
        {"EndlessWithoutLength", "/file/endless", 99999, true, kTooLarge},
    };
    const std::string path = UpdateServer::Work("download");
    for (const DownloadCase& c : cases) {
        ::DeleteFileA(path.c_str());
        if (c.callerMadeFile)
            WriteFileAt(path, "old");
        DOWNLOAD_OPTIONS options;
        options.nLimit = c.limit;
        // A transfer that would read to an end that never comes is stopped
        // instead of holding the test.
        RunningFlag running{1};
        options.pRunning = &running;
        HANDLE timer = nullptr;
        ASSERT_TRUE(::CreateTimerQueueTimer(&timer, nullptr, DropRunningFlag, &running, 20000, 0, WT_EXECUTEONLYONCE));
        const HRESULT result = DownloadToFile((std::string("http://") + kWebHost + "/ieupdate" + c.path).c_str(),
                                              path.c_str(), options);
        ::DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
        if (c.result == E_FAIL) {
            EXPECT_TRUE(FAILED(result) && result != INET_E_OBJECT_NOT_FOUND && result != E_ABORT &&
                        result != kTooLarge)
                << c.name;
        } else {
            EXPECT_EQ(result, c.result) << c.name;
        }
        const bool exists = ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (result == S_OK) {
            EXPECT_TRUE(ReadFileAt(path) == body) << c.name;
        } else if (c.callerMadeFile) {
            EXPECT_TRUE(exists && ReadFileAt(path).empty()) << c.name;
        } else {
            EXPECT_FALSE(exists) << c.name;
        }
    }
    ::DeleteFileA(path.c_str());
}

struct ProgressCase {
    ULONG status;
    ULONG progress;
    ULONG progressMax;
    int position;  // expected afterwards
    int rangeHigh;
};

TEST(DownloadCallbackTest, MovesTheBarAndStopsWhenAsked)
{
    OptionsStandIn options;
    std::atomic<HWND> window{options.Hwnd()};
    RunningFlag running{1};
    ComPtr<IBindStatusCallback> callback;
    *callback.put() = new CDownloadCallback(&window, &running);
    HWND bar = options.Control(IDC_OPTIONS_PROGRESS);
    ::SendMessageA(bar, PBM_SETPOS, 7, 0);

    const ProgressCase cases[] = {
        {BINDSTATUS_BEGINDOWNLOADDATA, 0, 1000, 7, 100},  // range only
        {BINDSTATUS_DOWNLOADINGDATA, 50, 200, 25, 100},
        {BINDSTATUS_DOWNLOADINGDATA, 90, 0, 25, 100},     // size unknown: the bar stays
        {BINDSTATUS_DOWNLOADINGDATA, 3000000000u, 4000000000u, 75, 100},  // no 32-bit overflow
        {BINDSTATUS_DOWNLOADINGDATA, 500, 100, 100, 100},  // never past the end
        {BINDSTATUS_CONNECTING, 1, 2, 100, 100},           // other reports change nothing
        {BINDSTATUS_ENDDOWNLOADDATA, 0, 0, 100, 100},
    };
    for (const ProgressCase& c : cases) {
        EXPECT_EQ(callback->OnProgress(c.progress, c.progressMax, c.status, nullptr), S_OK);
        EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), c.position) << c.status << " " << c.progress;
        EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), c.rangeHigh);
    }

    running = 0;
    EXPECT_EQ(callback->OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    window = nullptr;  // the dialog closed: nothing is sent, the stop still counts
    EXPECT_EQ(callback->OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);

    void* object = nullptr;
    EXPECT_EQ(callback->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<void*>(callback.get()));
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(callback->QueryInterface(IID_IBindStatusCallback, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    object = &running;
    EXPECT_EQ(callback->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

// Staged program files put in place over live files that are held open.
class PendingFilesTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = std::make_unique<InstallFolder>(CurrentTestName()); }

    // Opens a file of the folder as another program holds it.
    UniqueFile Hold(const std::string& relative, DWORD share) const
    {
        return UniqueFile(::CreateFileA(m_folder->File(relative).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    }

    bool Install() const { return InstallPendingFiles(m_folder->Path().c_str()); }

    // As a program that runs holds its file: it cannot be replaced, but it
    // can be renamed.
    static constexpr DWORD kRunning = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    std::unique_ptr<InstallFolder> m_folder;
};

TEST_F(PendingFilesTest, LiveFileGoesBackWhenTheStagedOneCannotFollowIt)
{
    m_folder->Write("helper.dll", "live");
    m_folder->Write("readme.txt", "old");
    m_folder->Write("update\\helper.dll", "staged");
    m_folder->Write("update\\readme.txt", "new");
    m_folder->Write("update\\ready", "helper.dll \r\nreadme.txt \r\n");
    UniqueFile live = Hold("helper.dll", kRunning);
    // Held without delete sharing, the staged file cannot be moved: the live
    // one, renamed aside, must come back.
    UniqueFile staged = Hold("update\\helper.dll", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(live && staged);

    EXPECT_FALSE(Install());
    EXPECT_EQ(m_folder->Read("helper.dll"), "live");
    EXPECT_EQ(m_folder->Read("update\\helper.dll"), "staged");
    EXPECT_EQ(m_folder->Read("readme.txt"), "new");
    EXPECT_EQ(m_folder->Read("update\\ready"), "helper.dll \r\n");
    EXPECT_TRUE(m_folder->Names("Temp").empty());
}

TEST_F(PendingFilesTest, FileStillHeldAsideDoesNotBlockTheNextInstall)
{
    m_folder->Write("helper.dll", "1");
    m_folder->Write("update\\helper.dll", "2");
    m_folder->Write("update\\ready", "helper.dll \r\n");
    UniqueFile first = Hold("helper.dll", kRunning);
    ASSERT_TRUE(first);
    ASSERT_TRUE(Install());
    ASSERT_EQ(m_folder->Read("helper.dll"), "2");

    // Version 1 still runs from its name in Temp, version 2 from the folder.
    UniqueFile second = Hold("helper.dll", kRunning);
    ASSERT_TRUE(second);
    m_folder->Write("update\\helper.dll", "3");
    m_folder->Write("update\\ready", "helper.dll \r\n");
    EXPECT_TRUE(Install());
    EXPECT_EQ(m_folder->Read("helper.dll"), "3");
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
    EXPECT_EQ(m_folder->Names("Temp").size(), 2u);
}

}  // namespace
}  // namespace karvex::test
