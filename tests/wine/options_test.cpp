// The Options dialog of the running client, opened from the tray and driven
// from outside: its face at the dialog font's 6 x 12 base units, the settings
// it shows and what each way of closing it stores.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/screen.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {
namespace {

class OptionsTest : public RunningClientTest {
protected:
    void SetUp() override
    {
        MovePointer(1, 1);
        RunningClientTest::SetUp();
    }

    HWND OpenOptions(bool byDoubleClick = false) { return test::OpenOptions(m_client, m_tray, byDoubleClick); }

    size_t OpenDialogs() const
    {
        size_t open = 0;
        for (HWND window : FindWindows("#32770", kOptionsTitle))
            open += WindowProcessId(window) == m_client.Id() && ::IsWindowVisible(window) ? 1 : 0;
        return open;
    }

    static std::string UpdateValue()
    {
        std::string text;
        ReadSetting("update", text);
        return text;
    }
};

// A window of the test's own, to take the foreground away from the dialog.
class OtherWindow {
public:
    OtherWindow()
    {
        m_hwnd = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~OtherWindow() { ::DestroyWindow(m_hwnd); }
    HWND Hwnd() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

TEST_F(OptionsTest, OpensFromTheMenuAndTheIconOneAtATime)
{
    for (bool byDoubleClick : {false, true}) {
        SCOPED_TRACE(byDoubleClick ? "double-click" : "command");
        HWND options = OpenOptions(byDoubleClick);
        ASSERT_NE(options, nullptr);
        // It has a taskbar button. (Its icon cannot be read from another
        // process: Wine does not carry WM_GETICON across processes.)
        EXPECT_NE(::GetWindowLongA(options, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

        // Asked again the other way while something else is in front: the
        // same dialog comes forward, no second one opens.
        OtherWindow other;
        ::SetForegroundWindow(other.Hwnd());
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == other.Hwnd(); }));
        EXPECT_EQ(OpenOptions(!byDoubleClick), options);
        EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == options; }));
        EXPECT_EQ(OpenDialogs(), 1u);

        ClickControl(options, IDC_OPTIONS_CLOSE);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
    }
    EXPECT_TRUE(m_client.IsRunning());
}

// Width of `text` in the dialogs' font, 宋体 at 9 points.
int TextWidth(const char* text)
{
    HDC dc = ::GetDC(nullptr);
    HFONT font = ::CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "宋体");
    HGDIOBJ previous = ::SelectObject(dc, font);
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    ::SelectObject(dc, previous);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, dc);
    return size.cx;
}

struct CONTROL_LAYOUT {
    int id;
    const char* className;
    const char* text;
    RECT units;   // in the template: x, y, width, height
    SIZE fitted;  // size taken from its picture, or 0 x 0
    // (an x or a width of -1, or a height of 0: not the template's alone)
    bool shown;
};

