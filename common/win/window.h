// Base of the programs' own windows: the static window procedure finds the
// object through the pointer stored at WM_NCCREATE and hands every message to
// its HandleMessage.
#pragma once

#include <windows.h>

namespace karvex {

class CWindow {
public:
    CWindow() = default;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    virtual ~CWindow();

    HWND GetHwnd() const { return m_hWnd; }
    void DestroyWindow();

protected:
    // Registers a window class served by this layer, once per process.
    static bool RegisterWindowClass(const char* className);
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                  int width, int height, HWND parent);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;
    HWND m_hWnd = nullptr;
};

}  // namespace karvex
