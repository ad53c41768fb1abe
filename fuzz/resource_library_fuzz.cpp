// Any bytes as a resource library: the loader refuses it or indexes it; every resource
// it lists is found, loaded and sized as listed, and strings, bitmaps, menus and dialogs
// are built from it or refused; whatever was made is freed again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzDevice.h"
#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/module/Module.h"
#include "platform/module/PeImage.h"
#include "platform/user/Dialog.h"
#include "platform/user/Menu.h"
#include "platform/user/Window.h"

namespace {

using fuzzing::Require;
using platform::module::ResourceKey;

// Resources built per input: a library may list thousands; a few show every kind.
constexpr size_t kMaxResources = 48;

INT_PTR QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The name or id as the resource calls take it; `text` keeps a name alive.
LPCWSTR AsParameter(const ResourceKey& key, std::u16string& text) {
  if (key.isId) return MAKEINTRESOURCEW(key.id);
  text = key.name;
  return text.c_str();
}

void Build(HMODULE module, const platform::module::ResourceEntry& entry) {
  std::u16string typeText, nameText;
  LPCWSTR type = AsParameter(entry.type, typeText), name = AsParameter(entry.name, nameText);
  // Id 0 and the empty name are no name the calls can ask for.
  if (entry.name.isId ? entry.name.id == 0 : entry.name.name.empty()) return;
  if (entry.type.isId ? entry.type.id == 0 : entry.type.name.empty()) return;
  // "#12" asks for id 12, not for the name: such a name cannot be asked for.
  if (!entry.name.isId && entry.name.name[0] == u'#') return;
  if (!entry.type.isId && entry.type.name[0] == u'#') return;
  // With two entries of one type, name and language the first is found: its size counts.
  HRSRC found = FindResourceExW(module, type, name, entry.language);
  Require(found != nullptr);
  Require(SizeofResource(module, found) == 0 || LockResource(LoadResource(module, found)) != nullptr);
  if (!entry.type.isId) return;
  switch (entry.type.id) {
    case 2:  // bitmap
      if (HBITMAP bitmap = LoadBitmapW(module, name)) DeleteObject(bitmap);
      break;
    case 4:  // menu
      if (HMENU menu = LoadMenuW(module, name)) DestroyMenu(menu);
      break;
    case 5:  // dialog
      if (HWND dialog = CreateDialogParamW(module, name, nullptr, QuietDialog, 0)) DestroyWindow(dialog);
      break;
    case 6:  // string block: sixteen strings
      if (entry.name.isId && entry.name.id > 0)
        for (UINT id = (entry.name.id - 1u) * 16u; id < entry.name.id * 16u; ++id) {
          WCHAR text[64];
          int n = LoadStringW(module, id, text, 64);
          Require(n >= 0 && n < 64);
        }
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset("r.dll", data, size);
  const int windows = platform::LiveWindowCount(), menus = platform::LiveMenuCount(),
            objects = platform::LiveGdiObjectCount();

  platform::module::PeImage image;
  const bool parsed = image.Parse(std::vector<std::uint8_t>(data, data + size));
  HMODULE module = LoadLibraryW(u"\\r.dll");
  Require(parsed == (module != nullptr));
  if (!module) {
    Require(GetLastError() == ERROR_BAD_FORMAT);
    return 0;
  }
  size_t built = 0;
  for (const auto& entry : image.Entries()) {
    if (built++ == kMaxResources) break;
    Build(module, entry);
  }
  Require(FreeLibrary(module));
  Require(platform::LoadedModuleCount() == 0);
  Require(platform::LiveWindowCount() == windows && platform::LiveMenuCount() == menus &&
          platform::LiveGdiObjectCount() == objects);
  return 0;
}
