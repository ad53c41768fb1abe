#include "platform/shell/Gesture.h"

#include <atomic>

namespace {
std::atomic<bool> g_holdNext{false};
}

DWORD SHRecognizeGesture(SHRGINFO* info) {
  if (!info || info->cbSize < sizeof(SHRGINFO) || !info->hwndClient) return 0;
  return g_holdNext.exchange(false) ? SHRG_GN_CONTEXTMENU : 0;
}

namespace platform {
void HoldNextPenDown() { g_holdNext = true; }
void ResetGestures() { g_holdNext = false; }
}  // namespace platform
