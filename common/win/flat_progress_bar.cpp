#include "common/win/flat_progress_bar.h"

#include <commctrl.h>

#include "common/win/gdi.h"

namespace karvex {

CFlatProgressBar::CFlatProgressBar(COLORREF background, COLORREF bar, COLORREF frame)
    : m_brBackground(::CreateSolidBrush(background)), m_brBar(::CreateSolidBrush(bar)), m_crFrame(frame)
{
}

bool CFlatProgressBar::Attach(HWND dialog, int id)
{
    if (!CControl::Attach(dialog, id))
        return false;
    const LONG_PTR style = ::GetWindowLongPtrA(GetHwnd(), GWL_STYLE);
    if ((style & WS_BORDER) == 0) {
        ::SetWindowLongPtrA(GetHwnd(), GWL_STYLE, style | WS_BORDER);
        ::SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

LRESULT CFlatProgressBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCPAINT:
        DrawFlatFrame(GetHwnd(), m_crFrame);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers the whole client area
    }
    return DefaultProc(message, wParam, lParam);
}

void CFlatProgressBar::OnPaint()
{
    CPaintDC dc(GetHwnd());
    if (!dc)
        return;
    RECT client;
    ::GetClientRect(GetHwnd(), &client);
    ::FillRect(dc.get(), &client, m_brBackground.get());
    LRESULT position = DefaultProc(PBM_GETPOS, 0, 0);
    if (position > 100)
        position = 100;
    if (position > 0) {
        RECT bar = client;
        bar.right = static_cast<LONG>(static_cast<long long>(position) * client.right / 100);
        ::FillRect(dc.get(), &bar, m_brBar.get());
    }
}

void DrawFlatFrame(HWND window, COLORREF colour)
{
    CWindowDC dc(window, CWindowDC::kWholeWindow);
    if (!dc)
        return;
    RECT outline;
    ::GetWindowRect(window, &outline);
    // The client area, in window coordinates, is left to the control's own painting.
    RECT client;
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ::OffsetRect(&client, -outline.left, -outline.top);
    ::OffsetRect(&outline, -outline.left, -outline.top);
    ::ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
    UniqueGdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
    if (brush)
        ::FrameRect(dc.get(), &outline, brush.get());
}

}  // namespace karvex
