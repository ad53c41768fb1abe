#include "platform/user/WindowManager.h"

namespace platform::user {
void RegisterDialogClass() {}
void ResetDialogs() {}
}  // namespace platform::user
