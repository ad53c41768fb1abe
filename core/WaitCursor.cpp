#include "core/WaitCursor.h"

#include <atomic>

#include "platform/user/Cursor.h"

namespace {

std::atomic<int> g_waitCount{0};

void Show(LPCWSTR cursor) { SetCursor(LoadCursorW(nullptr, cursor)); }

}  // namespace

void BeginWaitCursor(bool force) {
  if (force) {
    g_waitCount = 1;
    Show(IDC_WAIT);
    return;
  }
  if (++g_waitCount == 1) Show(IDC_WAIT);
}

void EndWaitCursor(bool force) {
  if (force) {
    Show(IDC_ARROW);
    g_waitCount = 0;
    return;
  }
  if (g_waitCount-- == 1) Show(IDC_ARROW);
}

int GetWaitCursorCount() { return g_waitCount; }
