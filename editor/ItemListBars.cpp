// The items list's menu bar, toolbar and tap-and-hold menu: which entries exist and which
// are greyed, by the selected node, the mode and the list history.
#include <iterator>
#include <string>
#include <utility>

#include "core/MenuBar.h"
#include "core/MenuHelpers.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "editor/ItemListWnd.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Menu.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kToolbarImageMetric = 16;
constexpr int kLowResolutionImage = 16;
constexpr int kToolbarImages = 10;

// Image index, command; -1 a separator.
struct ToolbarButton {
  int image;
  int id;
};
constexpr ToolbarButton kToolbarButtons[] = {
    {0, kCmdNewItem}, {1, kCmdNewCategory}, {-1, 0},         {2, kCmdUndo},  {3, kCmdRedo},
    {-1, 0},          {4, kCmdCut},         {5, kCmdCopy},   {6, kCmdPaste}, {-1, 0},
    {7, kCmdFind},    {8, kCmdShowCheckBoxes}, {9, kCmdAlphabetize},
};
// Tooltips in button order; Alphabetize has none.
constexpr LPCWSTR kToolbarTips[] = {u"New Item...", u"New Category...", u"Undo",  u"Redo",           u"Cut",
                                    u"Copy",        u"Paste",           u"Find...", u"Show Checkboxes"};

void Grey(HMENU menu, UINT id, bool greyed) {
  EnableMenuItem(menu, id, MF_BYCOMMAND | (greyed ? MF_GRAYED : MF_ENABLED));
}

// "Undo <name>" / "Redo <name>" on the entry whose text holds `word`.
void NameByHistory(HMENU menu, std::u16string_view word, const CBstr* name) {
  int position = FindMenuItemByText(menu, word);
  if (!name || position < 0) return;
  std::u16string text = std::u16string(word) + u" " + name->str();
  ReplaceMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION, GetMenuItemIdAt(menu, position), text.c_str());
}

}  // namespace

void CItemListWnd::CreateItemsMenuBar() {
  SHMENUBARINFO bar;
  bar.hwndParent = GetHwnd();
  bar.nToolBarId = IDR_ITEMS_MENUBAR;
  bar.hInstRes = m_resources;
  bar.nBmpId = IDB_ITEMS_MENUBAR;
  bar.cBmpImages = 1;
  m_menuBar = CreateMenuBar(&bar);
}

void CItemListWnd::ToggleToolbar() {
  const bool show = m_toolbar == nullptr;
  CPreferences().Set(pref::kItemsToolBar, show ? 1 : 0);
  if (!show) {
    DestroyWindow(std::exchange(m_toolbar, nullptr));
    SHSipPreference(GetHwnd(), SIP_FORCEDOWN);
  } else {
    TBBUTTON buttons[std::size(kToolbarButtons)];
    for (size_t i = 0; i < std::size(kToolbarButtons); ++i) {
      const ToolbarButton& b = kToolbarButtons[i];
      buttons[i].iBitmap = b.image < 0 ? 0 : b.image;
      buttons[i].idCommand = b.id;
      buttons[i].fsState = b.image < 0 ? 0 : TBSTATE_ENABLED;
      buttons[i].fsStyle = static_cast<BYTE>(b.image < 0 ? TBSTYLE_SEP : TBSTYLE_BUTTON);
    }
    const int image = GetUiMetric(kToolbarImageMetric);
    m_toolbar = CreateToolbarEx(GetHwnd(), WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN,
                                kItemsToolbarId, kToolbarImages, m_resources,
                                image > kLowResolutionImage ? IDB_ITEMS_TOOLBAR_HIRES : IDB_ITEMS_TOOLBAR, buttons,
                                static_cast<int>(std::size(buttons)), 0, 0, image, image, sizeof(TBBUTTON));
    if (m_toolbar)
      SendMessageW(m_toolbar, TB_SETTOOLTIPS, std::size(kToolbarTips), reinterpret_cast<LPARAM>(kToolbarTips));
  }
  Layout();
  // The bar came or went below the rows: the whole page is drawn again, title row too.
  for (HWND part : {GetHwnd(), GetDlgItem(GetHwnd(), IDC_DIALOG_HEADING), m_okButton, m_cancelButton})
    if (part) InvalidateRect(part, nullptr, TRUE);
  UpdateToolbarState(kBarAll);
}

