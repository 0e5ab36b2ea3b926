// Modal dialogs from numbered templates. The static dialog procedure stores
// the object at WM_INITDIALOG and hands every later message to HandleMessage;
// the default handling ends the dialog with IDOK or IDCANCEL.
#pragma once

#include <windows.h>

namespace karvex {

class CDialog {
public:
    explicit CDialog(int templateId) : m_templateId(templateId) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    virtual ~CDialog() = default;

    // Runs the dialog; returns the id it ended with, or 0 or -1 when it could
    // not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    HWND GetHwnd() const { return m_hWnd; }

protected:
    // Returns TRUE for a handled message, as a dialog procedure does.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;
    int m_templateId;
    HWND m_hWnd = nullptr;
};

}  // namespace karvex
