#include "editor/ItemListWnd.h"

#include <algorithm>
#include <string>

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "core/MessageBoxes.h"
#include "core/NameForm.h"
#include "core/Parcel.h"
#include "core/Preferences.h"
#include "core/ScreenResolution.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

// On a 240-pixel screen; doubled on a high-resolution one.
constexpr int kFindBarHeight = 24;
constexpr int kFindButtonWidth = 34;
constexpr int kTitleGap = 6;
constexpr int kFindTextLimit = 40;

void ShowInfoWithText(HWND owner, std::u16string format, std::u16string_view text) {
  format.replace(format.find(u"%s"), 2, text);
  MessageBoxW(owner, format.c_str(), u"Slateway", kStyleInformation);
}

}  // namespace

CItemListWnd::CItemListWnd(HINSTANCE resources, HWND owner, CCommandProcessor& listHistory, CItemStore& store,
                           int documentType)
    : m_resources(resources),
      m_owner(owner),
      m_history(listHistory),
      m_store(store),
      m_findProgress(resources, nullptr),
      m_findResults(50),
      m_documentType(documentType) {}

CItemListWnd::~CItemListWnd() {
  EndSearch();
  m_store.CreateFindProgressDialog(nullptr);
  m_history.Clear();  // commands hold the tree and the clipboard: they go first
  m_context.reset();
  m_tree.reset();
  if (HWND window = GetHwnd()) DestroyWindow(window);
  if (m_titleFont) DeleteObject(m_titleFont);
}

bool CItemListWnd::Create(bool lineItemMode, bool otherListsMode) {
  CWaitCursorScope wait;
  if (!CreateModeless(m_resources, MAKEINTRESOURCEW(IDD_ITEM_LIST), m_parent)) return false;
  m_tree = std::make_unique<CListTreeView>(m_resources, GetHwnd(), &m_store, lineItemMode, otherListsMode);
  m_context.reset(new CItemTreeContext{m_store, *m_tree, m_clipboard, m_history, GetHwnd(), m_documentType});
  m_lineItemMode = lineItemMode;
  m_otherListsMode = otherListsMode;
  m_tree->Fill();
  m_history.AddListener(GetHwnd());
  Layout();
  return true;
}

bool CItemListWnd::Open(HWND parent, int linePosition, bool lineItemMode, bool otherListsMode, int helpTopic) {
  m_changed = false;
  if (!GetHwnd()) {
    m_parent = parent;
    if (!Create(lineItemMode, otherListsMode)) return false;
  }
  m_helpTopic = helpTopic;
  m_linePosition = linePosition;
  m_lineItemMode = lineItemMode;
  m_otherListsMode = otherListsMode;
  // The heading and the window's title (which the navigation bar shows) name the mode.
  const char16_t* title = otherListsMode ? u"Other Lists" : u"Line Item Lists";
  SetDlgItemTextW(GetHwnd(), IDC_DIALOG_HEADING, title);
  SetWindowTextW(GetHwnd(), title);
  if (m_tree->SetMode(lineItemMode, otherListsMode)) m_clipboard.Clear();
  if (lineItemMode) {
    if (m_cancelButton) ShowWindow(m_cancelButton, SW_SHOW);
    if (!m_tree->CheckBoxes() && CPreferences().Get(pref::kShowCheckBoxes) != 0) m_tree->ToggleCheckBoxes();
  } else {
    if (m_cancelButton) ShowWindow(m_cancelButton, SW_HIDE);
    if (m_tree->CheckBoxes()) {
      m_tree->ToggleCheckBoxes();
      m_restoreCheckBoxes = true;
    }
  }
  m_tree->SetFocus(false);
  ShowWindow(GetHwnd(), SW_SHOW);
  CreateItemsMenuBar();
  Layout();
  UpdateToolbarState(kBarAll);
  return true;
}

