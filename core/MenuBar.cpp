#include "core/MenuBar.h"

#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "resources/resource_ids.h"

namespace {

// The window of the program's current menu bar; null when there is none.
HWND g_menuBar = nullptr;

}  // namespace

HWND CreateMenuBar(SHMENUBARINFO* info) {
  DestroyMenuBar();
  if (!SHCreateMenuBar(info)) {
    MessageBoxFromResource(nullptr, IDS_MENUBAR_FAILED, 0);
    g_menuBar = nullptr;
    return nullptr;
  }
  g_menuBar = info->hwndMB;
  return g_menuBar;
}

HWND CreateEmptyMenuBar(HWND parent) {
  SHMENUBARINFO info;
  // The handheld's structure is 36 bytes; ours is as long as its fields make it.
  info.cbSize = sizeof(SHMENUBARINFO);
  info.hwndParent = parent;
  info.dwFlags = SHCMBF_EMPTYBAR;
  info.hInstRes = GetResourceInstance();
  return CreateMenuBar(&info);
}

void DestroyMenuBar() {
  // The bar may have died with its parent already.
  if (g_menuBar && IsWindow(g_menuBar)) DestroyWindow(g_menuBar);
  g_menuBar = nullptr;
}

HWND GetCurrentMenuBar() { return g_menuBar; }
