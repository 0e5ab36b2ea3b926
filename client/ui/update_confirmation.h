// The question asked at start-up when a program update is staged.
#pragma once

namespace karvex {

// Shows the plain dialog on template 141 with no owner; true only when the
// user chose 确定. A dialog that cannot be shown counts as no.
bool ConfirmPendingUpdate();

}  // namespace karvex
