#include "platform/user/WindowManager.h"

namespace platform::user {
int LiveMenuCountInternal() { return 0; }
void ResetMenus() {}
}  // namespace platform::user
