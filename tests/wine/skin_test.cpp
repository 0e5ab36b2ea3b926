// The skin classes on a dialog of the test program skin_gallery: the user's
// pointer hovers and presses the buttons, the progress bar and the list box
// draw their frames and fills, a label wraps its text, and nothing leaks over
// many create-paint-destroy cycles.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "tests/wine/programs/skin_gallery.h"
#include "tests/wine/support/client_process.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/screen.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {
namespace {

class SkinControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MovePointer(1, 1);
        ASSERT_TRUE(m_gallery.Start(BuildFolder() + "\\skin_gallery.exe", "show"));
        m_dialog = m_gallery.WaitForWindow("#32770", kGalleryTitle);
        ASSERT_NE(m_dialog, nullptr);
    }

    COLORREF Pixel(int id, int x, int y) const
    {
        DWORD_PTR colour = CLR_INVALID;
        ::SendMessageTimeoutA(m_dialog, kPixelQuery, static_cast<WPARAM>(id), MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000,
                              &colour);
        return static_cast<COLORREF>(colour);
    }

    int State(int id) const
    {
        DWORD_PTR state = static_cast<DWORD_PTR>(-1);
        ::SendMessageTimeoutA(m_dialog, kButtonStateQuery, static_cast<WPARAM>(id), 0, SMTO_ABORTIFHUNG, 5000,
                              &state);
        return static_cast<int>(state);
    }

    RECT ScreenRect(int id) const
    {
        RECT rect = {};
        ::GetWindowRect(::GetDlgItem(m_dialog, id), &rect);
        return rect;
    }

    RECT ClientRect(int id) const
    {
        RECT rect = {};
        ::GetClientRect(::GetDlgItem(m_dialog, id), &rect);
        return rect;
    }

    ChildProcess m_gallery;
    HWND m_dialog = nullptr;
};