TEST_F(OptionsTest, ShowsEveryControlInItsPlaceOnThePicture)
{
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    RECT window = {};
    ::GetWindowRect(options, &window);
    // 392 x 234 units at 6 x 12 pixels per 4 x 8 units.
    EXPECT_EQ(window.right - window.left, 588);
    EXPECT_EQ(window.bottom - window.top, 351);
    const RECT work = WorkArea();
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);
    // The outline follows the 585 x 346 picture, one pixel wider and taller.
    HRGN outline = ::CreateRoundRectRgn(0, 0, 586, 347, 7, 7);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetWindowRgn(options, region), COMPLEXREGION);
    EXPECT_TRUE(SamePixels(outline, region));
    ::DeleteObject(region);
    ::DeleteObject(outline);

    const CONTROL_LAYOUT controls[] = {
        {IDC_OPTIONS_ACTIVE_DEFENCE, "Button", "启用主动防御【体验功能】", {125, 64, 128, 13}, {}, true},
        {IDC_OPTIONS_RUN_AT_START, "Button", "系统启动时自动运行", {53, 46, 117, 13}, {}, true},
        {IDC_OPTIONS_AUTO_UPDATE, "Button", "自动升级", {53, 121, 51, 13}, {}, true},
        // A drop-down list is as high as its face; the units give its list.
        {IDC_OPTIONS_FREQUENCY, "ComboBox", "每天一次", {125, 121, 72, 0}, {}, true},
        {IDC_OPTIONS_RECOMMENDED, "Static", "[推荐]", {199, 126, 24, 11}, {}, true},
        {IDC_OPTIONS_UPDATE, "Button", "立即升级", {227, 120, 0, 0}, {73, 21}, true},
        {IDC_OPTIONS_SEARCH_DEFENCE, "Button", "启用搜索引擎社会化安全防御功能", {125, 84, 149, 13}, {}, true},
        // Its left edge follows the version label's text (below).
        {IDC_OPTIONS_PROGRESS, "msctls_progress32", "", {-1, 144, -1, 6}, {}, false},
        {IDC_OPTIONS_LOG, "ListBox", "", {0, 182, 293, 9}, {}, false},
        {IDC_OPTIONS_AUTO_DOWNLOAD, "Button", "有软件更新时自动下载", {53, 160, 96, 10}, {}, true},
        {IDC_OPTIONS_OK, "Button", "确 定", {201, 203, 0, 0}, {83, 28}, true},
        {IDC_OPTIONS_CANCEL, "Button", "取 消", {261, 203, 0, 0}, {83, 28}, true},
        {IDC_OPTIONS_SPARE_TEXT, "Static", "aaa", {29, 215, 69, 8}, {}, false},
        {IDC_OPTIONS_APPLY, "Button", "应 用", {320, 203, 0, 0}, {83, 28}, true},
        {IDC_OPTIONS_SPARE_BUTTON, "Button", "", {119, 202, 0, 0}, {83, 28}, false},
        {IDC_OPTIONS_CLOSE, "Button", "", {373, 5, 0, 0}, {13, 13}, true},
        // As wide as its text, at least as the template makes it (below).
        {IDC_OPTIONS_DB_VERSION, "Static", "特征库版本：1.0002 ", {54, 143, -1, 8}, {}, true},
    };
    for (const CONTROL_LAYOUT& c : controls) {
        SCOPED_TRACE(c.id);
        HWND control = ::GetDlgItem(options, c.id);
        ASSERT_NE(control, nullptr);
        char className[64] = {};
        ::GetClassNameA(control, className, sizeof className);
        EXPECT_STREQ(className, c.className);
        EXPECT_EQ(WindowText(control), c.text);
        EXPECT_EQ(IsShown(options, c.id), c.shown);
        RECT rect = {};
        ::GetWindowRect(control, &rect);
        if (c.units.left != -1) {
            EXPECT_EQ(rect.left - window.left, ::MulDiv(c.units.left, 6, 4));
        }
        EXPECT_EQ(rect.top - window.top, ::MulDiv(c.units.top, 12, 8));
        if (c.fitted.cx != 0) {
            EXPECT_EQ(rect.right - rect.left, c.fitted.cx);
            EXPECT_EQ(rect.bottom - rect.top, c.fitted.cy);
        } else if (c.units.right != -1) {
            EXPECT_EQ(rect.right - rect.left, ::MulDiv(c.units.right, 6, 4));
            if (c.units.bottom != 0) {
                EXPECT_EQ(rect.bottom - rect.top, ::MulDiv(c.units.bottom, 12, 8));
            }
        }
        // Every shown control lies on the picture.
        if (c.shown) {
            EXPECT_LE(rect.right - window.left, 585);
            EXPECT_LE(rect.bottom - window.top, 346);
        }
    }
    // The version is not cut off: the label takes its text's width in the
    // dialog font, and the progress bar shown beside it during a pass begins
    // after it, at the template's place or further right, and ends where the
    // template ends it.
    RECT label = {};
    RECT bar = {};
    ::GetWindowRect(::GetDlgItem(options, IDC_OPTIONS_DB_VERSION), &label);
    ::GetWindowRect(::GetDlgItem(options, IDC_OPTIONS_PROGRESS), &bar);
    EXPECT_EQ(label.right - label.left, std::max(TextWidth("特征库版本：1.0002"), ::MulDiv(62, 6, 4)));
    EXPECT_GE(bar.left - window.left, ::MulDiv(126, 6, 4));
    EXPECT_GT(bar.left, label.right);
    EXPECT_EQ(bar.right - window.left, ::MulDiv(126, 6, 4) + ::MulDiv(203, 6, 4));

    HWND frequency = ::GetDlgItem(options, IDC_OPTIONS_FREQUENCY);
    ASSERT_EQ(::SendMessageA(frequency, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ComboBoxLine(frequency, 0), "每天一次");
    EXPECT_EQ(ComboBoxLine(frequency, 1), "每周一次");
    EXPECT_EQ(::SendMessageA(::GetDlgItem(options, IDC_OPTIONS_LOG), LB_GETCOUNT, 0, 0), 0);

    ::Sleep(300);
    SaveScreenshot("options", &window);
}

