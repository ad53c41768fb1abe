// A stand-in for the main program in the relay's tests: a window of class and title
// "Slateway" that other processes can reach. Each WM_COPYDATA it receives is appended to
// "\relay-log.txt" as "<code> <byte count> <the data as text>"; WM_CLOSE ends it, and so
// does a minute without being closed.
#include <fstream>

#include "platform/platform.h"

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;

LRESULT ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COPYDATA: {
      const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      std::u16string text(static_cast<const char16_t*>(copy->lpData), copy->cbData / sizeof(char16_t));
      std::ofstream log(platform::MapDevicePath(u"\\relay-log.txt"), std::ios::app);
      log << copy->dwData << ' ' << copy->cbData << ' ' << platform::ToUtf8(text) << '\n';
      return 1;
    }
    case WM_TIMER:
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int main() {
  WNDCLASSW wc;
  wc.lpfnWndProc = ReceiverProc;
  wc.lpszClassName = u"Slateway";
  RegisterClassW(&wc);
  HWND main = CreateWindowExW(0, u"Slateway", u"Slateway", 0, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  if (!main || !platform::ShareWindowsWithOtherProcesses()) return 1;
  SetTimer(main, kGiveUpTimer, 60000, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0)) DispatchMessageW(&m);
  platform::StopSharingWindows();
  return 0;
}
