#include "platform/user/Cursor.h"

#include <mutex>

#include "platform/base/Base.h"

namespace {

// A system cursor is known by its id; its handle is the address of its slot here.
struct SystemCursor {
  WORD id;
};
SystemCursor g_cursors[] = {{IDC_ARROW_ID}, {IDC_IBEAM_ID}, {IDC_WAIT_ID}};

std::mutex g_lock;
HCURSOR g_current = reinterpret_cast<HCURSOR>(&g_cursors[0]);
std::vector<WORD> g_history;

WORD IdOf(HCURSOR cursor) {
  for (SystemCursor& c : g_cursors)
    if (reinterpret_cast<HCURSOR>(&c) == cursor) return c.id;
  return 0;
}

}  // namespace

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
  if (instance) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  auto id = reinterpret_cast<ULONG_PTR>(cursorName);
  for (SystemCursor& c : g_cursors)
    if (c.id == id) return reinterpret_cast<HCURSOR>(&c);
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  std::lock_guard guard(g_lock);
  HCURSOR previous = g_current;
  // A handle that is no cursor of ours is ignored, as the device ignores a bad handle.
  if (cursor && IdOf(cursor) == 0) return previous;
  g_current = cursor;
  g_history.push_back(IdOf(cursor));
  return previous;
}

HCURSOR GetCursor() {
  std::lock_guard guard(g_lock);
  return g_current;
}

namespace platform {

WORD CurrentCursorId() {
  std::lock_guard guard(g_lock);
  return IdOf(g_current);
}

std::vector<WORD> CursorHistory() {
  std::lock_guard guard(g_lock);
  return g_history;
}

void ResetCursor() {
  std::lock_guard guard(g_lock);
  g_current = reinterpret_cast<HCURSOR>(&g_cursors[0]);
  g_history.clear();
}

}  // namespace platform
