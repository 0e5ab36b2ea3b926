#include "setup/flat_progress.h"

#include <commctrl.h>

namespace karvex {

namespace {

constexpr COLORREF kBackgroundColour = 0xFAF0DF;
constexpr COLORREF kBarColour = 0xFFD972;
constexpr COLORREF kFrameColour = 0xDDDDDD;

}  // namespace

CFlatProgress::CFlatProgress()
    : m_background(::CreateSolidBrush(kBackgroundColour)),
      m_bar(::CreateSolidBrush(kBarColour)),
      m_frame(::CreateSolidBrush(kFrameColour))
{
}

LRESULT CFlatProgress::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCPAINT:
        OnNcPaint();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // the paint fills every pixel
    }
    return DefaultProc(message, wParam, lParam);
}

void CFlatProgress::OnNcPaint()
{
    HDC dc = ::GetWindowDC(GetHwnd());
    if (dc == nullptr)
        return;
    RECT frame;
    ::GetWindowRect(GetHwnd(), &frame);
    ::OffsetRect(&frame, -frame.left, -frame.top);
    ::FrameRect(dc, &frame, m_frame.get());
    ::ReleaseDC(GetHwnd(), dc);
}

void CFlatProgress::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHwnd(), &paint);
    RECT client;
    ::GetClientRect(GetHwnd(), &client);
    ::FillRect(dc, &client, m_background.get());
    LRESULT position = DefaultProc(PBM_GETPOS, 0, 0);
    if (position > 100)
        position = 100;
    if (position > 0) {
        RECT bar = client;
        bar.right = client.left + static_cast<LONG>(position * (client.right - client.left) / 100);
        ::FillRect(dc, &bar, m_bar.get());
    }
    ::EndPaint(GetHwnd(), &paint);
}

}  // namespace karvex
