// The clipboard as one process-wide table of local-memory blocks.
#include "platform/user/Clipboard.h"

#include <map>
#include <mutex>

#include "platform/base/Base.h"

namespace {

constexpr DWORD kErrorClipboardNotOpen = 1418;

struct ClipboardState {
  std::mutex lock;
  bool open = false;
  HWND opener = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HLOCAL> blocks;

  // True when a format other than `except` holds `block`.
  bool HeldElsewhere(HLOCAL block, UINT except) const {
    for (const auto& [format, held] : blocks)
      if (format != except && held == block) return true;
    return false;
  }
  // A block handed in for several formats is freed once.
  void FreeBlocks() {
    for (auto it = blocks.begin(); it != blocks.end(); it = blocks.erase(it))
      if (!HeldElsewhere(it->second, it->first)) LocalFree(it->second);
  }
  ~ClipboardState() { FreeBlocks(); }
};

ClipboardState& State() {
  static ClipboardState state;
  return state;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  if (s.open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  s.open = true;
  s.opener = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  if (!s.open) {
    SetLastError(kErrorClipboardNotOpen);
    return FALSE;
  }
  s.open = false;
  s.opener = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  if (!s.open) {
    SetLastError(kErrorClipboardNotOpen);
    return FALSE;
  }
  s.FreeBlocks();
  s.owner = s.opener;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  if (!s.open) {
    SetLastError(kErrorClipboardNotOpen);
    return nullptr;
  }
  if (!memory) {
    // Delayed rendering is not offered.
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto it = s.blocks.find(format);
  if (it != s.blocks.end()) {
    if (it->second != memory && !s.HeldElsewhere(it->second, format)) LocalFree(it->second);
    it->second = memory;
  } else {
    s.blocks.emplace(format, memory);
  }
  return memory;
}

HANDLE GetClipboardData(UINT format) {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  if (!s.open) {
    SetLastError(kErrorClipboardNotOpen);
    return nullptr;
  }
  auto it = s.blocks.find(format);
  return it == s.blocks.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  return s.blocks.count(format) ? TRUE : FALSE;
}

HWND GetClipboardOwner() {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  return s.owner;
}

namespace platform {

void ResetClipboard() {
  ClipboardState& s = State();
  std::lock_guard guard(s.lock);
  s.FreeBlocks();
  s.open = false;
  s.opener = nullptr;
  s.owner = nullptr;
}

}  // namespace platform
