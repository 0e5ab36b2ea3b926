#include "client/ui/skin/skin_bitmap_button.h"

#include "common/win/gdi.h"

namespace karvex {

bool CSkinBitmapButton::SetBitmaps(HINSTANCE instance, UINT normalId, UINT hoverId, UINT pressedId)
{
    const UINT ids[3] = {normalId, hoverId, pressedId};
    bool all = true;
    for (int i = 0; i < 3; ++i) {
        m_bitmaps[i].reset(::LoadBitmapA(instance, MAKEINTRESOURCEA(LOWORD(ids[i]))));
        all = all && m_bitmaps[i];
    }
    return all;
}

HBITMAP CSkinBitmapButton::CurrentBitmap() const
{
    return m_bitmaps[m_nState] ? m_bitmaps[m_nState].get() : m_bitmaps[kNormal].get();
}

void CSkinBitmapButton::FitToBitmap()
{
    RECT window;
    if (::GetWindowRect(GetHwnd(), &window))
        m_nHeight = window.bottom - window.top;
    BITMAP info;
    HBITMAP bitmap = m_bitmaps[m_nState].get();
    if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) == 0)
        return;
    m_nHeight = info.bmHeight;
    ::SetWindowPos(GetHwnd(), nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE);
}

void CSkinBitmapButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    BITMAP info;
    HBITMAP bitmap = CurrentBitmap();
    if (bitmap != nullptr && ::GetObjectA(bitmap, sizeof info, &info) != 0) {
        UniqueMemoryDC memory(::CreateCompatibleDC(nullptr));
        if (memory) {
            // The bitmap goes back out of the memory context before it is deleted.
            CSelectedObject selected(memory.get(), bitmap);
            ::BitBlt(item.hDC, 0, 0, info.bmWidth, info.bmHeight, memory.get(), 0, 0, SRCCOPY);
        }
    }
    DrawCaption(item.hDC, 15, m_nHeight, 1);
}

}  // namespace karvex