void CItemListWnd::UpdateToolbarState(unsigned bits) {
  if (!m_tree) return;
  if ((bits & kBarToolbarButton) && m_menuBar && IsWindow(m_menuBar)) {
    LPARAM state = TBSTATE_ENABLED | (m_toolbar ? TBSTATE_CHECKED : 0);
    SendMessageW(m_menuBar, TB_SETSTATE, kCmdToggleToolbar, state);
  }
  if (!m_toolbar) return;
  const bool root = m_tree->IsRootSelected();
  const struct {
    unsigned bit;
    int id;
    bool enabled;
  } buttons[] = {
      {kBarCut, kCmdCut, !root},
      {kBarCopy, kCmdCopy, !root && !m_tree->IsContainerSelected()},
      {kBarPaste, kCmdPaste, !m_clipboard.IsEmpty()},
      {kBarUndo, kCmdUndo, m_history.CanUndo()},
      {kBarRedo, kCmdRedo, m_history.CanRedo()},
      {kBarShowCheckBoxes, kCmdShowCheckBoxes, m_lineItemMode},
      {kBarNewItem, kCmdNewItem, !(m_otherListsMode && root)},
      {kBarNewCategory, kCmdNewCategory, !m_otherListsMode},
  };
  for (const auto& b : buttons) {
    if (bits & b.bit)
      SendMessageW(m_toolbar, TB_SETSTATE, static_cast<WPARAM>(b.id), b.enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
  }
}

void CItemListWnd::OnInitMenuPopup(HMENU menu, UINT popupId) {
  if (!m_tree) return;
  if (popupId == kCmdViewPopup) {
    CheckMenuItem(menu, kCmdShowCheckBoxes, MF_BYCOMMAND | (m_tree->CheckBoxes() && m_lineItemMode ? MF_CHECKED : MF_UNCHECKED));
    Grey(menu, kCmdShowCheckBoxes, !m_lineItemMode);
    CheckMenuItem(menu, kCmdAlphabetize, MF_BYCOMMAND | (m_tree->Alphabetize() ? MF_CHECKED : MF_UNCHECKED));
    int view = m_tree->ViewMode();
    if (view != kViewByDescription && view != kViewByNameAndDescription) view = kViewByName;
    for (int id : {kViewByName, kViewByDescription, kViewByNameAndDescription})
      CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (id == view ? MF_CHECKED : MF_UNCHECKED));
    return;
  }
  if (popupId != kCmdEditPopup && popupId != kCmdNewPopup) return;
  const bool root = m_tree->IsRootSelected();
  if (popupId == kCmdNewPopup) {
    // The named lists take entries only; an assembly takes nothing new below it.
    const bool none = m_otherListsMode || m_tree->IsInAssembly();
    Grey(menu, kCmdNewCategory, none);
    Grey(menu, kCmdNewGroup, none);
    Grey(menu, kCmdNewItem, (m_otherListsMode && root) || (!m_otherListsMode && m_tree->IsInAssembly()));
  }
  if (m_history.CanUndo()) NameByHistory(menu, u"Undo", m_history.GetUndoName());
  if (m_history.CanRedo()) NameByHistory(menu, u"Redo", m_history.GetRedoName());
  Grey(menu, kCmdUndo, !m_history.CanUndo());
  Grey(menu, kCmdRedo, !m_history.CanRedo());
  if (m_tree->IsContainerSelected() || !m_tree->GetSelection()) {
    const bool fixed = root || m_tree->IsOtherListsRootSelected();
    Grey(menu, kCmdCut, fixed);
    Grey(menu, kCmdCopy, true);
    Grey(menu, kCmdEdit, fixed || m_tree->IsTopRootSelected());
    Grey(menu, kCmdDelete, fixed);
  } else {
    for (UINT id : {kCmdCut, kCmdCopy, kCmdEdit, kCmdDelete}) Grey(menu, id, false);
  }
  Grey(menu, kCmdPaste, m_clipboard.IsEmpty());
  Grey(menu, kCmdClearChecks, !m_tree->CheckBoxes());
}

HMENU CItemListWnd::BuildHoldMenu() const {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  CDbRecord* selected = nullptr;
  m_tree->GetSelection(&selected);
  const int kind = selected ? selected->GetObjectType() : 0;
  const bool root = m_tree->IsRootSelected();
  const bool container = (kind & kObjectContainerMask) != 0;
  const bool fixed = root || kind == kObjectOtherLists;
  auto add = [menu](UINT id, LPCWSTR text, bool greyed) {
    AppendMenuW(menu, MF_STRING | (greyed ? MF_GRAYED : 0), id, text);
  };
  if (!m_otherListsMode) {
    const bool assembly = m_tree->IsInAssembly();
    add(kCmdNewItem, u"New Item...", assembly);
    add(kCmdNewCategory, u"New Category...", assembly);
    add(kCmdNewGroup, u"New Group...", assembly);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  } else if (kind == kObjectOtherLists) {
    add(kCmdNewItem, u"New Item...", false);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  const bool empty = m_clipboard.IsEmpty();
  if (container) {
    add(kCmdCut, u"Cut", fixed || kind == kObjectRoot);
    add(kCmdPaste, u"Paste", empty);
    add(kCmdEdit, u"Edit...", fixed || kind == kObjectRoot);
  } else {
    add(kCmdCut, u"Cut", false);
    add(kCmdCopy, u"Copy", false);
    add(kCmdPaste, u"Paste", empty);
    add(kCmdEdit, u"Edit...", false);
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  add(kCmdDelete, u"Delete", container && fixed);
  if (m_lineItemMode && m_tree->CanAddToDocument()) add(kCmdAddToDocument, u"Add to invoice", false);
  return menu;
}

int CItemListWnd::TrackHoldMenu(POINT screen) {
  if (!m_tree) return 0;
  TVHITTESTINFO hit;
  hit.pt = screen;
  ScreenToClient(m_tree->Window(), &hit.pt);
  SendMessageW(m_tree->Window(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.hItem) m_tree->Select(hit.hItem);
  if (!m_tree->GetSelection()) return 0;
  HMENU menu = BuildHoldMenu();
  if (!menu) return 0;
  int chosen = TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, screen.x, screen.y, GetHwnd(), nullptr);
  DestroyMenu(menu);
  return chosen;
}

void CItemListWnd::AddSelectedToDocument() {
  HTREEITEM node = m_tree->GetSelection();
  if (!m_lineItemMode || !node || !m_tree->CanAddToDocument() || !m_addItems) return;
  std::vector<std::unique_ptr<CDbRecord>> items;
  {
    CWaitCursorScope wait;
    m_tree->CollectItemsOf(node, items);
  }
  m_tree->ChangeCheckState(node, kUncheck);
  if (!items.empty()) m_addItems(std::move(items), m_linePosition);
}
