// An owner-drawn push button whose face is a picture per state (normal,
// hover, pressed) with the button's text drawn over it.
#pragma once

#include <windows.h>

#include <memory>

#include "client/ui/skin/hover_button.h"
#include "client/ui/skin/skin_picture.h"

namespace karvex {

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
