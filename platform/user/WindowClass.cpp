// Window classes: the class table, the classes of the system (the controls, the dialog and
// the popup menu register theirs once, and resets keep them), and RegisterClassW with its
// companions.
#include <algorithm>
#include <mutex>

#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/user/WindowInternal.h"

namespace platform::user {

namespace {

std::u16string Folded(std::u16string_view name) {
  std::u16string f(name);
  for (auto& c : f) c = FoldCase(c);
  return f;
}

}  // namespace

// Class names may be atoms (MAKEINTRESOURCE-style small values) in the Win32 form;
// this system hands out atoms that are indexes into the class table.
std::u16string ClassKey(LPCWSTR className) {
  if (!className) return {};
  if ((reinterpret_cast<ULONG_PTR>(className) >> 16) == 0) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
    int index = 0xC000;
    for (auto& [key, cls] : S().classes)
      if (index++ == atom) return key;
    return {};
  }
  return Folded(className);
}

std::vector<std::pair<std::u16string, std::pair<WNDPROC, int>>>& SystemClasses() {
  static std::vector<std::pair<std::u16string, std::pair<WNDPROC, int>>> list;
  return list;
}

namespace {

void RegisterLocked(std::u16string_view name, const WNDCLASSW& wc) {
  auto cls = std::make_shared<WindowClass>();
  cls->name = name;
  cls->wc = wc;
  cls->wc.lpszClassName = nullptr;
  S().classes[Folded(name)] = std::move(cls);
}

}  // namespace

void RegisterSystemClass(std::u16string_view name, WNDPROC proc, int wndExtra) {
  std::lock_guard guard(S().lock);
  for (auto& [n, v] : SystemClasses())
    if (n == name) return;
  SystemClasses().push_back({std::u16string(name), {proc, wndExtra}});
  WNDCLASSW wc;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = wndExtra;
  wc.style = CS_DBLCLKS;
  RegisterLocked(name, wc);
}

void RegisterControlClasses();  // Controls.cpp
void RegisterDialogClass();     // Dialog.cpp
void RegisterMenuClass();       // PopupMenu.cpp

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterControlClasses();
    RegisterDialogClass();
    RegisterMenuClass();
  });
}

}  // namespace platform::user

using namespace platform::user;

ATOM RegisterClassW(const WNDCLASSW* wc) {
  EnsureSystemClasses();
  if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard guard(S().lock);
  std::u16string key = ClassKey(wc->lpszClassName);
  if (S().classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  RegisterLocked(wc->lpszClassName, *wc);
  int index = 0xC000;
  for (auto& [k, cls] : S().classes) {
    if (k == key) return static_cast<ATOM>(index);
    ++index;
  }
  return 0;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::lock_guard guard(S().lock);
  std::u16string key = ClassKey(className);
  auto it = S().classes.find(key);
  if (it == S().classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& [h, w] : S().windows)
    if (w->cls == it->second) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  S().classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* wc) {
  EnsureSystemClasses();
  std::lock_guard guard(S().lock);
  auto it = S().classes.find(ClassKey(className));
  if (it == S().classes.end() || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = it->second->wc;
  wc->lpszClassName = className;
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR name, int cchName) {
  std::u16string n = ClassNameOf(hwnd);
  if (!name || cchName <= 0 || !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  size_t count = std::min<size_t>(n.size(), static_cast<size_t>(cchName - 1));
  std::copy_n(n.data(), count, name);
  name[count] = 0;
  return static_cast<int>(count);
}
