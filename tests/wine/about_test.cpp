// The About box from the tray menu's command, and the templates' layout at
// the dialog font's 6 x 12 base units.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "client/res/resource.h"
#include "common/product.h"
#include "common/servers.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/screen.h"

namespace karvex::test {
namespace {

class AboutTest : public RunningClientTest {
protected:
    HWND OpenAbout()
    {
        Post(WM_COMMAND, ID_TRAY_ABOUT, 0);
        return m_client.WaitForWindow("#32770", "Karvex - 提示");
    }

    static RECT ChildRect(HWND dialog, int id)
    {
        RECT rect = {};
        ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
        RECT window = {};
        ::GetWindowRect(dialog, &window);
        ::OffsetRect(&rect, -window.left, -window.top);
        return rect;
    }
};

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(AboutTest, ShowsTheProductOnItsRoundedPicture)
{
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    RECT window = {};
    ::GetWindowRect(about, &window);
    // 270 x 171 dialog units at 6 x 12 pixels per 4 x 8 units, rounded.
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    EXPECT_EQ(width, 405);
    EXPECT_EQ(height, 257);
    // In the middle of the work area.
    const RECT work = WorkArea();
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);

    HRGN outline = ::CreateRoundRectRgn(0, 0, width, height, 7, 7);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetWindowRgn(about, region), COMPLEXREGION);
    EXPECT_TRUE(SamePixels(outline, region));
    ::DeleteObject(region);
    ::DeleteObject(outline);

    // Every text of the template (the buttons come to the top of the order
    // when they take their pictures' sizes).
    std::vector<std::string> texts;
    for (HWND child = ::GetWindow(about, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected = {"Karvex V1.3   特征库版本:V1.5832", std::string("http://") + kWebHost,
                                         "关 闭", "Karvex - 关于", ""};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);

    // The buttons take their pictures' sizes where the template puts them.
    EXPECT_TRUE(SameRect(ChildRect(about, IDC_ABOUT_CLOSE), RECT{300, 215, 383, 243}));
    EXPECT_TRUE(SameRect(ChildRect(about, IDC_ABOUT_CORNER_CLOSE), RECT{381, 8, 394, 21}));

    ::Sleep(300);
    SaveScreenshot("about", &window);
}

TEST_F(AboutTest, PointerDragsItByTheBackgroundAndTheTexts)
{
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    // Grabbed on bare background, then on the version text: the window follows.
    for (POINT grab : {POINT{40, 180}, POINT{120, 90}}) {
        RECT before = {};
        ::GetWindowRect(about, &before);
        ASSERT_TRUE(MovePointer(before.left + grab.x, before.top + grab.y));
        ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mousedown 1"));
        ::Sleep(200);
        ASSERT_TRUE(MovePointer(before.left + grab.x + 30, before.top + grab.y + 20));
        ASSERT_TRUE(MovePointer(before.left + grab.x + 60, before.top + grab.y + 40));
        ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mouseup 1"));
        EXPECT_TRUE(WaitUntil([&] {
            RECT after = {};
            ::GetWindowRect(about, &after);
            return after.left == before.left + 60 && after.top == before.top + 40;
        })) << grab.x << "," << grab.y;
    }
    MovePointer(1, 1);
}

TEST_F(AboutTest, CloseButtonShowsHoverAndPressedFacesAndCloses)
{
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    ::Sleep(300);
    RECT button = {};
    ::GetWindowRect(::GetDlgItem(about, IDC_ABOUT_CLOSE), &button);
    // A pixel of the button's upper edge, where the three faces differ.
    const auto face = [&] { return ScreenPixel(button.left + 40, button.top + 1); };
    const COLORREF normal = face();

    ASSERT_TRUE(MovePointer(button.left + 20, button.top + 14));
    COLORREF hover = normal;
    EXPECT_TRUE(WaitUntil([&] { return (hover = face()) != normal; }));
    SaveScreenshot("about-close-hover", &button);
    ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mousedown 1"));
    EXPECT_TRUE(WaitUntil([&] { return face() != hover && face() != normal; }));
    SaveScreenshot("about-close-pressed", &button);
    // Released over it: a click, which ends the box.
    ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mouseup 1"));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
    MovePointer(1, 1);
}

TEST_F(AboutTest, BothButtonsCloseItAndOnlyOneIsOpen)
{
    for (int id : {IDC_ABOUT_CLOSE, IDC_ABOUT_CORNER_CLOSE}) {
        HWND about = OpenAbout();
        ASSERT_NE(about, nullptr);
        // Asked again, the open one stays the only one.
        Post(WM_COMMAND, ID_TRAY_ABOUT, 0);
        Post(WM_COMMAND, ID_TRAY_ABOUT, 0);
        EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
        size_t open = 0;
        for (HWND window : FindWindows("#32770", "Karvex - 提示"))
            open += WindowProcessId(window) == m_client.Id() && ::IsWindowVisible(window) ? 1 : 0;
        EXPECT_EQ(open, 1u);

        ::PostMessageA(::GetDlgItem(about, id), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); })) << id;
    }
    EXPECT_TRUE(m_client.IsRunning());
}

// Dialog 141 is a plain template: its icon control keeps the 21 x 21 units
// it is given (an ICON statement would leave it 0 x 0).
TEST(DialogTemplateTest, UpdateQuestionIconHasItsSize)
{
    HMODULE client = ::LoadLibraryExA((BuildFolder() + "\\karvex.exe").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(client, nullptr);
    HRSRC resource = ::FindResourceA(client, MAKEINTRESOURCEA(IDD_CONFIRM_UPDATE), RT_DIALOG);
    ASSERT_NE(resource, nullptr);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(client, resource)));
    ASSERT_NE(bytes, nullptr);

    // Skips a menu, class or title field: 0xFFFF and an ordinal, or a string.
    const auto skipField = [](const WORD* p) {
        if (*p == 0xFFFF)
            return p + 2;
        while (*p++ != 0) {
        }
        return p;
    };
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(bytes);
    ASSERT_NE(header->style & DS_SETFONT, 0u);
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    p = skipField(skipField(skipField(p)));  // menu, class, title
    p = skipField(p + 1);                    // point size, face name
    bool found = false;
    for (WORD i = 0; i < header->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        p = skipField(p);  // class
        const bool isIcon = p[0] == 0xFFFF && p[1] == IDI_KARVEX;
        p = skipField(p);  // text
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p + 1) + *p);  // creation data
        if (isIcon) {
            EXPECT_EQ(item->style & SS_TYPEMASK, UINT(SS_ICON));
            found = true;
            EXPECT_EQ(item->x, 7);
            EXPECT_EQ(item->y, 7);
            EXPECT_EQ(item->cx, 21);
            EXPECT_EQ(item->cy, 21);
        }
    }
    EXPECT_TRUE(found);
    ::FreeLibrary(client);
}

}  // namespace
}  // namespace karvex::test
