#pragma once

namespace platform::htmlview {
// The control's master style sheet (the page's own styles override it).
const char* MasterStyleSheet();
}  // namespace platform::htmlview
