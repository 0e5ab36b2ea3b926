// The copy page's progress bar, drawn flat: a pale background, the bar in the
// product's light colour, and a one-pixel grey frame instead of the system's
// sunken border.
#pragma once

#include "common/win/control.h"
#include "common/win/handles.h"

namespace karvex {

class CFlatProgress : public CControl {
public:
    CFlatProgress();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnNcPaint();
    void OnPaint();

    UniqueGdiObject<HBRUSH> m_background;
    UniqueGdiObject<HBRUSH> m_bar;
    UniqueGdiObject<HBRUSH> m_frame;
};

}  // namespace karvex
