// Device contexts and the objects selected into them, given back at the end
// of their scope on every path, in the reverse order of taking. A borrowed
// device context or a selection belongs to the scope that took it: none is
// copied or moved. A memory device context, a handle of its own, is owned
// like the other handles.
#pragma once

#include <windows.h>

#include "common/win/handles.h"

namespace karvex {

// What the borrowed device contexts share: the context, null when none
// could be had.
class CScopedDC {
public:
    CScopedDC(const CScopedDC&) = delete;
    CScopedDC& operator=(const CScopedDC&) = delete;

    HDC get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

protected:
    CScopedDC() = default;
    ~CScopedDC() = default;

    HDC m_hDC = nullptr;
};

// The painting of one WM_PAINT: BeginPaint now, EndPaint at the end, also
// when BeginPaint gave no device context (the update region is validated).
class CPaintDC : public CScopedDC {
public:
    explicit CPaintDC(HWND window) : m_hWnd(window) { m_hDC = ::BeginPaint(window, &m_paint); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_paint); }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_paint = {};
};

// A device context of a window's client area (or, with kWholeWindow, of the
// window with its frame), or of the whole screen for a null window; released
// at the end.
class CWindowDC : public CScopedDC {
public:
    enum Area { kClientArea, kWholeWindow };
    explicit CWindowDC(HWND window, Area area = kClientArea) : m_hWnd(window)
    {
        m_hDC = area == kWholeWindow ? ::GetWindowDC(window) : ::GetDC(window);
    }
    ~CWindowDC()
    {
        if (m_hDC != nullptr)
            ::ReleaseDC(m_hWnd, m_hDC);
    }

private:
    HWND m_hWnd;
};

// Selects `object` into `dc` and puts the object it replaced back at the end,
// so that the object can be deleted afterwards. A null object (a control
// that has no font of its own) leaves the device context as it is.
class CSelectedObject {
public:
    CSelectedObject(HDC dc, HGDIOBJ object)
        : m_hDC(dc), m_hPrevious(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr)
    {
    }
    ~CSelectedObject()
    {
        if (m_hPrevious != nullptr)
            ::SelectObject(m_hDC, m_hPrevious);
    }
    CSelectedObject(const CSelectedObject&) = delete;
    CSelectedObject& operator=(const CSelectedObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};

struct MemoryDcTraits {
    using pointer = HDC;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteDC(h); }
};
// A memory device context (CreateCompatibleDC). Whatever is selected into it
// goes back out first: its CSelectedObject is declared after it.
using UniqueMemoryDC = UniqueHandle<MemoryDcTraits>;

}  // namespace karvex
