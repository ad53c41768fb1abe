// A parent window for the common control tests: it records the notifications and commands
// it hears and lets a test answer WM_NOTIFY and WM_DRAWITEM.
#pragma once

#include <functional>
#include <vector>

#include "platform/commctrl/CommCtrl.h"
#include "platform/testing/DeviceFixture.h"

namespace commctrl_test {

struct Host {
  std::vector<UINT> codes;     // WM_NOTIFY codes, in order
  std::vector<int> commands;   // WM_COMMAND ids
  std::vector<int> drawn;      // rows drawn by WM_DRAWITEM
  UINT rowHeight = 0;          // the answer to WM_MEASUREITEM (0: none)
  std::function<LRESULT(NMHDR*)> notify;
  std::function<void(const DRAWITEMSTRUCT*)> draw;
  int Count(UINT code) const {
    int n = 0;
    for (UINT c : codes) n += c == code;
    return n;
  }
};

inline Host* g_host = nullptr;

inline LRESULT HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (g_host && m == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(l);
    g_host->codes.push_back(hdr->code);
    if (g_host->notify) return g_host->notify(hdr);
    return 0;
  }
  if (g_host && m == WM_COMMAND) g_host->commands.push_back(LOWORD(w));
  if (g_host && m == WM_DRAWITEM) {
    auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
    g_host->drawn.push_back(static_cast<int>(item->itemID));
    if (g_host->draw) g_host->draw(item);
    return TRUE;
  }
  if (g_host && m == WM_MEASUREITEM && g_host->rowHeight) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(l)->itemHeight = g_host->rowHeight;
    return TRUE;
  }
  return DefWindowProcW(h, m, w, l);
}

// What an owner of a tree does on NM_CLICK when it keeps the checks itself: hit-tests the
// tap (the message position) and, on the state image, swaps unchecked (1) and checked (2).
inline void ToggleCheckUnderTap(HWND tree, const NMHDR* hdr) {
  if (hdr->code != NM_CLICK || hdr->hwndFrom != tree) return;
  DWORD pos = GetMessagePos();
  TVHITTESTINFO hit;
  hit.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
  ScreenToClient(tree, &hit.pt);
  SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.flags != TVHT_ONITEMSTATEICON) return;
  TVITEMW item;
  item.mask = TVIF_STATE;
  item.hItem = hit.hItem;
  item.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  item.state = INDEXTOSTATEIMAGEMASK((item.state >> 12) == 2 ? 1 : 2);
  SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// The host fills the work area below the navigation bar; controls made with Make are its
// children.
class CommCtrlTest : public platform::testing::DeviceTest {
 public:
  void SetUp() override {
    DeviceTest::SetUp();
    INITCOMMONCONTROLSEX init;
    init.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_DATE_CLASSES;
    ASSERT_TRUE(InitCommonControlsEx(&init));
    g_host = &host;
    WNDCLASSW wc;
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"Host";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    RegisterClassW(&wc);
    parent = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(parent);
    g_host = nullptr;
    EXPECT_EQ(platform::LiveImageListCount(), 0) << "an image list was left";
    DeviceTest::TearDown();
  }
  HWND Make(LPCWSTR cls, DWORD style, int id, RECT r) {
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }

  Host host;
  HWND parent = nullptr;
};

}  // namespace commctrl_test
