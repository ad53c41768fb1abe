#include "platform/user/WindowManager.h"

namespace platform::user {
void RegisterControlClasses() {}
}  // namespace platform::user