void CItemListWnd::Layout() {
  HWND window = GetHwnd();
  if (!window || !m_tree) return;
  RECT client{};
  GetClientRect(window, &client);
  int width = client.right - client.left;
  int bottom = client.bottom;
  const int k = IsHighResolutionScreen() ? 2 : 1;
  SIPINFO sip;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON)) {
    // The input panel covers the bottom: the window uses what stays visible.
    POINT visibleEnd{sip.rcVisibleDesktop.right, sip.rcVisibleDesktop.bottom};
    ScreenToClient(window, &visibleEnd);
    width = std::min<int>(width, visibleEnd.x);
    bottom = std::min<int>(bottom, visibleEnd.y);
  }
  if (m_toolbar) {
    RECT bar{};
    GetWindowRect(m_toolbar, &bar);
    int height = bar.bottom - bar.top;
    SetWindowPos(m_toolbar, nullptr, 0, bottom - height, width, height, SWP_NOZORDER);
    bottom = bottom - height + 1;
  }
  if (m_findEdit) {
    int top = bottom - 1 - kFindBarHeight * k;
    int x = 2 * k, h = (kFindBarHeight - 4) * k, b = kFindButtonWidth * k;
    SetWindowPos(m_findLabel, nullptr, x, top + 2 * k, b, h, SWP_NOZORDER);
    int buttons = 3 * b;
    int editWidth = width - x - b - buttons - 4 * k;
    SetWindowPos(m_findEdit, nullptr, x + b, top + 2 * k, editWidth > 20 ? editWidth : 20, h, SWP_NOZORDER);
    int bx = width - buttons - x;
    SetWindowPos(m_findFirst, nullptr, bx, top + 2 * k, b, h, SWP_NOZORDER);
    SetWindowPos(m_findNext, nullptr, bx + b, top + 2 * k, b, h, SWP_NOZORDER);
    SetWindowPos(m_findClose, nullptr, bx + 2 * b, top + 2 * k, b, h, SWP_NOZORDER);
    bottom = top + 1;  // the tree overlaps the bar by one pixel
  }
  MoveDialogTitleButtons(m_okButton, m_cancelButton, width);
  int top = kTitleGap;
  RECT heading{};
  if (HWND label = GetDlgItem(window, IDC_DIALOG_HEADING); label && GetWindowRect(label, &heading)) {
    POINT corner{heading.left, heading.bottom};
    ScreenToClient(window, &corner);
    top = corner.y + kTitleGap * k;
  }
  SetWindowPos(m_tree->Window(), nullptr, 0, top, width, bottom > top ? bottom - top : 0, SWP_NOZORDER);
}

void CItemListWnd::Post(std::unique_ptr<CEditCommand> command) {
  if (!command) return;
  PostParcel(GetHwnd(), kMsgEditCommand, kEditCommandRun, std::move(command));
}

// ---- Commands -----------------------------------------------------------------------------

