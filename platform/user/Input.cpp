#include "platform/user/Input.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/base/Base.h"
#include "platform/module/Module.h"

namespace {

std::mutex g_lock;
std::map<HACCEL, std::vector<ACCEL>> g_tables;
UINT_PTR g_next = 0x30000;

constexpr BYTE kLastEntry = 0x80;

HACCEL Store(std::vector<ACCEL> entries) {
  std::lock_guard guard(g_lock);
  g_next += 4;
  HACCEL h = reinterpret_cast<HACCEL>(g_next);
  g_tables[h] = std::move(entries);
  return h;
}

}  // namespace

HACCEL CreateAcceleratorTableW(const ACCEL* entries, int count) {
  if (!entries || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Store(std::vector<ACCEL>(entries, entries + count));
}

HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name) {
  HRSRC res = FindResourceW(instance, name, RT_ACCELERATOR);
  if (!res) return nullptr;
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, res)));
  DWORD size = SizeofResource(instance, res);
  // Entries of 8 bytes: flags, padding, key, command, padding; the last is flagged.
  std::vector<ACCEL> entries;
  for (DWORD at = 0; data && at + 8 <= size; at += 8) {
    ACCEL a;
    a.fVirt = data[at];
    a.key = static_cast<WORD>(data[at + 2] | (data[at + 3] << 8));
    a.cmd = static_cast<WORD>(data[at + 4] | (data[at + 5] << 8));
    bool last = a.fVirt & kLastEntry;
    a.fVirt &= static_cast<BYTE>(~kLastEntry);
    entries.push_back(a);
    if (last) break;
  }
  if (entries.empty()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return Store(std::move(entries));
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  std::lock_guard guard(g_lock);
  return g_tables.erase(table) ? TRUE : FALSE;
}

int TranslateAcceleratorW(HWND hwnd, HACCEL table, LPMSG msg) {
  if (!table || !msg || (msg->message != WM_KEYDOWN && msg->message != WM_CHAR)) return 0;
  WORD command = 0;
  bool found = false;
  {
    std::lock_guard guard(g_lock);
    auto it = g_tables.find(table);
    if (it == g_tables.end()) return 0;
    BYTE mods = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000) mods |= FSHIFT;
    if (GetKeyState(VK_CONTROL) & 0x8000) mods |= FCONTROL;
    if (GetKeyState(VK_MENU) & 0x8000) mods |= FALT;
    for (const ACCEL& a : it->second) {
      bool virtualKey = a.fVirt & FVIRTKEY;
      if (virtualKey != (msg->message == WM_KEYDOWN) || a.key != msg->wParam) continue;
      if (virtualKey && (a.fVirt & (FSHIFT | FCONTROL | FALT)) != mods) continue;
      command = a.cmd;
      found = true;
      break;
    }
  }
  if (!found) return 0;
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
  return 1;
}

namespace platform::user {

void ResetInput() {
  std::lock_guard guard(g_lock);
  g_tables.clear();
}

}  // namespace platform::user
