// An owner-drawn push button whose face is a bitmap resource per state.
#pragma once

#include <windows.h>

#include "client/ui/skin/hover_button.h"
#include "common/win/handles.h"

namespace karvex {

class CSkinBitmapButton : public CHoverButton {
public:
    // Loads the three bitmaps of `instance`; true only when all three loaded.
    // Every load is attempted.
    bool SetBitmaps(HINSTANCE instance, UINT normalId, UINT hoverId, UINT pressedId);
    // Sizes the button to the bitmap of its state, keeping its position; a
    // button without bitmaps keeps its size and centres its text on it.
    void FitToBitmap();
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    HBITMAP CurrentBitmap() const;
    UniqueGdiObject<HBITMAP> m_bitmaps[3];
    int m_nHeight = 0;
};

}  // namespace karvex