void CItemListWnd::OnCommand(int id) {
  if (!m_tree) return;
  switch (id) {
    case IDOK:
    case kTitleOkButtonId:
      Ok();
      break;
    case IDCANCEL:
      Hide();
      break;
    case IDM_ITEMS_NEW_ITEM:
      NewItem();
      break;
    case IDM_UNDO:
      PostMessageW(GetHwnd(), kMsgEditCommand, kEditCommandUndo, 0);
      break;
    case IDM_REDO:
      PostMessageW(GetHwnd(), kMsgEditCommand, kEditCommandRedo, 0);
      break;
    case IDM_ITEMS_DELETE:
    case IDM_EDIT_CUT:
      DeleteOrCut(id == IDM_EDIT_CUT);
      break;
    case IDM_ITEMS_NEW_CATEGORY:
    case IDM_ITEMS_NEW_GROUP:
      NewCategory(id == IDM_ITEMS_NEW_GROUP);
      break;
    case IDM_EDIT_COPY:
      if (m_tree->IsContainerSelected() || !m_tree->GetSelection()) {
        MessageBeep(static_cast<UINT>(-1));
      } else {
        Post(std::make_unique<CCopyListItemCommand>(*m_context));
      }
      break;
    case IDM_EDIT_PASTE:
      Paste();
      break;
    case IDM_ITEMS_EDIT:
      m_changed = true;
      Post(std::make_unique<CEditListItemCommand>(*m_context));
      break;
    case IDM_ITEMS_FIND:
      ToggleFindBar();
      break;
    case IDC_FIND_FIRST:
      FindFirst();
      break;
    case IDC_FIND_NEXT:
      FindNext();
      break;
    case IDC_FIND_CLOSE:
      if (m_findEdit) ToggleFindBar();
      break;
    case IDM_ITEMS_CLEAR_CHECKS:
      m_tree->ClearChecks();
      break;
    case IDM_ITEMS_SHOW_CHECK_BOXES:
      CPreferences().Set(pref::kShowCheckBoxes, m_tree->ToggleCheckBoxes() ? 1 : 0);
      m_tree->Refill();
      break;
    case IDM_ITEMS_ALPHABETIZE:
      m_tree->ToggleAlphabetize();
      break;
    case IDM_ITEMS_VIEW_BY_NAME:
    case IDM_ITEMS_VIEW_BY_DESCRIPTION:
    case IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION:
      m_tree->SetViewMode(id);
      break;
    case IDM_TOOLBAR_BUTTON:
      ToggleToolbar();
      break;
    case IDM_EDITOR_ADD_LINE_ITEM:
      AddSelectedToDocument();
      break;
    default:
      break;
  }
}

void CItemListWnd::DeleteOrCut(bool cut) {
  CDbRecord* selected = nullptr;
  if (!m_tree->GetSelection(&selected) || !selected) return;
  m_changed = true;
  int kind = selected->GetObjectType();
  if (kind & kObjectLeafMask) {
    Post(std::make_unique<CDeleteListItemCommand>(*m_context, cut));
  } else if (!m_tree->IsRootSelected() && kind != kObjectOtherLists) {
    Post(std::make_unique<CDeleteCategoryCommand>(*m_context, cut));
  } else {
    MessageBeep(static_cast<UINT>(-1));
  }
}

void CItemListWnd::Paste() {
  const CDbRecord* held = m_clipboard.Record();
  if (!held) {
    MessageBeep(static_cast<UINT>(-1));
    return;
  }
  m_changed = true;
  if (held->GetObjectType() & kObjectContainerMask) {
    Post(std::make_unique<CPasteCategoryCommand>(*m_context));
    return;
  }
  if (!m_clipboard.IsCut()) {
    // A copy pastes the item as it is stored now.
    if (auto fresh = m_store.GetItem(*held, true)) m_clipboard.Set(std::move(fresh), false);
  }
  Post(std::make_unique<CPasteListItemCommand>(*m_context));
}

void CItemListWnd::NewCategory(bool group) {
  CDbRecord* selected = nullptr;
  CDbRecord* parent = nullptr;
  if (!m_tree->GetSelection(&selected, &parent) || !selected) return;
  CDbRecord* container = (selected->GetObjectType() & kObjectContainerMask) ? selected : parent;
  if (!container) return;
  std::u16string type(container->FieldView(kFieldListType));
  std::u16string parentPath =
      container->GetObjectType() == kObjectRoot ? std::u16string() : std::u16string(container->FieldView(kFieldFullName));
  const char16_t* title = u"Category";
  if (group) {
    if (type != u"Group") type.clear();
    else title = u"Group";
  } else if (CItemStore::IsSystemRootName(type)) {
    type.clear();
  }
  CNameForm form(m_resources, GetHwnd(), CBstr(title), CBstr(u"Name"), 31, CBstr(), 0, CBstr(type), type.empty());
  if (form.DoModal() != 1) return;
  std::u16string name(form.GetValue().view());
  if (name.empty()) return;
  if (name.find(u':') != std::u16string::npos) {
    ShowWarningMessage(GetHwnd(), IDS_NAME_HAS_COLON);
    return;
  }
  m_changed = true;
  auto record = CDbRecord::CDbRecordFromNames(nullptr, name, ChildFullName(parentPath, name));
  record->SetField(kFieldListType, group ? std::u16string_view(u"Group") : form.GetType().view());
  record->SetObjectType(group ? kObjectGroup : kObjectCategory);
  CBstr stamp;
  GetTimestampText(stamp);
  record->SetField(kFieldTimeCreated, stamp);
  record->SetField(kFieldTimeModified, stamp);
  Post(std::make_unique<CNewCategoryCommand>(*m_context, std::move(record)));
}

