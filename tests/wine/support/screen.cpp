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

void SaveScreenshot(const std::string& name, const RECT* area)
{
    const char* folder = std::getenv("KARVEX_SHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    RECT shot = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (area != nullptr)
        shot = *area;
    const int width = shot.right - shot.left;
    const int height = shot.bottom - shot.top;
    if (width <= 0 || height <= 0)
        return;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file stores it
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
    ::BitBlt(memory, 0, 0, width, height, screen, shot.left, shot.top, SRCCOPY);
    ::SelectObject(memory, previous);
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

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
