#include "client/ui/skin/skinned_dialog.h"

#include "common/win/gdi.h"
#include "common/win/transparency.h"

namespace karvex {

void CSkinnedDialog::SetRoundedRegion(int right, int bottom)
{
    HRGN region = ::CreateRoundRectRgn(0, 0, right, bottom, 7, 7);
    // The window owns a region it accepted; one it refused is still ours.
    if (region != nullptr && !::SetWindowRgn(GetHwnd(), region, FALSE))
        ::DeleteObject(region);
}

void CSkinnedDialog::CenterInWorkArea()
{
    RECT work;
    RECT window;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || !::GetWindowRect(GetHwnd(), &window))
        return;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ::SetWindowPos(GetHwnd(), nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CSkinnedDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        // The picture covers the face; erasing first would only flicker.
        return SetMessageResult(1);
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NCHITTEST:
        if (m_bDraggable) {
            const LRESULT hit = ::DefWindowProcA(GetHwnd(), message, wParam, lParam);
            return SetMessageResult(hit == HTCLIENT ? HTCAPTION : hit);
        }
        break;
    }
    return CDialog::HandleMessage(message, wParam, lParam);
}

INT_PTR CSkinnedDialog::OnCtlColorStatic(HDC dc, HWND)
{
    return ShowPictureThrough(dc);
}

void CSkinnedDialog::OnPaint()
{
    CPaintDC dc(GetHwnd());
    if (!dc)
        return;
    const RECT ownSize = {0, 0, 0, 0};
    m_background.Render(dc.get(), ownSize);
    FillBeyondPicture(dc.get());
}

void CSkinnedDialog::FillBeyondPicture(HDC dc)
{
    // Dialog units round the window up to a pixel more than the picture at
    // most: that strip takes the colour of the picture's nearest corner.
    const SIZE size = m_background.GetSize(dc);
    RECT client;
    ::GetClientRect(GetHwnd(), &client);
    if (size.cx <= 0 || size.cy <= 0 || (client.right <= size.cx && client.bottom <= size.cy))
        return;
    const COLORREF corner = ::GetPixel(dc, size.cx - 1, size.cy - 1);
    if (corner == CLR_INVALID)
        return;
    UniqueGdiObject<HBRUSH> brush(::CreateSolidBrush(corner));
    if (!brush)
        return;
    const RECT right = {size.cx, 0, client.right, client.bottom};
    const RECT below = {0, size.cy, client.right, client.bottom};
    ::FillRect(dc, &right, brush.get());
    ::FillRect(dc, &below, brush.get());
}

}  // namespace karvex
