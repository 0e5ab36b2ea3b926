#include "client/ui/skin_button.h"

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

bool CSkinButton::LoadPicture(int state, UINT id)
{
    m_pictures[state] = std::make_unique<CSkinPicture>();
    return m_pictures[state]->Load(id);
}

bool CSkinButton::SetPictures(UINT normalId, UINT hoverId, UINT pressedId)
{
    return LoadPicture(kNormal, normalId) && LoadPicture(kHover, hoverId) && LoadPicture(kPressed, pressedId);
}

bool CSkinButton::SetPicture(UINT normalId)
{
    return LoadPicture(kNormal, normalId);
}

void CSkinButton::FitToPicture()
{
    if (!m_pictures[kNormal])
        return;
    const SIZE size = m_pictures[kNormal]->GetSize();
    m_nWidth = size.cx;
    m_nHeight = size.cy;
    // Without SWP_NOZORDER the button also comes to the top of its siblings.
    ::SetWindowPos(GetHwnd(), nullptr, 0, 0, m_nWidth, m_nHeight, SWP_NOMOVE);
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    const CSkinPicture* picture = m_pictures[m_nState] ? m_pictures[m_nState].get() : m_pictures[kNormal].get();
    if (picture != nullptr) {
        const RECT ownSize = {0, 0, 0, 0};
        picture->Render(item.hDC, ownSize);
    }
    DrawCaption(item.hDC, m_nTextX, m_nHeight, -2);
}

}  // namespace karvex
