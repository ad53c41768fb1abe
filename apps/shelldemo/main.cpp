// ShellDemo: a full-screen dialog with a menu bar, shown in the desktop window. "Green"
// on the bar and "Blue" in its menu fill the dialog's panel; "Clear" empties it. Closing
// the window ends the program. Used by the end-to-end check of the display.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "apps/shelldemo/shelldemo_ids.h"
#include "platform/display/Display.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kLibraryPath[] = u"\\Windows\\ShellDemo.dll";
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct DemoState {
  HINSTANCE library = nullptr;
  COLORREF fill = kWhite;
};

void Fill(HWND dialog, DemoState& state, COLORREF color, LPCWSTR status) {
  state.fill = color;
  SetDlgItemTextW(dialog, IDC_SHELLDEMO_STATUS, status);
  InvalidateRect(dialog, nullptr, TRUE);
}

void Paint(HWND dialog, const DemoState& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  RECT client;
  GetClientRect(dialog, &client);
  // The panel starts below the status line, whatever the screen's resolution.
  RECT status;
  GetWindowRect(GetDlgItem(dialog, IDC_SHELLDEMO_STATUS), &status);
  POINT below{status.left, status.bottom};
  ScreenToClient(dialog, &below);
  int margin = below.x;
  RECT panel{margin, below.y + margin, client.right - margin, client.bottom - margin};
  HBRUSH brush = CreateSolidBrush(state.fill);
  FillRect(dc, &panel, brush);
  DeleteObject(brush);
  EndPaint(dialog, &ps);
}

INT_PTR DemoProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DemoState*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      state = reinterpret_cast<DemoState*>(lParam);
      SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
      SHInitDialog(&init);
      SHMENUBARINFO bar;
      bar.hwndParent = dialog;
      bar.nToolBarId = IDR_SHELLDEMO_BAR;
      bar.hInstRes = state->library;
      if (!SHCreateMenuBar(&bar)) std::fprintf(stderr, "ShellDemo: the menu bar could not be created\n");
      return TRUE;
    }
    case WM_PAINT:
      if (!state) return FALSE;
      Paint(dialog, *state);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SHELLDEMO_GREEN: Fill(dialog, *state, kGreen, u"Green was tapped."); return TRUE;
        case IDC_SHELLDEMO_BLUE: Fill(dialog, *state, kBlue, u"Blue was chosen."); return TRUE;
        case IDC_SHELLDEMO_CLEAR: Fill(dialog, *state, kWhite, u"Cleared."); return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        default: return FALSE;
      }
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

// The resource library lies beside the program; the device loads it from "\Windows".
bool InstallLibrary() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return false;
  std::filesystem::path target = platform::MapDevicePath(kLibraryPath);
  std::filesystem::create_directories(target.parent_path(), ec);
  std::filesystem::copy_file(self.parent_path() / "ShellDemo.dll", target,
                             std::filesystem::copy_options::overwrite_existing, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  platform::display::DisplayOptions options;
  options.title = "ShellDemo";
  if (!platform::display::ParseDisplayArguments(argc, argv, options)) return 2;
  if (!platform::display::OpenDisplay(options)) return 1;
  if (!InstallLibrary()) {
    std::fprintf(stderr, "ShellDemo: cannot place ShellDemo.dll in the device's \\Windows folder\n");
    return 1;
  }
  DemoState state;
  state.library = LoadLibraryW(kLibraryPath);
  if (!state.library) {
    std::fprintf(stderr, "ShellDemo: cannot load %s\n", platform::ToUtf8(kLibraryPath).c_str());
    return 1;
  }
  InitCommonControls();
  DialogBoxParamW(state.library, MAKEINTRESOURCEW(IDD_SHELLDEMO), nullptr, DemoProc,
                  reinterpret_cast<LPARAM>(&state));
  FreeLibrary(state.library);
  platform::display::CloseDisplay();
  return 0;
}
