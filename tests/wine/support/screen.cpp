#include "tests/wine/support/screen.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/win/handles.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

namespace {

// `area` of the screen as a bottom-up 24-bit DIB, as a .bmp file stores it.
std::vector<BYTE> CaptureScreen(const RECT& area, BITMAPINFO& info)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    info = BITMAPINFO{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    info.bmiHeader.biSizeImage = stride * static_cast<DWORD>(height);
    std::vector<BYTE> pixels(info.bmiHeader.biSizeImage);

    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(memory, previous);
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

std::vector<COLORREF> ScreenPixels(const RECT& area)
{
    std::vector<COLORREF> colours;
    if (area.right <= area.left || area.bottom <= area.top)
        return colours;
    BITMAPINFO info;
    const std::vector<BYTE> pixels = CaptureScreen(area, info);
    const LONG width = info.bmiHeader.biWidth;
    const LONG height = info.bmiHeader.biHeight;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    for (LONG y = height - 1; y >= 0; --y) {
        const BYTE* row = pixels.data() + static_cast<size_t>(y) * stride;
        for (LONG x = 0; x < width; ++x)
            colours.push_back(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return colours;
}

void SaveScreenshot(const std::string& name, const RECT* area)
{
    const char* folder = std::getenv("KARVEX_SHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    RECT shot = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (area != nullptr)
        shot = *area;
    if (shot.right <= shot.left || shot.bottom <= shot.top)
        return;
    BITMAPINFO info;
    const std::vector<BYTE> pixels = CaptureScreen(shot, info);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + info.bmiHeader.biSizeImage;
    const std::string path = std::string(folder) + "\\" + name + ".bmp";
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        std::fclose(out);
    }
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
