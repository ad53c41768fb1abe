// The tree view.
//
//   TreeView.Lazy*     children filled while expanding and removed while collapsing by the
//                      parent; callback texts; insert positions; walking in every direction
//   TreeView.Checks*   a tap on the state image toggles a check, by the parent or the control
//   TreeView.Buttons*  the expand button's mark, the indent and the check box twice the size
//                      on the large screen
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "commctrl_host.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/module/Module.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/user/ScrollBar.h"
#include "tests/data/test_ids.h"

namespace {

using commctrl_test::CommCtrlTest;
using platform::testing::TreeViewDriver;

using TreeView = CommCtrlTest;

constexpr DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

HTREEITEM Insert(HWND tree, HTREEITEM parent, HTREEITEM after, const char16_t* text, int children = 0,
                 LPARAM param = 0, UINT state = 0) {
  TVINSERTSTRUCTW ins;
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM | TVIF_STATE;
  ins.item.pszText = const_cast<LPWSTR>(text);
  ins.item.cChildren = children;
  ins.item.lParam = param;
  ins.item.state = state;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM Next(HWND tree, WPARAM how, HTREEITEM from) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

TEST_F(TreeView, LazyChildrenComeWithExpandingAndGoWithCollapsing) {
  HWND tree = Make(WC_TREEVIEWW, kStyle, 10, RECT{0, 0, 240, 300});
  // The parent fills a container when it opens and empties it when it closes, and names
  // nodes by the part of their path after the last ':'.
  std::map<LPARAM, std::u16string> paths = {{1, u"Lists:Item Lists"}, {2, u"Item Lists:Parts"}};
  int fills = 0;
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == TVN_GETDISPINFOW) {
      auto& item = reinterpret_cast<NMTVDISPINFOW*>(hdr)->item;
      std::u16string path = paths[item.lParam];
      std::u16string leaf = path.substr(path.rfind(u':') + 1);
      if (item.mask & TVIF_TEXT) std::copy(leaf.c_str(), leaf.c_str() + leaf.size() + 1, item.pszText);
      if (item.mask & TVIF_CHILDREN) item.cChildren = 1;
    }
    if (hdr->code != TVN_ITEMEXPANDINGW) return 0;
    auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
    HTREEITEM node = nm->itemNew.hItem;
    if (nm->itemNew.lParam != 2) return 0;
    if (nm->action == TVE_EXPAND && !Next(tree, TVGN_CHILD, node)) {
      ++fills;
      Insert(tree, node, TVI_LAST, u"Washer");
      Insert(tree, node, TVI_FIRST, u"Bolt");
      Insert(tree, node, TVI_SORT, u"Nut");
    } else if (nm->action == TVE_COLLAPSE) {
      while (HTREEITEM child = Next(tree, TVGN_CHILD, node)) SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    }
    return 0;
  };
  HTREEITEM root = Insert(tree, TVI_ROOT, TVI_LAST, LPSTR_TEXTCALLBACKW, I_CHILDRENCALLBACK, 1);
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  HTREEITEM parts = Insert(tree, root, TVI_LAST, LPSTR_TEXTCALLBACKW, I_CHILDRENCALLBACK, 2);
  HTREEITEM tools = Insert(tree, root, parts, u"Tools", I_CHILDRENCALLBACK);
  TreeViewDriver driver(tree);
  EXPECT_EQ(driver.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Parts", u"Tools"}));

  driver.TapButton(parts);
  EXPECT_TRUE(driver.IsExpanded(parts));
  EXPECT_EQ(driver.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Parts", u"Bolt", u"Nut", u"Washer", u"Tools"}));
  driver.Tap(u"Nut");
  EXPECT_EQ(driver.Text(driver.Selection()), u"Nut");
  EXPECT_EQ(host.Count(TVN_SELCHANGEDW), 1);
  // Collapsing moves the selection up to the node and lets the parent drop the children.
  driver.TapButton(parts);
  EXPECT_FALSE(driver.IsExpanded(parts));
  EXPECT_EQ(Next(tree, TVGN_CHILD, parts), nullptr);
  EXPECT_EQ(driver.Selection(), parts);
  EXPECT_EQ(driver.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Parts", u"Tools"}));
  driver.TapButton(parts);
  EXPECT_EQ(fills, 2);
  EXPECT_EQ(driver.Children(parts).size(), 3u);

  // Walking in every direction.
  HTREEITEM nut = driver.Find(u"Nut");
  EXPECT_EQ(driver.Text(Next(tree, TVGN_PREVIOUS, nut)), u"Bolt");
  EXPECT_EQ(driver.Text(Next(tree, TVGN_NEXT, nut)), u"Washer");
  EXPECT_EQ(Next(tree, TVGN_PARENT, nut), parts);
  EXPECT_EQ(Next(tree, TVGN_PARENT, root), nullptr);
  EXPECT_EQ(Next(tree, TVGN_ROOT, nullptr), root);
  EXPECT_EQ(Next(tree, TVGN_NEXTVISIBLE, driver.Find(u"Washer")), tools);
  EXPECT_EQ(Next(tree, TVGN_PREVIOUSVISIBLE, parts), root);
  EXPECT_EQ(Next(tree, TVGN_LASTVISIBLE, nullptr), tools);
  // A tool's children are asked for; deleting everything leaves no selection.
  EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(driver.Selection(), nullptr);
  EXPECT_EQ(driver.Top(), 0);
}

TEST_F(TreeView, EnsureVisibleExpandsAndScrollsAndTheScrollPositionIsTheTopRow) {
  HWND tree = Make(WC_TREEVIEWW, kStyle, 10, RECT{0, 0, 240, 100});
  HTREEITEM root = Insert(tree, TVI_ROOT, TVI_LAST, u"Root", 1);
  HTREEITEM last = nullptr;
  for (int i = 0; i < 40; ++i) last = Insert(tree, root, TVI_LAST, platform::ToUtf16("Item " + std::to_string(i)).c_str());
  TreeViewDriver driver(tree);
  SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(last));
  EXPECT_TRUE(driver.IsExpanded(root));
  int page = static_cast<int>(SendMessageW(tree, TVM_GETVISIBLECOUNT, 0, 0));
  EXPECT_EQ(driver.Top(), 41 - page);
  EXPECT_EQ(driver.VisibleTexts().back(), u"Item 39");
  SetScrollPos(tree, SB_VERT, 1, TRUE);
  EXPECT_EQ(driver.Text(Next(tree, TVGN_FIRSTVISIBLE, nullptr)), u"Item 0");
  // Held, the tree tells the parent where; it is no tap.
  NMRGINFO gesture;
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == GN_CONTEXTMENU) gesture = *reinterpret_cast<NMRGINFO*>(hdr);
    return 0;
  };
  driver.Hold(driver.Find(u"Item 2"));
  TVHITTESTINFO hit;
  hit.pt = gesture.ptAction;
  ScreenToClient(tree, &hit.pt);
  SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  EXPECT_EQ(driver.Text(hit.hItem), u"Item 2");
  EXPECT_EQ(host.Count(NM_CLICK), 0);
  // The scroll bar lies beside the rows; page down moves the selection a page into view,
  // the wheel the view by three rows.
  EXPECT_EQ(platform::VerticalScrollBarWidth(tree), GetSystemMetrics(SM_CXVSCROLL));
  hit.pt.x = 238;
  SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  EXPECT_EQ(hit.flags, TVHT_TORIGHT);
  platform::PressKey(VK_NEXT);
  platform::PumpMessages();
  EXPECT_EQ(driver.Text(driver.Selection()), platform::ToUtf16("Item " + std::to_string(2 + page - 1)));
  EXPECT_EQ(driver.Top(), 3);  // the selection is the last whole row shown
  int top = driver.Top();
  POINT over{20, 20};
  ClientToScreen(tree, &over);
  platform::TurnWheel(over, -WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(driver.Top(), top + 3);
}

TEST_F(TreeView, ChecksToggleOnTheStateImageByTheParentOrTheControl) {
  std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Root() / "TESTRES.DLL");
  HMODULE lib = LoadLibraryW(u"\\TESTRES.DLL");
  ASSERT_NE(lib, nullptr);
  HIMAGELIST checks = ImageList_LoadBitmapW(lib, MAKEINTRESOURCEW(IDB_TEST_TREE_STATE), 16, 0, RGB(0, 255, 0));
  ASSERT_EQ(ImageList_GetImageCount(checks), 5);
  HWND tree = Make(WC_TREEVIEWW, kStyle, 10, RECT{0, 0, 240, 160});
  SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(checks));
  HTREEITEM group = Insert(tree, TVI_ROOT, TVI_LAST, u"Group", 0, 0, INDEXTOSTATEIMAGEMASK(1));
  // The parent toggles on NM_CLICK when the tap was on the state image.
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    commctrl_test::ToggleCheckUnderTap(tree, hdr);
    return 0;
  };
  TreeViewDriver driver(tree);
  driver.TapCheck(group);
  EXPECT_EQ(driver.StateImage(group), 2u);
  driver.Tap(group);
  EXPECT_EQ(driver.StateImage(group), 2u) << "a tap on the label leaves the check";
  driver.TapCheck(group);
  EXPECT_EQ(driver.StateImage(group), 1u);

  // A check-box tree keeps its checks itself.
  host.notify = nullptr;
  HWND boxes = Make(WC_TREEVIEWW, kStyle | TVS_CHECKBOXES, 11, RECT{0, 160, 240, 300});
  HTREEITEM item = Insert(boxes, TVI_ROOT, TVI_LAST, u"Item");
  TreeViewDriver boxDriver(boxes);
  EXPECT_EQ(boxDriver.StateImage(item), 1u);
  boxDriver.TapCheck(item);
  EXPECT_EQ(boxDriver.StateImage(item), 2u);
  DestroyWindow(tree);
  ImageList_Destroy(checks);
  FreeLibrary(lib);
}

