// A control of a dialog template taken over by an object of the program
// (subclassing): the object sees the control's messages first and passes the
// rest on to the control's own window procedure.
#pragma once

#include <windows.h>

namespace karvex {

class CControl {
public:
    CControl() = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;
    virtual ~CControl();

    // Takes over the control `id` of `dialog`; false when there is none or
    // another object holds it already.
    bool Attach(HWND dialog, int id);
    // Gives the control back its own window procedure.
    void Detach();
    HWND GetHwnd() const { return m_hWnd; }

    // Owner-drawn controls draw themselves when their dialog passes on the
    // WM_DRAWITEM it receives for them.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    // The object that holds `control`, or null.
    static CControl* FromHandle(HWND control);

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) noexcept;
    HWND m_hWnd = nullptr;
    WNDPROC m_pfnOriginal = nullptr;
};

}  // namespace karvex
