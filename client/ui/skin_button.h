// Owner-drawn push buttons whose face is a picture per state (normal, hover,
// pressed) with the button's text drawn over it, and the hand cursor.
#pragma once

#include <windows.h>

#include <memory>

#include "client/ui/skin_picture.h"
#include "common/win/control.h"

namespace karvex {

// Hover, press and leave, shared by the picture and the bitmap buttons.
class CHoverButton : public CControl {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };
    COLORREF m_crText = RGB(0, 0, 0);
    State GetState() const { return m_nState; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove();
    void OnMouseLeave();
    // The window text, cut to at most `size` - 1 bytes of whole characters.
    void CopyWindowText(char* text, std::size_t size) const;
    // Draws the text in the button's colour, transparently, on the line at `y`
    // computed from `height` as (height - line height) / 2 + `shift`.
    void DrawCaption(HDC dc, int x, int height, int shift) const;

    State m_nState = kNormal;
    bool m_bTracking = false;
};

class CSkinButton : public CHoverButton {
public:
    // Loads the three pictures in order; true only when all three loaded.
    bool SetPictures(UINT normalId, UINT hoverId, UINT pressedId);
    // The normal picture only: the button looks the same in every state.
    bool SetPicture(UINT normalId);
    // Sizes the button to its normal picture, keeping its position.
    void FitToPicture();
    void DrawItem(const DRAWITEMSTRUCT& item) override;

    int m_nTextX = 26;

private:
    bool LoadPicture(int state, UINT id);
    std::unique_ptr<CSkinPicture> m_pictures[3];
    int m_nWidth = 0;
    int m_nHeight = 0;
};

}  // namespace karvex
