#include "platform/htmlview/HelpViewer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/Base.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Window.h"

namespace platform {
namespace {

constexpr const char16_t* kViewerClass = u"HelpViewer";
constexpr int kPageId = 1;
constexpr uintmax_t kMaxHelpBytes = 8u << 20;

struct HelpRequest {
  std::u16string file;    // device path
  std::u16string anchor;  // without the "#"
};

std::u16string FolderOf(std::u16string_view devicePath) {
  const size_t slash = devicePath.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view() : devicePath.substr(0, slash));
}

bool DeviceFileExists(const std::u16string& devicePath) {
  std::error_code ec;
  return std::filesystem::is_regular_file(MapDevicePath(devicePath), ec);
}

// "file:Name.htm#anchor" (the "file:" is optional) as a device file that exists, and the
// anchor; an empty file when there is none.
HelpRequest Resolve(std::u16string_view commandLine) {
  HelpRequest request;
  std::u16string_view rest = commandLine;
  if (rest.substr(0, 5) == u"file:") rest.remove_prefix(5);
  const size_t hash = rest.find(u'#');
  if (hash != std::u16string_view::npos) {
    request.anchor = std::u16string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (rest.empty()) return request;
  std::u16string candidates[2];
  if (rest.front() == u'\\') {
    candidates[0] = std::u16string(rest);
  } else {
    candidates[0] = u"\\Windows\\" + std::u16string(rest);
    WCHAR program[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, program, MAX_PATH) > 0) candidates[1] = FolderOf(program) + u"\\" + std::u16string(rest);
  }
  for (const std::u16string& candidate : candidates)
    if (!candidate.empty() && DeviceFileExists(candidate)) {
      request.file = candidate;
      break;
    }
  return request;
}

void Load(HWND viewer, const HelpRequest& request) {
  HWND page = GetDlgItem(viewer, kPageId);
  if (!page) return;
  std::string bytes;
  const std::filesystem::path path = MapDevicePath(request.file);
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) <= kMaxHelpBytes && !ec) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::u16string text = ToUtf16(bytes);
  SetWindowTextW(page, u"");
  SetHtmlPictureFolder(page, FolderOf(request.file));
  SendMessageW(page, DTM_ADDTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(page, DTM_ENDOFSOURCE, 0, 0);
  if (!request.anchor.empty()) HtmlScrollToAnchor(page, request.anchor);
}

LRESULT ViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      RECT client{};
      GetClientRect(hwnd, &client);
      CreateWindowExW(0, DISPLAYCLASS, u"", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, hwnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPageId)), nullptr, nullptr);
      return 0;
    }
    case WM_SIZE:
      if (HWND page = GetDlgItem(hwnd, kPageId)) MoveWindow(page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_NOTIFY: {
      // A link to a place in the file moves there; the viewer follows no other link.
      const auto* link = reinterpret_cast<const NM_HTMLVIEWW*>(lParam);
      if (link && link->hdr.code == NM_HOTSPOT && link->szTarget && link->szTarget[0] == u'#')
        HtmlScrollToAnchor(GetDlgItem(hwnd, kPageId), link->szTarget + 1);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

DWORD OpenHelpViewer(std::u16string_view commandLine) {
  const HelpRequest request = Resolve(commandLine);
  if (request.file.empty()) return ERROR_FILE_NOT_FOUND;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  InitHTMLControl(instance);
  HWND viewer = FindWindowW(kViewerClass, nullptr);
  if (!viewer) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kViewerClass;
    RegisterClassW(&wc);  // a second viewer finds the class already there
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    viewer = CreateWindowExW(0, kViewerClass, u"Help", WS_VISIBLE, area.left, area.top, area.right - area.left,
                             area.bottom - area.top, nullptr, nullptr, instance, nullptr);
    if (!viewer) return GetLastError() ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
  }
  Load(viewer, request);
  SetForegroundWindow(viewer);
  return ERROR_SUCCESS;
}

DWORD LaunchHelpViewer(const ProcessLaunch& launch) {
  if (!EqualsIgnoreCase(launch.application, u"peghelp.exe")) return ERROR_SUCCESS;
  return OpenHelpViewer(launch.commandLine);
}

}  // namespace platform
