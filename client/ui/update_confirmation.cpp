#include "client/ui/update_confirmation.h"

#include "client/res/resource.h"
#include "common/win/dialog.h"

namespace karvex {

bool ConfirmPendingUpdate()
{
    // The template's two buttons end the dialog through the standard handling.
    CDialog question(IDD_CONFIRM_UPDATE);
    return question.DoModal(nullptr) == IDOK;
}

}  // namespace karvex
