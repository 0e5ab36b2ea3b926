#include "client/ui/skin/skin_button.h"

namespace karvex {

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
