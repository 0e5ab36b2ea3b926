// What the program's skinned dialogs share: a borderless pop-up whose face is
// one picture, a rounded outline, statics drawn transparently over the
// picture, and (when asked) dragging by any point of the background.
#pragma once

#include <windows.h>

#include "client/ui/skin/skin_picture.h"
#include "common/win/dialog.h"

namespace karvex {

class CSkinnedDialog : public CDialog {
protected:
    CSkinnedDialog(int templateId, UINT backgroundId) : CDialog(templateId), m_nBackgroundId(backgroundId) {}

    // Decodes the background picture; an absent one leaves the face unpainted.
    void LoadBackground() { m_background.Load(m_nBackgroundId); }
    // Gives the window a rounded outline from (0, 0) to (right, bottom).
    void SetRoundedRegion(int right, int bottom);
    // Places the window in the middle of the work area.
    void CenterInWorkArea();

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Statics show the picture through; `control` is the one being drawn.
    virtual INT_PTR OnCtlColorStatic(HDC dc, HWND control);
    void OnPaint();
    void FillBeyondPicture(HDC dc);

    CSkinPicture m_background;
    // Whether a press on the background moves the window, as a title bar would.
    bool m_bDraggable = false;

private:
    UINT m_nBackgroundId;
};

}  // namespace karvex
