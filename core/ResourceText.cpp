#include "core/ResourceText.h"

#include <atomic>

#include "platform/base/Base.h"
#include "platform/module/Module.h"

namespace {

std::atomic<HINSTANCE> g_resourceInstance{nullptr};

}  // namespace

void SetResourceInstance(HINSTANCE instance) { g_resourceInstance = instance; }

HINSTANCE GetResourceInstance() { return g_resourceInstance; }

std::u16string LoadResText(UINT id) {
  // One buffer per call rather than one shared by the program, so that a text loaded on
  // the customer list's loader thread cannot change a text being shown.
  WCHAR buffer[kResStringMaxChars + 1];
  int length = LoadStringW(GetResourceInstance(), id, buffer, kResStringMaxChars + 1);
  return std::u16string(buffer, static_cast<size_t>(length));
}

CBstr LoadResString(UINT id) { return CBstr(LoadResText(id)); }

bool LoadResStringInto(UINT id, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return false;
  return LoadStringW(GetResourceInstance(), id, buffer, size) > 0;
}

bool LoadResStringMember(BSTR& member, UINT id) {
  SysFreeString(member);
  member = nullptr;
  member = LoadResString(id).release();
  return SysStringLen(member) != 0;
}

bool LoadResStringMember(CBstr& member, UINT id) {
  member.reset();
  member = LoadResString(id);
  return !member.IsEmpty();
}