void CItemListWnd::NewItem() {
  IItemEntryDialogs* dialogs = GetItemEntryDialogs();
  CDbRecord* selected = nullptr;
  CDbRecord* parent = nullptr;
  HTREEITEM node = m_tree->GetSelection(&selected, &parent);
  if (!node || !selected || !dialogs) return;
  auto record = CDbRecord::CDbRecordOfType(0, -1);
  CDbRecord* container = (selected->GetObjectType() & kObjectContainerMask) ? selected : parent;
  std::u16string type;
  std::u16string parentPath;
  if (!container) {
    record->SetObjectType(kObjectListEntry);
  } else {
    type.assign(container->FieldView(kFieldListType));
    parentPath.assign(container->FieldView(kFieldFullName));
    int kind = container->GetObjectType();
    if (kind == kObjectGroup || kind == kObjectCategory || kind == kObjectRoot) {
      record->SetObjectType(kObjectItem);
      if (type == u"Group") type.clear();
    } else {
      record->SetObjectType(kObjectListEntry);
    }
  }
  if (CItemStore::IsSystemRootName(type)) type.clear();
  record->SetField(kFieldListType, type);
  if (type == u"Discount") record->SetField(kFieldTaxable, u"Yes");
  int result;
  bool otherRoot = selected->GetObjectType() == kObjectOtherLists;
  if (!otherRoot && CPreferences().Get(pref::kTrackInventory) != 0) {
    result = dialogs->EditInventoryItem(GetHwnd(), *record, m_context->documentType);
  } else {
    result = dialogs->EditListEntry(GetHwnd(), *record, m_context->documentType);
  }
  if (result != 1) return;
  record->SetField(kFieldFullName, ChildFullName(parentPath, record->FieldView(kFieldName)));
  m_changed = true;
  CBstr stamp;
  GetTimestampText(stamp);
  record->SetField(kFieldTimeCreated, stamp);
  record->SetField(kFieldTimeModified, stamp);
  Post(std::make_unique<CNewItemCommand>(*m_context, std::move(record)));
}

void CItemListWnd::Ok() {
  if (m_changed && m_otherListsMode) PostMessageW(m_owner, kMsgReloadLists, 0, 0);
  if (m_lineItemMode) {
    std::vector<std::unique_ptr<CDbRecord>> items;
    {
      CWaitCursorScope wait;
      m_tree->CollectChecked(nullptr, m_tree->GetSelection(), items);
    }
    if (!items.empty() && m_addItems) m_addItems(std::move(items), m_linePosition);
    m_tree->ClearChecks();
  }
  Hide();
}

void CItemListWnd::Hide() {
  if (m_restoreCheckBoxes) {
    m_tree->ToggleCheckBoxes();
    m_restoreCheckBoxes = false;
  }
  ShowWindow(GetHwnd(), SW_HIDE);
  EndSearch();
}

// ---- Finding ------------------------------------------------------------------------------

void CItemListWnd::ToggleFindBar() {
  HWND window = GetHwnd();
  if (m_findEdit) {
    for (HWND* control : {&m_findLabel, &m_findEdit, &m_findFirst, &m_findNext, &m_findClose}) {
      DestroyWindow(*control);
      *control = nullptr;
    }
    SHSipPreference(window, SIP_DOWN);
    EndSearch();
  } else {
    auto make = [&](LPCWSTR cls, LPCWSTR text, DWORD style, int id) {
      return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), m_resources, nullptr);
    };
    m_findLabel = make(u"STATIC", u"Find:", 0, IDC_FIND_LABEL);
    m_findEdit = make(u"EDIT", u"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, IDC_FIND_EDIT);
    m_findFirst = make(u"BUTTON", u"First", WS_TABSTOP, IDC_FIND_FIRST);
    m_findNext = make(u"BUTTON", u"Next", WS_TABSTOP, IDC_FIND_NEXT);
    m_findClose = make(u"BUTTON", u"X", WS_TABSTOP, IDC_FIND_CLOSE);
    SendMessageW(m_findEdit, EM_LIMITTEXT, kFindTextLimit, 0);
    ::SetFocus(m_findEdit);
  }
  Layout();
}

