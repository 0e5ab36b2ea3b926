#include "common/win/dialog.h"

#include "common/dialog_init.h"
#include "common/win/control.h"
#include "common/win/message_guard.h"
#include "common/win/resource_bytes.h"

namespace karvex {

namespace {

// Fills the list and combo boxes of `dialog` from the dialog-init resource of
// its template, if the program has one.
void ApplyDialogInit(HWND dialog, int templateId)
{
    const RESOURCE_BYTES init = ResourceBytes(MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(kDialogInitType));
    if (init.pData == nullptr)
        return;
    for (const DIALOG_INIT_ITEM& item : ParseDialogInit(init.pData, init.nSize)) {
        const UINT message = item.nMessage == kDialogInitComboAdd ? CB_ADDSTRING
                             : item.nMessage == kDialogInitListAdd ? LB_ADDSTRING
                                                                   : 0;
        if (message != 0)
            ::SendDlgItemMessageA(dialog, item.nControlId, message, 0, reinterpret_cast<LPARAM>(item.strText.c_str()));
    }
}

}  // namespace

CDialog::~CDialog()
{
    if (m_bModeless && m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);  // WM_NCDESTROY clears m_hWnd
}

INT_PTR CDialog::DoModal(HWND parent)
{
    m_bModeless = false;
    CCreationScope creating(this);
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                             StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent)
{
    m_bModeless = true;
    CCreationScope creating(this);
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                                StaticDialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::UpdateData(bool pull)
{
    DoDataExchange(pull);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::DoDataExchange(bool)
{
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CDialog::SetMessageResult(LRESULT result)
{
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        }
        break;
    case WM_DRAWITEM: {
        // Owner-drawn controls held by an object draw themselves.
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (CControl* control = CControl::FromHandle(item->hwndItem)) {
            control->DrawItem(*item);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept
{
    // Creation and destruction happen on the dialog's own thread; the same
    // messages from elsewhere are answered as handled and not obeyed.
    if (IsLifecycleMessage(message) && IsForeignLifecycleMessage(hwnd, message)) {
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }

    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    // The object is adopted once, by the call that is creating the dialog.
    if (message == WM_INITDIALOG) {
        if (self != nullptr || !CCreationScope::Claim(reinterpret_cast<CDialog*>(lParam)))
            return FALSE;
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        // Part of the standard initialisation: the boxes are filled before
        // the dialog's own initialisation selects in them.
        ApplyDialogInit(hwnd, self->m_templateId);
    }
    // WM_SETFONT and a few others come before WM_INITDIALOG.
    if (self == nullptr)
        return FALSE;

    INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

void ExchangeCheck(HWND dialog, int id, int& value, bool pull)
{
    if (pull)
        value = ::IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
    else
        ::CheckDlgButton(dialog, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace karvex
