#include "client/ui/skin/hover_button.h"

#include <commctrl.h>

#include <vector>

#include "common/win/ansi_text.h"

namespace karvex {

LRESULT CHoverButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_LBUTTONDOWN: {
        // The button captures the mouse and redraws itself first.
        const LRESULT result = DefaultProc(message, wParam, lParam);
        m_nState = kPressed;
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
        return result;
    }
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

void CHoverButton::OnMouseMove()
{
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    if (m_bTracking)
        return;
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = GetHwnd();
    m_bTracking = ::_TrackMouseEvent(&track) != FALSE;
    m_nState = kHover;
    ::InvalidateRect(GetHwnd(), nullptr, TRUE);
}

void CHoverButton::OnMouseLeave()
{
    m_nState = kNormal;
    m_bTracking = false;
    ::InvalidateRect(GetHwnd(), nullptr, TRUE);
}

void CHoverButton::CopyWindowText(char* text, std::size_t size) const
{
    const int length = ::GetWindowTextLengthA(GetHwnd());
    std::vector<char> whole(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    ::GetWindowTextA(GetHwnd(), whole.data(), static_cast<int>(whole.size()));
    CopyWholeCharacters(text, size, whole.data());
}

void CHoverButton::DrawCaption(HDC dc, int x, int height, int shift) const
{
    SIZE line = {0, 0};
    ::GetTextExtentPoint32A(dc, "A", 1, &line);
    int y = (height - line.cy) / 2;
    if (y < 0)
        y = 0;
    y += shift;
    char text[100];
    CopyWindowText(text, sizeof text);
    ::SetTextColor(dc, m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutA(dc, x, y, text, lstrlenA(text));
}

}  // namespace karvex