// The update worker rewrites the version label during a pass, from its own
// thread, with a text of any length: the label takes the width of each text
// it is given, and the progress bar beside it starts after it and still ends
// where it did.
TEST_F(OptionsTest, VersionLabelTakesTheWidthOfEveryTextItIsGiven)
{
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    HWND label = ::GetDlgItem(options, IDC_OPTIONS_DB_VERSION);
    HWND bar = ::GetDlgItem(options, IDC_OPTIONS_PROGRESS);
    RECT barBefore = {};
    ::GetWindowRect(bar, &barBefore);
    for (const char* text : {"特征库版本：1.0003", "特征库版本：2147483647.2147483647"}) {
        SCOPED_TRACE(text);
        ::SendMessageTimeoutA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
        RECT labelRect = {};
        RECT barRect = {};
        ::GetWindowRect(label, &labelRect);
        ::GetWindowRect(bar, &barRect);
        EXPECT_EQ(labelRect.right - labelRect.left, std::max(TextWidth(text), ::MulDiv(62, 6, 4)));
        EXPECT_GT(barRect.left, labelRect.right);
        EXPECT_EQ(barRect.right, barBefore.right);
    }
}

struct STORED_SETTINGS_CASE {
    const char* name;
    std::string update;      // the "update" value (updated today when automatic: no pass starts)
    DWORD autorun;
    const DWORD* switches;   // SEARCH, AutoUpProgram, AutoReport; null: none stored
    bool runAtStart, autoUpdate, searchDefence, autoDownload, activeDefence;
    int frequency;
};

const DWORD kAsRegistered[] = {1, 1, 0};  // what the component's registration writes

TEST_F(OptionsTest, ShowsTheStoredSettings)
{
    const DWORD on[] = {1, 7, 0x80000000u};
    const DWORD off[] = {0, 0, 0};
    const STORED_SETTINGS_CASE cases[] = {
        {"AsRegistered", TodayUpdateText(1, 0), 1, kAsRegistered, true, true, true, true, false, 0},
        {"AllOn", TodayUpdateText(1, 1), 1, on, true, true, true, true, true, 1},
        {"AllOff", "0,0,2001.1.1", 0, off, false, false, false, false, false, 0},
        {"NoSwitchesWeeklyWithoutAutomaticUpdate", "0,1,2001.1.1", 1, nullptr, true, false, false, false, false, 1},
    };
    for (const STORED_SETTINGS_CASE& c : cases) {
        SCOPED_TRACE(c.name);
        // The schedule is read when the client starts, the rest when the dialog opens.
        m_client.Kill();
        EndAllClients();
        DeleteSettingsKey();
        ASSERT_TRUE(RegisterComponentIn(*m_folder));
        WriteSetting("update", c.update);
        WriteSetting("autorun", c.autorun);
        const char* switches[] = {"SEARCH", "AutoUpProgram", "AutoReport"};
        for (int i = 0; i < 3; ++i) {
            if (c.switches != nullptr)
                WriteSetting(switches[i], c.switches[i]);
            else
                DeleteSetting(switches[i]);
        }
        ASSERT_NE(StartClientWithTray(), nullptr);
        HWND options = OpenOptions();
        ASSERT_NE(options, nullptr);

        EXPECT_EQ(IsChecked(options, IDC_OPTIONS_RUN_AT_START), c.runAtStart);
        EXPECT_EQ(IsChecked(options, IDC_OPTIONS_AUTO_UPDATE), c.autoUpdate);
        EXPECT_EQ(IsChecked(options, IDC_OPTIONS_SEARCH_DEFENCE), c.searchDefence);
        EXPECT_EQ(IsChecked(options, IDC_OPTIONS_AUTO_DOWNLOAD), c.autoDownload);
        EXPECT_EQ(IsChecked(options, IDC_OPTIONS_ACTIVE_DEFENCE), c.activeDefence);
        EXPECT_EQ(::SendMessageA(::GetDlgItem(options, IDC_OPTIONS_FREQUENCY), CB_GETCURSEL, 0, 0), c.frequency);
        EXPECT_EQ(IsShown(options, IDC_OPTIONS_RECOMMENDED), c.frequency == 0);
        EXPECT_EQ(IsEnabled(options, IDC_OPTIONS_FREQUENCY), c.autoUpdate);
        EXPECT_EQ(IsEnabled(options, IDC_OPTIONS_RECOMMENDED), c.autoUpdate);
        // No pass runs.
        EXPECT_EQ(WindowText(::GetDlgItem(options, IDC_OPTIONS_UPDATE)), "立即升级");
        EXPECT_FALSE(IsShown(options, IDC_OPTIONS_PROGRESS));
        if (std::string(c.name) == "AllOff") {
            RECT window = {};
            ::GetWindowRect(options, &window);
            ::Sleep(300);
            SaveScreenshot("options-schedule-off", &window);
        }
    }
}

