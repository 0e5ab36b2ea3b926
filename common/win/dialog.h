// Dialogs from numbered templates: modal ones, and modeless ones such as the
// pages of a wizard. The static dialog procedure stores the object at
// WM_INITDIALOG and hands every later message to HandleMessage; the default
// handling exchanges data and ends a modal dialog with IDOK or IDCANCEL. The
// template's list and combo boxes get the lines of its dialog-init resource
// (common/dialog_init.h) before OnInitDialog runs.
#pragma once

#include <windows.h>

namespace karvex {

class CDialog {
public:
    explicit CDialog(int templateId) : m_templateId(templateId) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    // A modeless dialog still open is destroyed with its object.
    virtual ~CDialog();

    // Runs the dialog; returns the id it ended with, or 0 or -1 when it could
    // not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless, as a child of `parent` when the template
    // has WS_CHILD; false when it could not be created.
    bool Create(HWND parent);
    HWND GetHwnd() const { return m_hWnd; }
    HWND GetItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // Pulls the controls' values into the members (true) or pushes the
    // members into the controls (false), through DoDataExchange.
    void UpdateData(bool pull);

protected:
    // Returns TRUE for a handled message, as a dialog procedure does.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The standard initialisation pushes the members into the controls.
    virtual BOOL OnInitDialog();
    // Binds members to controls; `pull` tells the direction.
    virtual void DoDataExchange(bool pull);
    // The standard OK pulls the values and ends the dialog; Cancel only ends it.
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }
    // Answers a message whose result is not the dialog procedure's return value.
    INT_PTR SetMessageResult(LRESULT result);

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;
    int m_templateId;
    HWND m_hWnd = nullptr;
    bool m_bModeless = false;
};

// Check-box value exchange: checked is 1, unchecked 0.
void ExchangeCheck(HWND dialog, int id, int& value, bool pull);

}  // namespace karvex