TEST_F(TreeView, ButtonsIndentsAndCheckBoxesDoubleOnTheHighResolutionScreen) {
  int indents[3] = {};
  int labelLefts[3] = {};
  for (int scale : {1, 2}) {
    platform::SetScreenProfile(scale == 1 ? platform::ScreenProfile::Portrait240x320
                                          : platform::ScreenProfile::Portrait480x640);
    HWND tree = Make(WC_TREEVIEWW, kStyle | TVS_CHECKBOXES, 10, RECT{0, 0, 240 * scale, 100});
    HTREEITEM parts = Insert(tree, TVI_ROOT, TVI_LAST, u"Parts", 1);
    UpdateWindow(tree);
    // The black of the "+" in the first row's button.
    POINT origin{0, 0};
    ClientToScreen(tree, &origin);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, platform::ScreenBitmap());
    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (int y = 0; y < 16 * scale; ++y)
      for (int x = 0; x < 16 * scale; ++x)
        if (GetPixel(dc, origin.x + x, origin.y + y) == RGB(0, 0, 0)) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(right - left + 1, 4 * scale + 1) << scale;
    EXPECT_EQ(bottom - top + 1, 4 * scale + 1) << scale;
    HTREEITEM bolt = Insert(tree, parts, TVI_LAST, u"Bolt");
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parts));
    indents[scale] = static_cast<int>(SendMessageW(tree, TVM_GETINDENT, 0, 0));
    RECT label{};
    std::memcpy(static_cast<void*>(&label), &bolt, sizeof bolt);  // the item goes in, its rectangle out
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
    labelLefts[scale] = label.left;  // past the indent and the check box
    DestroyWindow(tree);
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  EXPECT_EQ(indents[2], 2 * indents[1]);
  EXPECT_EQ(labelLefts[2], 2 * labelLefts[1]);
}

}  // namespace
