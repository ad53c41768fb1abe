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
    {0, IDM_ITEMS_NEW_ITEM}, {1, IDM_ITEMS_NEW_CATEGORY}, {-1, 0},         {2, IDM_UNDO},  {3, IDM_REDO},
    {-1, 0},          {4, IDM_EDIT_CUT},         {5, IDM_EDIT_COPY},   {6, IDM_EDIT_PASTE}, {-1, 0},
    {7, IDM_ITEMS_FIND},    {8, IDM_ITEMS_SHOW_CHECK_BOXES}, {9, IDM_ITEMS_ALPHABETIZE},
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
    SendMessageW(m_menuBar, TB_SETSTATE, IDM_TOOLBAR_BUTTON, state);
  }
  if (!m_toolbar) return;
  const bool root = m_tree->IsRootSelected();
  const struct {
    unsigned bit;
    int id;
    bool enabled;
  } buttons[] = {
      {kBarCut, IDM_EDIT_CUT, !root},
      {kBarCopy, IDM_EDIT_COPY, !root && !m_tree->IsContainerSelected()},
      {kBarPaste, IDM_EDIT_PASTE, !m_clipboard.IsEmpty()},
      {kBarUndo, IDM_UNDO, m_history.CanUndo()},
      {kBarRedo, IDM_REDO, m_history.CanRedo()},
      {kBarShowCheckBoxes, IDM_ITEMS_SHOW_CHECK_BOXES, m_lineItemMode},
      {kBarNewItem, IDM_ITEMS_NEW_ITEM, !(m_otherListsMode && root)},
      {kBarNewCategory, IDM_ITEMS_NEW_CATEGORY, !m_otherListsMode},
  };
  for (const auto& b : buttons) {
    if (bits & b.bit)
      SendMessageW(m_toolbar, TB_SETSTATE, static_cast<WPARAM>(b.id), b.enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
  }
}

void CItemListWnd::OnInitMenuPopup(HMENU menu, UINT popupId) {
  if (!m_tree) return;
  if (popupId == IDM_ITEMS_VIEW_POPUP) {
    CheckMenuItem(menu, IDM_ITEMS_SHOW_CHECK_BOXES, MF_BYCOMMAND | (m_tree->CheckBoxes() && m_lineItemMode ? MF_CHECKED : MF_UNCHECKED));
    Grey(menu, IDM_ITEMS_SHOW_CHECK_BOXES, !m_lineItemMode);
    CheckMenuItem(menu, IDM_ITEMS_ALPHABETIZE, MF_BYCOMMAND | (m_tree->Alphabetize() ? MF_CHECKED : MF_UNCHECKED));
    int view = m_tree->ViewMode();
    if (view != IDM_ITEMS_VIEW_BY_DESCRIPTION && view != IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION) view = IDM_ITEMS_VIEW_BY_NAME;
    for (int id : {IDM_ITEMS_VIEW_BY_NAME, IDM_ITEMS_VIEW_BY_DESCRIPTION, IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION})
      CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (id == view ? MF_CHECKED : MF_UNCHECKED));
    return;
  }
  if (popupId != IDM_ITEMS_EDIT_POPUP && popupId != IDM_ITEMS_NEW_POPUP) return;
  const bool root = m_tree->IsRootSelected();
  if (popupId == IDM_ITEMS_NEW_POPUP) {
    // The named lists take entries only; an assembly takes nothing new below it.
    const bool none = m_otherListsMode || m_tree->IsInAssembly();
    Grey(menu, IDM_ITEMS_NEW_CATEGORY, none);
    Grey(menu, IDM_ITEMS_NEW_GROUP, none);
    Grey(menu, IDM_ITEMS_NEW_ITEM, (m_otherListsMode && root) || (!m_otherListsMode && m_tree->IsInAssembly()));
  }
  if (m_history.CanUndo()) NameByHistory(menu, u"Undo", m_history.GetUndoName());
  if (m_history.CanRedo()) NameByHistory(menu, u"Redo", m_history.GetRedoName());
  Grey(menu, IDM_UNDO, !m_history.CanUndo());
  Grey(menu, IDM_REDO, !m_history.CanRedo());
  if (m_tree->IsContainerSelected() || !m_tree->GetSelection()) {
    const bool fixed = root || m_tree->IsOtherListsRootSelected();
    Grey(menu, IDM_EDIT_CUT, fixed);
    Grey(menu, IDM_EDIT_COPY, true);
    Grey(menu, IDM_ITEMS_EDIT, fixed || m_tree->IsTopRootSelected());
    Grey(menu, IDM_ITEMS_DELETE, fixed);
  } else {
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_ITEMS_EDIT, IDM_ITEMS_DELETE}) Grey(menu, id, false);
  }
  Grey(menu, IDM_EDIT_PASTE, m_clipboard.IsEmpty());
  Grey(menu, IDM_ITEMS_CLEAR_CHECKS, !m_tree->CheckBoxes());
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
    add(IDM_ITEMS_NEW_ITEM, u"New Item...", assembly);
    add(IDM_ITEMS_NEW_CATEGORY, u"New Category...", assembly);
    add(IDM_ITEMS_NEW_GROUP, u"New Group...", assembly);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  } else if (kind == kObjectOtherLists) {
    add(IDM_ITEMS_NEW_ITEM, u"New Item...", false);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  const bool empty = m_clipboard.IsEmpty();
  if (container) {
    add(IDM_EDIT_CUT, u"Cut", fixed || kind == kObjectRoot);
    add(IDM_EDIT_PASTE, u"Paste", empty);
    add(IDM_ITEMS_EDIT, u"Edit...", fixed || kind == kObjectRoot);
  } else {
    add(IDM_EDIT_CUT, u"Cut", false);
    add(IDM_EDIT_COPY, u"Copy", false);
    add(IDM_EDIT_PASTE, u"Paste", empty);
    add(IDM_ITEMS_EDIT, u"Edit...", false);
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  add(IDM_ITEMS_DELETE, u"Delete", container && fixed);
  if (m_lineItemMode && m_tree->CanAddToDocument()) add(IDM_EDITOR_ADD_LINE_ITEM, u"Add to invoice", false);
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
  if (!m_lineItemMode || !node || !m_tree->CanAddToDocument() || !m_addNode) return;
  std::vector<std::unique_ptr<CDbRecord>> items;
  {
    CWaitCursorScope wait;
    m_tree->CollectItemsOf(node, items);
  }
  m_tree->ChangeCheckState(node, kUncheck);
  if (!items.empty()) m_addNode(std::move(items), m_linePosition);
  m_tree->Select(nullptr);
  m_tree->SetFocus(false);
}
