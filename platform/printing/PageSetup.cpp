#include "platform/printing/PageSetup.h"

#include <cstring>
#include <string_view>

BOOL PageSetupDlgW(PAGESETUPDLGW* setup) {
  if (!setup || setup->lStructSize != sizeof(PAGESETUPDLGW) || !(setup->Flags & PSD_RETURNDEFAULT) ||
      setup->hDevMode || setup->hDevNames) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u16string_view names[] = {kDefaultPrinterDriver, kDefaultPrinterDevice, kDefaultPrinterPort};
  size_t chars = sizeof(DEVNAMES) / sizeof(WCHAR);
  for (auto name : names) chars += name.size() + 1;
  auto* devNames = static_cast<BYTE*>(LocalAlloc(LPTR, chars * sizeof(WCHAR)));
  auto* devMode = static_cast<DEVMODEW*>(LocalAlloc(LPTR, sizeof(DEVMODEW)));
  if (!devNames || !devMode) {
    LocalFree(devNames);
    LocalFree(devMode);
    return FALSE;
  }
  WORD offsets[3];
  size_t at = sizeof(DEVNAMES) / sizeof(WCHAR);
  for (int i = 0; i < 3; ++i) {
    offsets[i] = static_cast<WORD>(at);
    std::memcpy(devNames + at * sizeof(WCHAR), names[i].data(), names[i].size() * sizeof(WCHAR));
    at += names[i].size() + 1;
  }
  DEVNAMES head{offsets[0], offsets[1], offsets[2], 1};
  std::memcpy(devNames, &head, sizeof head);
  std::u16string_view device(kDefaultPrinterDevice);
  std::memcpy(devMode->dmDeviceName, device.data(), device.size() * sizeof(WCHAR));
  devMode->dmSize = sizeof(DEVMODEW);
  devMode->dmCopies = 1;
  setup->hDevNames = devNames;
  setup->hDevMode = devMode;
  // The roll is three inches wide; its length is what is printed.
  setup->ptPaperSize = POINT{3000, 11000};
  return TRUE;
}
