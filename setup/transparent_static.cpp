#include "setup/transparent_static.h"

namespace karvex {

namespace {

// The control's whole text, as much as a label shows.
constexpr int kTextBufferSize = 1024;

}  // namespace

LRESULT CTransparentStatic::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    }
    return DefaultProc(message, wParam, lParam);
}

void CTransparentStatic::OnPaint()
{
    char text[kTextBufferSize];
    const int length = ::GetWindowTextA(GetHwnd(), text, sizeof text);
    if (length <= 0) {
        DefaultProc(WM_PAINT, 0, 0);
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHwnd(), &paint);
    PaintText(dc, text, length);
    ::EndPaint(GetHwnd(), &paint);
}

void CTransparentStatic::PaintText(HDC dc, const char* text, int length) const
{
    DrawLine(dc, GetFont(), text, length);
}

void CTransparentStatic::DrawLine(HDC dc, HFONT font, const char* text, int length) const
{
    HGDIOBJ oldFont = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    ::SetTextColor(dc, m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutA(dc, 0, 0, text, length);
    if (oldFont != nullptr)
        ::SelectObject(dc, oldFont);
}

HFONT CTransparentStatic::GetFont() const
{
    return reinterpret_cast<HFONT>(::SendMessageA(GetHwnd(), WM_GETFONT, 0, 0));
}

LRESULT CTransparentStatic::OnSetText(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefaultProc(WM_SETTEXT, wParam, lParam);
    // The old letters were drawn over the picture without a background: the
    // picture underneath is drawn again before the new text.
    HWND parent = ::GetParent(GetHwnd());
    RECT area;
    ::GetWindowRect(GetHwnd(), &area);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    return result;
}

INT_PTR ShowPictureThrough(WPARAM dc)
{
    ::SetBkMode(reinterpret_cast<HDC>(dc), TRANSPARENT);
    return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
}

}  // namespace karvex
