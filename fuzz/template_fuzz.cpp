// Any bytes as a dialog or a menu template (the first byte chooses: odd a menu, even a
// dialog): the template is built or refused; whatever was made is freed again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzDevice.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/Menu.h"
#include "platform/user/Window.h"

namespace {

using fuzzing::Require;

// A template handed over by address alone may be read this far, as the calls promise
// for memory that is no resource: the copy is padded with zeros to it.
constexpr size_t kTemplateSpan = 64 * 1024;

INT_PTR QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice::Get();
  if (size < 1 || size > kTemplateSpan) return 0;
  const int windows = platform::LiveWindowCount(), menus = platform::LiveMenuCount(),
            objects = platform::LiveGdiObjectCount();
  const bool menu = data[0] & 1;
  ++data;
  --size;
  std::vector<uint8_t> padded(kTemplateSpan + 4, 0);
  std::copy(data, data + size, padded.begin());

  if (menu) {
    if (HMENU m = LoadMenuIndirectW(padded.data())) {
      Require(GetMenuItemCount(m) >= 0);
      DestroyMenu(m);
    }
  } else {
    // The exact bytes first: the reader stays inside them.
    std::vector<uint8_t> exact(data, data + size);
    platform::user::ParseDialogTemplate(exact.data(), exact.size());
    HWND dialog = CreateDialogIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(padded.data()), nullptr,
                                             QuietDialog, 0);
    if (dialog) DestroyWindow(dialog);
  }
  Require(platform::LiveWindowCount() == windows && platform::LiveMenuCount() == menus &&
          platform::LiveGdiObjectCount() == objects);
  return 0;
}