TEST_F(OptionsTest, ScheduleIsStoredAtOnceEvenWhenCancelled)
{
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    HWND frequency = ::GetDlgItem(options, IDC_OPTIONS_FREQUENCY);
    // The user picks the next line of the list with the keyboard.
    ::SendMessageA(frequency, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(::SendMessageA(frequency, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(UpdateValue(), TodayUpdateText(1, 1));
    EXPECT_FALSE(IsShown(options, IDC_OPTIONS_RECOMMENDED));

    ClickControl(options, IDC_OPTIONS_AUTO_UPDATE);
    EXPECT_EQ(UpdateValue(), TodayUpdateText(0, 1));
    EXPECT_FALSE(IsEnabled(options, IDC_OPTIONS_FREQUENCY));
    EXPECT_FALSE(IsEnabled(options, IDC_OPTIONS_RECOMMENDED));
    ClickControl(options, IDC_OPTIONS_AUTO_UPDATE);
    EXPECT_EQ(UpdateValue(), TodayUpdateText(1, 1));
    EXPECT_TRUE(IsEnabled(options, IDC_OPTIONS_FREQUENCY));

    ::SendMessageA(frequency, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(UpdateValue(), TodayUpdateText(1, 0));
    EXPECT_TRUE(IsShown(options, IDC_OPTIONS_RECOMMENDED));
    // A list without a selection keeps the stored frequency.
    ::SendMessageA(frequency, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SendMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_FREQUENCY, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(frequency));
    EXPECT_EQ(UpdateValue(), TodayUpdateText(1, 0));

    ClickControl(options, IDC_OPTIONS_AUTO_UPDATE);
    ClickControl(options, IDC_OPTIONS_CANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
    EXPECT_EQ(UpdateValue(), TodayUpdateText(0, 0));
    // The client keeps it too: the dialog opens with it.
    options = OpenOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(IsChecked(options, IDC_OPTIONS_AUTO_UPDATE));
    EXPECT_FALSE(IsEnabled(options, IDC_OPTIONS_FREQUENCY));
}

struct CLOSE_CASE {
    const char* name;
    int button;  // a button to click, or 0
    UINT key;    // else a key to press
    bool stores;
    bool closes;
};

TEST_F(OptionsTest, OnlyApplyAndOkStoreTheSwitches)
{
    std::string program;
    ASSERT_TRUE(ReadRunEntry(program));
    const CLOSE_CASE cases[] = {
        {"Apply", IDC_OPTIONS_APPLY, 0, true, false},  {"Ok", IDC_OPTIONS_OK, 0, true, true},
        {"Cancel", IDC_OPTIONS_CANCEL, 0, false, true}, {"Close", IDC_OPTIONS_CLOSE, 0, false, true},
        {"Escape", 0, VK_ESCAPE, false, true},          {"Enter", 0, VK_RETURN, false, true},
    };
    for (const CLOSE_CASE& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSetting("autorun", 1);
        WriteRunEntry(program);
        for (const char* name : {"SEARCH", "AutoUpProgram", "AutoReport"})
            DeleteSetting(name);
        HWND options = OpenOptions();
        ASSERT_NE(options, nullptr);
        for (int id : {IDC_OPTIONS_RUN_AT_START, IDC_OPTIONS_SEARCH_DEFENCE, IDC_OPTIONS_AUTO_DOWNLOAD,
                       IDC_OPTIONS_ACTIVE_DEFENCE})
            ClickControl(options, id);
        ASSERT_FALSE(IsChecked(options, IDC_OPTIONS_RUN_AT_START));
        ASSERT_TRUE(IsChecked(options, IDC_OPTIONS_ACTIVE_DEFENCE));

        if (c.button != 0)
            ClickControl(options, c.button);
        else
            PressKey(options, c.key);
        if (c.closes) {
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
        } else {
            // Applied, the dialog stays with the values it stored.
            EXPECT_TRUE(::IsWindow(options));
            EXPECT_FALSE(IsChecked(options, IDC_OPTIONS_RUN_AT_START));
            EXPECT_TRUE(IsChecked(options, IDC_OPTIONS_SEARCH_DEFENCE));
        }

        DWORD autorun = 9;
        EXPECT_TRUE(ReadSetting("autorun", autorun));
        EXPECT_EQ(autorun, c.stores ? 0u : 1u);
        std::string entry;
        EXPECT_EQ(ReadRunEntry(entry), !c.stores);
        if (!c.stores) {
            EXPECT_EQ(entry, program);
        }
        for (const char* name : {"SEARCH", "AutoUpProgram", "AutoReport"}) {
            DWORD value = 9;
            EXPECT_EQ(ReadSetting(name, value), c.stores) << name;
            if (c.stores) {
                EXPECT_EQ(value, 1u) << name;
            }
        }
        if (!c.closes) {
            ClickControl(options, IDC_OPTIONS_CANCEL);
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
        }
    }
    EXPECT_TRUE(m_client.IsRunning());
}

}  // namespace
}  // namespace karvex::test
