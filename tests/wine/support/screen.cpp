#include "tests/wine/support/screen.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/win/gdi.h"
#include "common/win/handles.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

COLORREF ScreenPixel(int x, int y)
{
    CWindowDC screen(nullptr);
    return ::GetPixel(screen.get(), x, y);
}

Picture CaptureScreen(const RECT& area)
{
    Picture picture;
    picture.width = area.right - area.left;
    picture.height = area.bottom - area.top;
    if (picture.width <= 0 || picture.height <= 0)
        return picture;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    CWindowDC screen(nullptr);
    UniqueMemoryDC memory(::CreateCompatibleDC(screen.get()));
    UniqueGdiObject<HBITMAP> bitmap(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header),
                                                       DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap) {
        {
            CSelectedObject selected(memory.get(), bitmap.get());
            ::BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(), area.left, area.top, SRCCOPY);
            ::GdiFlush();
        }
        const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t(3);
        picture.bits.assign(static_cast<const char*>(bits), stride * static_cast<size_t>(picture.height));
    }
    return picture;
}

std::vector<COLORREF> ScreenPixels(const RECT& area)
{
    std::vector<COLORREF> colours;
    const Picture picture = CaptureScreen(area);
    if (picture.bits.empty())
        return colours;
    const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t(3);
    for (int y = picture.height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const BYTE*>(picture.bits.data()) + static_cast<size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x)
            colours.push_back(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return colours;
}

void SaveScreenshot(const std::string& name, const RECT* area)
{
    const char* folder = std::getenv("KARVEX_SHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    const RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const Picture picture = CaptureScreen(area != nullptr ? *area : screen);
    if (picture.bits.empty())
        return;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;  // bottom-up, as a .bmp file stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(picture.bits.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    const std::string path = std::string(folder) + "\\" + name + ".bmp";
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&header, sizeof header, 1, out);
        std::fwrite(picture.bits.data(), 1, picture.bits.size(), out);
        std::fclose(out);
    }
}

void SaveScreenshot(HWND window, const std::string& name)
{
    ::Sleep(300);
    RECT area;
    if (::GetWindowRect(window, &area))
        SaveScreenshot(name, &area);
}

bool SamePixels(HRGN a, HRGN b)
{
    RECT box = {};
    RECT other = {};
    ::GetRgnBox(a, &box);
    ::GetRgnBox(b, &other);
    ::UnionRect(&box, &box, &other);
    for (int y = box.top - 1; y <= box.bottom; ++y) {
        for (int x = box.left - 1; x <= box.right; ++x) {
            if (::PtInRegion(a, x, y) != ::PtInRegion(b, x, y))
                return false;
        }
    }
    return true;
}

RECT WorkArea()
{
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool StartHostProgram(const std::string& commandLine)
{
    // Not StartProcess: Wine starts a host program without giving a handle
    // to it, so success here is CreateProcess's answer alone.
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
}

bool MovePointer(int x, int y)
{
    return StartHostProgram("/usr/bin/xdotool mousemove " + std::to_string(x) + " " + std::to_string(y)) &&
           WaitUntil([&] {
               POINT cursor;
               return ::GetCursorPos(&cursor) && cursor.x == x && cursor.y == y;
           });
}

}  // namespace karvex::test
