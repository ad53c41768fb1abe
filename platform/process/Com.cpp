#include "platform/base/Faults.h"
#include "platform/process/Process.h"

namespace {
thread_local int t_comStarts = 0;
}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD) {
  if (platform::ShouldFail(platform::Fault::ComInitialize)) return E_FAIL;
  return t_comStarts++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (t_comStarts > 0) --t_comStarts;
}

namespace platform {
int ComInitializeCount() { return t_comStarts; }
}  // namespace platform