void CItemListWnd::SetFindText(std::u16string_view text) {
  if (!m_findEdit) ToggleFindBar();
  std::u16string copy(text.substr(0, kFindTextLimit));
  SetWindowTextW(m_findEdit, copy.c_str());
}

std::u16string CItemListWnd::ReadFindText() const {
  if (!m_findEdit) return {};
  WCHAR buffer[kFindTextLimit + 1] = {};
  GetWindowTextW(m_findEdit, buffer, kFindTextLimit + 1);
  std::u16string text(buffer);
  while (!text.empty() && text.back() == u' ') text.pop_back();
  return text;
}

void CItemListWnd::EndSearch() {
  if (m_findState.IsActive()) m_store.EndFind(m_findState);
  m_findProgress.Destroy();
  m_findResults.DeleteAll();
}

bool CItemListWnd::FindFirst() { return RunSearch(true); }

bool CItemListWnd::FindNext() { return RunSearch(!m_findState.IsActive()); }

bool CItemListWnd::RunSearch(bool first) {
  std::u16string typed = ReadFindText();
  if (first) EndSearch();
  if (typed.empty()) {
    EndSearch();
    return false;
  }
  std::u16string upper = typed;
  for (char16_t& c : upper) c = platform::UpperCase(c);
  m_searchText = upper;
  m_findResults.DeleteAll();
  m_findProgress.Reset();
  m_store.CreateFindProgressDialog(&m_findProgress);
  int found = m_store.FindText(first ? u"My Lists" : nullptr, m_searchText, m_findResults, m_findState,
                               m_otherListsMode, m_tree->ViewMode(), m_tree->Alphabetize());
  bool cancelled = m_findState.Cancelled();
  m_store.CreateFindProgressDialog(nullptr);
  if (found && ShowMatch()) return true;
  EndSearch();
  if (!cancelled)
    ShowInfoWithText(GetHwnd(), first ? u"'%s' not found." : u"No more occurences of '%s' found.", typed);
  return false;
}

