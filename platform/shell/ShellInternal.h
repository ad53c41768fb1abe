// Internal to the shell: resets its parts share.
#pragma once

namespace platform::shell {

void ResetMenuBars();

}  // namespace platform::shell