TEST_F(SkinControlsTest, PointerHoversAndPressesTheButtons)
{
    struct Case {
        int id;
        int width, height;          // the picture's size
        POINT probe;                // a pixel whose colour differs between the faces
        bool pressedFaceOfItsOwn;   // the update button's pressed face is its hover face
    } cases[] = {
        {IDC_GALLERY_BUTTON, 83, 28, {40, 1}, true},
        {IDC_GALLERY_BITMAP_BUTTON, 73, 21, {40, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const RECT rect = ScreenRect(c.id);
        EXPECT_EQ(rect.right - rect.left, c.width);
        EXPECT_EQ(rect.bottom - rect.top, c.height);
        ASSERT_EQ(State(c.id), 0);
        const COLORREF normal = Pixel(c.id, c.probe.x, c.probe.y);

        ASSERT_TRUE(MovePointer((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
        ASSERT_TRUE(WaitUntil([&] { return State(c.id) == 1; }));
        COLORREF hover = CLR_INVALID;
        EXPECT_TRUE(WaitUntil([&] { return (hover = Pixel(c.id, c.probe.x, c.probe.y)) != normal; }));
        SaveScreenshot("skin-hover-" + std::to_string(c.id));

        ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mousedown 1"));
        ASSERT_TRUE(WaitUntil([&] { return State(c.id) == 2; }));
        if (c.pressedFaceOfItsOwn) {
            EXPECT_TRUE(WaitUntil([&] {
                const COLORREF pressed = Pixel(c.id, c.probe.x, c.probe.y);
                return pressed != hover && pressed != normal;
            }));
        }
        SaveScreenshot("skin-pressed-" + std::to_string(c.id));
        // Released over the button it stays pressed until the pointer leaves.
        // xdotool runs on its own: the release must be through before the
        // pointer leaves, or the two may reach the button the other way round.
        ASSERT_TRUE(StartHostProgram("/usr/bin/xdotool mouseup 1"));
        ASSERT_TRUE(WaitUntil([] { return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0; }));
        ::Sleep(300);
        EXPECT_EQ(State(c.id), 2);

        ASSERT_TRUE(MovePointer(1, 1));
        ASSERT_TRUE(WaitUntil([&] { return State(c.id) == 0; }));
        EXPECT_TRUE(WaitUntil([&] { return Pixel(c.id, c.probe.x, c.probe.y) == normal; }));
    }
}

TEST_F(SkinControlsTest, ProgressBarFillsItsShareOfTheWidth)
{
    const COLORREF background = RGB(223, 240, 250);
    const COLORREF bar = RGB(166, 224, 240);
    const HWND progress = ::GetDlgItem(m_dialog, IDC_GALLERY_PROGRESS);
    const LONG width = ClientRect(IDC_GALLERY_PROGRESS).right;
    ASSERT_GT(width, 100);
    for (int position : {0, 33, 50, 100}) {
        SCOPED_TRACE(position);
        ::SendMessageA(progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        const int filled = static_cast<int>(position * width / 100);
        EXPECT_TRUE(WaitUntil([&] {
            return (filled == 0 || Pixel(IDC_GALLERY_PROGRESS, filled - 1, 2) == bar) &&
                   (filled == width || Pixel(IDC_GALLERY_PROGRESS, filled, 2) == background);
        }));
        EXPECT_EQ(Pixel(IDC_GALLERY_PROGRESS, 0, 2), filled > 0 ? bar : background);
    }
    // A one-pixel light grey frame instead of the system's border.
    const RECT rect = ScreenRect(IDC_GALLERY_PROGRESS);
    EXPECT_TRUE(WaitUntil([&] {
        return ScreenPixel(rect.left, rect.top) == RGB(221, 221, 221) &&
               ScreenPixel(rect.right - 1, rect.bottom - 1) == RGB(221, 221, 221);
    }));
}

TEST_F(SkinControlsTest, ListBoxHasAFlatGreyFrame)
{
    const RECT rect = ScreenRect(IDC_GALLERY_LIST);
    for (POINT corner : {POINT{rect.left, rect.top}, POINT{rect.right - 1, rect.top}, POINT{rect.left, rect.bottom - 1},
                         POINT{rect.right - 1, rect.bottom - 1}}) {
        EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(corner.x, corner.y) == RGB(158, 158, 158); }))
            << corner.x << "," << corner.y << ": " << std::hex << ScreenPixel(corner.x, corner.y);
    }
}

TEST_F(SkinControlsTest, LabelWrapsAndRepaintsBehindANewText)
{
    // Red pixels in a band of rows of the label.
    const LONG width = ClientRect(IDC_GALLERY_LABEL).right;
    const auto redIn = [&](int top, int bottom, int left = 0) {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < width; ++x) {
                if (Pixel(IDC_GALLERY_LABEL, x, y) == RGB(255, 0, 0))
                    return true;
            }
        }
        return false;
    };
    // The 17 characters of the text (204 pixels) take two lines of the
    // 150-pixel label; the first is filled to its end.
    EXPECT_EQ(width, 150);
    EXPECT_TRUE(redIn(0, 12, 132));
    EXPECT_TRUE(redIn(12, 24));

    // A shorter text: the old glyphs of the second line are gone.
    ::SendMessageA(::GetDlgItem(m_dialog, IDC_GALLERY_LABEL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("升级成功"));
    EXPECT_TRUE(WaitUntil([&] { return !redIn(12, 24) && !redIn(0, 12, 60); }));
    EXPECT_TRUE(redIn(0, 12));
}

// The pictures have the sizes the layouts rely on. A bitmap resource is found
// but refused by the decoder (it has no file header), and so is an absent one
// not found: both leave the holder empty, measuring 0 x 0 and drawing nothing.
TEST(SkinResourcesTest, PicturesHaveTheirSizes)
{
    struct Case {
        UINT id;
        int found, width, height;
    } cases[] = {
        {247, 1, 13, 13},   {262, 1, 83, 28},   {263, 1, 83, 28}, {264, 1, 83, 28}, {269, 1, 405, 256},
        {270, 1, 224, 150}, {272, 1, 585, 346}, {274, 1, 0, 0},   {9999, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ChildProcess gallery;
        ASSERT_TRUE(gallery.Start(BuildFolder() + "\\skin_gallery.exe",
                                  "picture " + std::to_string(c.id) + " " + std::to_string(c.found) + " " +
                                      std::to_string(c.width) + " " + std::to_string(c.height)));
        DWORD code = 99;
        ASSERT_TRUE(gallery.WaitForExit(30000, &code));
        EXPECT_EQ(code, 0u) << "picture " << c.id;
    }

    // The bitmaps: the speech bubble, and the update button's two faces with 256 colours.
    HMODULE client = ::LoadLibraryExA((BuildFolder() + "\\karvex.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(client, nullptr);
    struct Bitmap {
        UINT id;
        LONG width, height;
        WORD bits;  // 0: any
    } bitmaps[] = {{274, 29, 24, 0}, {275, 73, 21, 8}, {276, 73, 21, 8}};
    for (const Bitmap& b : bitmaps) {
        HRSRC resource = ::FindResourceA(client, MAKEINTRESOURCEA(b.id), RT_BITMAP);
        ASSERT_NE(resource, nullptr) << b.id;
        const auto* info = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(client, resource)));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->biWidth, b.width) << b.id;
        EXPECT_EQ(std::abs(info->biHeight), b.height) << b.id;
        if (b.bits != 0) {
            EXPECT_EQ(info->biBitCount, b.bits) << b.id;
        }
    }
    ::FreeLibrary(client);
}

// Every cycle creates, paints, hovers, presses and destroys the pop-up, the
// About box and a dialog with one control of each kind, with the GDI handle
// table filled so far that one object left behind per cycle would exhaust it.
TEST(SkinResourcesTest, CyclesLeaveNoGdiObjectBehind)
{
    ChildProcess gallery;
    ASSERT_TRUE(gallery.Start(BuildFolder() + "\\skin_gallery.exe", "cycles 150"));
    DWORD code = 99;
    ASSERT_TRUE(gallery.WaitForExit(500000, &code));
    EXPECT_EQ(code, 0u) << "1: drawing failed after the cycles, 2: objects leaked";
}

}  // namespace
}  // namespace karvex::test