bool CItemListWnd::ShowMatch() {
  // The results run from the match up to the top container: walk them down the tree,
  // loading each container on the way.
  HTREEITEM node = m_tree->Root();
  for (int i = m_findResults.GetCount() - 1; i >= 0 && node; --i) {
    CDbRecord* step = m_findResults.GetAt(i);
    CDbRecord* current = m_tree->RecordOf(node);
    if (!step || !current || current->FieldView(kFieldFullName) == step->FieldView(kFieldFullName)) continue;
    m_tree->FillChildren(node, *current);
    SendMessageW(m_tree->Window(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    HTREEITEM child = m_tree->Next(TVGN_CHILD, node);
    for (; child; child = m_tree->Next(TVGN_NEXT, child)) {
      CDbRecord* record = m_tree->RecordOf(child);
      if (record && record->FieldView(kFieldFullName) == step->FieldView(kFieldFullName)) break;
    }
    if (!child) return false;
    node = child;
  }
  if (!node) return false;
  m_tree->Select(node);
  m_tree->SetFocus(false);
  return true;
}

// ---- Messages -----------------------------------------------------------------------------

LRESULT CItemListWnd::OnNotify(const NMHDR* header) {
  if (!m_tree || header->hwndFrom != m_tree->Window()) return 0;
  switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
      const auto* nm = reinterpret_cast<const NMTREEVIEWW*>(header);
      CDbRecord* record = m_tree->RecordOf(nm->itemNew.hItem);
      CDbRecord* parent = m_tree->RecordOf(m_tree->Next(TVGN_PARENT, nm->itemNew.hItem));
      int open = (nm->action & TVE_EXPAND) ? 1 : 0;
      // The open state is kept in the store so the tree opens the same way next time.
      if (record && parent && IsVisible() && !m_findState.IsActive() && record->GetIsOpen() != open &&
          !parent->FieldView(kFieldName).empty()) {
        record->SetIsOpen(open);
        record->SetField(kFieldFallbackParent, parent->FieldView(kFieldName));
        m_store.UpdateIsOpenState(*record);
      }
      return m_tree->OnNotify(header);
    }
    case NM_CLICK: {
      DWORD pos = GetMessagePos();
      TVHITTESTINFO hit;
      hit.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
      ScreenToClient(m_tree->Window(), &hit.pt);
      SendMessageW(m_tree->Window(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.hItem && hit.flags == TVHT_ONITEMSTATEICON) m_tree->ChangeCheckState(hit.hItem, kToggleCheck);
      return 0;
    }
    case NM_DBLCLK:
      if (!m_tree->IsTopRootSelected()) OnCommand(IDM_ITEMS_EDIT);
      return 0;
    case GN_CONTEXTMENU: {
      int chosen = TrackHoldMenu(reinterpret_cast<const NMRGINFO*>(header)->ptAction);
      if (chosen) OnCommand(chosen);
      return 1;
    }
    case TVN_SELCHANGEDW:
      UpdateToolbarState(kBarAll);
      return 0;
    default:
      return 0;
  }
}

INT_PTR CItemListWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      // A full-screen page between the task bar and the menu bar.
      SHINITDLGINFO info;
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = GetHwnd();
      info.dwFlags = SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
      SHInitDialog(&info);
      m_titleFont = CreateDialogTitleBar(m_resources, GetHwnd(), IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton,
                                         u"Line Item Lists", 0);
      if (CPreferences().Get(pref::kItemsToolBar) != 0) PostMessageW(GetHwnd(), kMsgToggleToolBar, 1, 0);
      return TRUE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        SHFullScreen(GetHwnd(), SHFS_HIDESIPBUTTON);
        SHSipPreference(GetHwnd(), SIP_FORCEDOWN);
        if (IsVisible()) {
          CreateItemsMenuBar();
          UpdateToolbarState(kBarToolbarButton);
        }
      }
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO && IsVisible()) Layout();
      return FALSE;
    case WM_HELP:
      ShowHelp(m_helpTopic);
      return TRUE;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
      return FALSE;
    case kMsgToggleToolBar:
      ToggleToolbar();
      return TRUE;
    case kMsgHistoryChanged:
      UpdateToolbarState(kBarUndo | kBarRedo);
      return TRUE;
    case WM_SIZE:
      Layout();
      return TRUE;
    case WM_CLOSE:
      // The program is asked to end while the list is up: the list goes as with Cancel and
      // the window below it is asked next.
      Hide();
      if (m_parent) PostMessageW(m_parent, WM_CLOSE, 0, 0);
      return TRUE;
    case WM_DRAWITEM:
      DrawDialogTitleButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongW(GetHwnd(), DWL_MSGRESULT,
                     static_cast<LONG>(OnNotify(reinterpret_cast<const NMHDR*>(lParam))));
      return TRUE;
    case WM_COMMAND:
      // The find edit is typed on the input panel: it comes up whenever the edit takes the
      // focus, as the window's own panel button is hidden.
      if (LOWORD(wParam) == IDC_FIND_EDIT) {
        if (HIWORD(wParam) == EN_SETFOCUS) SHSipPreference(GetHwnd(), SIP_UP);
        return TRUE;
      }
      OnCommand(LOWORD(wParam));
      return TRUE;
    case kMsgEditCommand:
      HandleEditCommandMessage(m_history, wParam, lParam);
      UpdateToolbarState(kBarAll);
      return TRUE;
    default:
      return FALSE;
  }
}
