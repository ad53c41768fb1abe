#include "customers/CustomerListWnd.h"

#include <algorithm>

#include "core/DialogTitleBar.h"
#include "core/DrawHelpers.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "core/FullScreenDialog.h"
#include "datastore/CustomerSource.h"
#include "editor/SelectCustomerCommand.h"
#include "platform/gdi/Gdi.h"
#include "platform/shell/Shell.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

CCustomerListWnd* g_customerListWnd = nullptr;

namespace {

constexpr int kHelpTopic = 9;
constexpr int kTitleButtonWidth = 184;
constexpr char16_t kRowError[] = u"Error - exit and reload";
constexpr const char16_t* kButtonCaptions[CLetterJump::kButtonCount] = {u"#ab", u"cde", u"fgh", u"ijk", u"lmn",
                                                                       u"opq", u"rst", u"uvw", u"xyz"};
// The widths of the buttons beside the ninth of the width, left to right.
constexpr int kButtonWidthAdjust[CLetterJump::kButtonCount] = {1, 0, 0, -2, 2, 3, 0, 4, 0};
// The tap-and-hold menu.
constexpr UINT kMenuEdit = 40097;
constexpr UINT kMenuAddJob = 126;
constexpr UINT kMenuDelete = 40059;
// The category menu: every contact, then the categories in stored order.
constexpr UINT kMenuAllContacts = 300;
constexpr char16_t kAllContacts[] = u"All Contacts";
constexpr size_t kCategoryTextLimit = 80;
constexpr int kTitleTextLimit = 30;

void SetListRedraw(HWND list, bool on) { SendMessageW(list, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

}  // namespace

CCustomerListWnd::CCustomerListWnd(HINSTANCE resources, HWND owner, CCustomerSource* source,
                                   CPreferences* preferences)
    : m_resources(resources), m_owner(owner), m_source(source), m_preferences(preferences) {
  if (ContactsMode() && m_preferences) m_byCompany = m_preferences->Get(pref::kViewByCompany) != 0;
  g_customerListWnd = this;
}

CCustomerListWnd::~CCustomerListWnd() {
  // Nothing may still read the source through this window.
  m_loader.Stop();
  if (ContactsMode() && m_preferences) m_preferences->Set(pref::kViewByCompany, m_byCompany ? 1 : 0);
  if (m_titleFont) DeleteObject(m_titleFont);
  if (HWND dialog = GetHwnd()) DestroyWindow(dialog);
  if (g_customerListWnd == this) g_customerListWnd = nullptr;
}

bool CCustomerListWnd::ContactsMode() const { return CPreferences::UseOutlook(); }

// ---- Loader ----------------------------------------------------------------------------------

void CCustomerListWnd::StartLoader(int priority) {
  if (!m_source) return;
  // The list update changes the customers under the source: it reloads when it is done,
  // and the loader starts at the next activation.
  if (m_listUpdateRunning) {
    m_restartOnActivate = true;
    return;
  }
  // A source without a table of its own is rebuilt by the loader: the list asks it for
  // no row until the loader has finished.
  if (m_list && !m_source->HasOwnTable()) SetItemCount(0);
  m_loader.SetNotify(GetHwnd(), kMsgLoaderDone);
  m_loader.Start(*m_source, m_filter, m_byCompany, priority);
}

void CCustomerListWnd::WaitForLoader() { m_loader.Wait(); }

void CCustomerListWnd::OnLoaderDone() {
  // What the loader built is read on this thread from here on.
  m_loader.Wait();
  if (!m_source || !m_list) return;
  const int count = std::max(0, m_source->GetCount(m_filter, m_byCompany));
  if (count != SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)) SetItemCount(count);
  m_entryRow = -1;
  InvalidateRect(m_list, nullptr, TRUE);
}

// ---- Showing ---------------------------------------------------------------------------------

void CCustomerListWnd::Show(HWND parent, int mode) {
  m_parent = parent;
  m_mode = mode;
  m_currentRow = -1;
  if (!m_created) {
    m_loader.Wait();
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    if (!CreateModeless(m_resources, MAKEINTRESOURCEW(IDD_CUSTOMER_LIST), parent)) return;
    m_created = true;
  }
  if (ContactsMode()) m_contacts.Open(GetHwnd());
  if (mode != kPickMode && mode != kManageMode) return;
  HWND dialog = GetHwnd();
  if (m_cancelButton) ShowWindow(m_cancelButton, mode == kPickMode ? SW_SHOW : SW_HIDE);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  SetActiveWindow(dialog);
  CreateMenuBar();
}

void CCustomerListWnd::Hide() {
  if (HWND dialog = GetHwnd()) ShowWindow(dialog, SW_HIDE);
}

void CCustomerListWnd::OnInitDialog() {
  HWND dialog = GetHwnd();
  full_screen::MakeFullScreen(dialog);
  m_loader.SetNotify(dialog, kMsgLoaderDone);
  CreateControls();
  Resize();
  Reload(false);
  m_jump.Request(2);
  JumpToLetter();
  SetFocus(m_list);
}

void CCustomerListWnd::CreateControls() {
  HWND dialog = GetHwnd();
  const bool contacts = ContactsMode();
  if (contacts) {
    m_titleButton = CreateWindowExW(0, u"TTBUTTON", u"All Contacts", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0,
                                    kTitleButtonWidth, GetUiMetric(11), dialog,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTitleButtonId)), nullptr, nullptr);
    if (HWND heading = GetDlgItem(dialog, IDC_DIALOG_HEADING)) ShowWindow(heading, SW_HIDE);
  }
  m_titleFont = CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton,
                                     contacts ? nullptr : u"Customer:Job List", 0);
  m_list = CreateWindowExW(0, WC_LISTVIEWW, u"CustListView",
                           WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                               LVS_OWNERDATA,
                           0, 0, 10, 10, dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), nullptr,
                           nullptr);
  const auto extended = static_cast<DWORD>(SendMessageW(m_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended | LVS_EX_FULLROWSELECT);
  for (int i = 0; i < CLetterJump::kButtonCount; ++i) {
    m_buttons[i] = CreateWindowExW(0, u"TTBUTTON", kButtonCaptions[i], WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, dialog,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(CLetterJump::kFirstButton + i)),
                                   nullptr, nullptr);
  }
  SetupColumns(false);
}

void CCustomerListWnd::SetupColumns(bool update) {
  if (!m_list) return;
  const bool phone = ContactsMode() || !CPreferences::DisplayBalances();
  struct Column {
    const char16_t* title;
    int metric;
  };
  const Column columns[2] = {{u"Name", 51}, {phone ? u"Phone" : u"Balance", phone ? 52 : 53}};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW column;
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = GetUiMetric(columns[c].metric);
    column.pszText = const_cast<LPWSTR>(columns[c].title);
    column.iSubItem = c;
    SendMessageW(m_list, update ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
}

void CCustomerListWnd::CreateMenuBar() {
  SHMENUBARINFO bar;
  bar.hwndParent = GetHwnd();
  bar.nToolBarId = ContactsMode() ? IDR_CONTACT_LIST_BAR : IDR_CUSTOMER_LIST_BAR;
  bar.hInstRes = m_resources;
  ::CreateMenuBar(&bar);
}

void CCustomerListWnd::Resize() {
  HWND dialog = GetHwnd();
  if (!dialog || !m_list) return;
  const RECT area = full_screen::VisibleArea(dialog);
  const int width = area.right - area.left;
  const int top = GetUiMetric(11);
  const int rowHeight = GetUiMetric(29);
  if (m_titleButton) MoveWindow(m_titleButton, 0, 0, kTitleButtonWidth, top, TRUE);
  const int ninth = width / CLetterJump::kButtonCount;
  int x = 0;
  for (int i = 0; i < CLetterJump::kButtonCount; ++i) {
    const int w = ninth + kButtonWidthAdjust[i];
    MoveWindow(m_buttons[i], x, top, w, rowHeight, TRUE);
    x += w;
  }
  MoveWindow(m_list, 0, top + rowHeight, width, std::max(0, int(area.bottom - area.top) - top - rowHeight), TRUE);
  MoveDialogTitleButtons(m_okButton, m_cancelButton, width);
}

// ---- Loading ---------------------------------------------------------------------------------

void CCustomerListWnd::SetItemCount(int count) {
  SendMessageW(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(0, count)), 0);
  m_entryRow = -1;
}

void CCustomerListWnd::EmptyList() {
  if (m_list) SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  m_entryRow = -1;
}

void CCustomerListWnd::ReloadSource() {
  if (!m_source) return;
  // The source is reloaded here: a loader still at it would race this thread.
  m_loader.Stop();
  m_source->FreeList();
  m_source->LoadList();
}

int CCustomerListWnd::Reload(bool reloadSource) {
  CWaitCursorScope wait;
  EmptyList();
  if (!m_source) return 1;
  if (reloadSource) ReloadSource();
  const int count = m_loader.Running() ? 0 : m_source->GetCount(m_filter, m_byCompany);
  if (m_list) SetItemCount(count);
  if (reloadSource) m_source->BuildLetterIndex(m_filter, m_byCompany);
  m_jump.Reset();
  return 1;
}

void CCustomerListWnd::SetSource(CCustomerSource* source) {
  m_loader.Stop();
  m_source = source;
  Reload(false);
  StartLoader(CCustomerLoader::kPriorityBelowNormal);
  if (HWND dialog = GetHwnd()) InvalidateRect(dialog, nullptr, TRUE);
}

void CCustomerListWnd::ChangeNameForm(bool byCompany) {
  m_byCompany = byCompany;
  const bool synchronous = m_source && m_source->HasOwnTable() != 0;
  Reload(synchronous);
  if (!synchronous) StartLoader(CCustomerLoader::kPriorityBelowNormal);
  InvalidateRect(GetHwnd(), nullptr, TRUE);
  if (byCompany) {
    m_jump.Request(2);
    JumpToLetter();
  }
}

// ---- Letters ---------------------------------------------------------------------------------

void CCustomerListWnd::PressLetterButton(int buttonId) {
  m_jump.Press(buttonId);
  JumpToLetter();
  SetFocus(GetHwnd());
}

void CCustomerListWnd::JumpToLetter() {
  if (!m_list || !m_source) return;
  const int count = static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
  const int position = m_jump.Next();
  if (position == CLetterJump::kScrollToTop) {
    SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::min(11, std::max(0, count - 1))), FALSE);
    SendMessageW(m_list, LVM_ENSUREVISIBLE, 0, FALSE);
    return;
  }
  CWaitCursorScope wait;
  // The letter index is the loader's to write until it has ended.
  if (m_loader.Running()) {
    m_loader.Wait();
    OnLoaderDone();
  }
  const int row = m_source->GetLetterRow(position);
  if (row < 0 || row >= count) return;
  SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(CLetterJump::LeadRow(row, count)), FALSE);
  SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// ---- Rows ------------------------------------------------------------------------------------

void CCustomerListWnd::FillDisplayText(LVITEMW& item) {
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  std::u16string text;
  const bool haveEntry = m_entryRow == item.iItem || (m_source && m_source->GetEntryAt(item.iItem, m_entry));
  m_entryRow = haveEntry ? item.iItem : -1;
  if (!haveEntry) {
    text = item.iSubItem == 0 ? kRowError : u"";
  } else if (item.iSubItem == 0) {
    text = m_entry.GetDisplayName(m_byCompany);
  } else if (ContactsMode()) {
    text = m_entry.GetPhoneText(m_byCompany);
  } else if (CPreferences::DisplayBalances()) {
    text = m_entry.GetTotalBalance().str();
  } else {
    text = m_entry.GetPhoneText(m_useBusAddress);
  }
  const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
  if (text.size() > room) text.resize(room);
  std::copy(text.begin(), text.end(), item.pszText);
  item.pszText[text.size()] = u'\0';
}

void CCustomerListWnd::MakeRowCurrent(int row) {
  const int count = static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
  if (row >= count) row = count - 1;
  m_currentRow = row;
  if (row < 0) return;
  SetFocus(m_list);
  LVITEMW state;
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

int CCustomerListWnd::EditEntry(bool addJob) {
  if (m_currentRow < 0 || !m_source) return 1;
  const int row = m_currentRow;
  SetListRedraw(m_list, false);
  const int changed = m_source->EditEntry(GetHwnd(), row, addJob);
  if (ContactsMode() && !addJob) {
    InvalidateRect(GetHwnd(), nullptr, TRUE);
    PostMessageW(GetHwnd(), kMsgReselect, 0, 0);
    return 1;
  }
  if (changed) Reload(true);
  SetListRedraw(m_list, true);
  MakeRowCurrent(row);
  return 1;
}

int CCustomerListWnd::DeleteEntry() {
  if (m_currentRow < 0 || !m_source) return 0;
  const int row = m_currentRow;
  m_deleting = true;
  int result = 0;
  if (AskYesNoRes(GetHwnd(), IDS_CONFIRM_DELETE_CUSTOMER)) {
    if (ContactsMode()) {
      SetListRedraw(m_list, false);
      result = m_source->DeleteEntry(row);
      SetListRedraw(m_list, true);
    } else {
      result = m_source->DeleteEntry(row);
      // The letter index moves with the rows after the deleted one.
      Reload(true);
    }
    MakeRowCurrent(row);
  }
  m_deleting = false;
  return result;
}

int CCustomerListWnd::NewEntry() {
  if (!m_source) return 0;
  SetListRedraw(m_list, false);
  std::unique_ptr<CCustomerRecord> created = m_source->CreateNew(2);
  int result = created ? 1 : 0;
  if (created) {
    if (ContactsMode()) {
      SetSource(m_source);
    } else {
      Reload(true);
      if (m_mode == kPickMode) SelectRecord(std::move(created));
    }
  }
  SetListRedraw(m_list, true);
  return result;
}

// ---- Selection -------------------------------------------------------------------------------

int CCustomerListWnd::SelectEntry() {
  if (m_currentRow < 0 || !m_source) return 0;
  std::unique_ptr<CCustomerRecord> record;
  if (ContactsMode()) {
    record = std::make_unique<CContactCustomer>(m_useBusAddress);
  } else {
    record = std::make_unique<CTableCustomer>(m_useBusAddress);
  }
  // A row that cannot be read chooses nothing.
  if (!m_source->GetRecordAt(m_currentRow, *record, false, m_useBusAddress)) return 0;
  SendSelection(std::move(record));
  return 1;
}

int CCustomerListWnd::SelectRecord(std::unique_ptr<CCustomerRecord> record) {
  if (!record) return 0;
  SendSelection(std::move(record));
  Hide();
  return 1;
}

int CCustomerListWnd::SelectRecordById(LONG oid) {
  if (!m_source) return 0;
  return SelectRecord(m_source->GetRecordByOid(oid, m_useBusAddress));
}

void CCustomerListWnd::SendSelection(std::unique_ptr<CCustomerRecord> record) {
  CSalesDocument* document = m_documentOf ? m_documentOf() : nullptr;
  if (!document) return;
  SendEditCommand(m_owner, std::make_unique<CSelectCustomerCommand>(*document, std::move(record)));
}

// ---- Messages --------------------------------------------------------------------------------

void CCustomerListWnd::OnCommand(int id, int code) {
  if (id >= CLetterJump::kFirstButton && id < CLetterJump::kFirstButton + CLetterJump::kButtonCount) {
    if (code == 0) PressLetterButton(id);
    return;
  }
  switch (id) {
    case kTitleButtonId:
      if (code == 0 && ShowCategoryMenu()) SetSource(m_source);
      return;
    case IDOK:
    case kTitleOkButtonId:
      Hide();
      if (m_mode != kManageMode) SelectEntry();
      return;
    case IDCANCEL:
      Hide();
      return;
    case IDM_CUSTOMER_NEW:
      NewEntry();
      CreateMenuBar();
      return;
    case IDM_CUSTOMER_EDIT:
      EditEntry(false);
      return;
    case IDM_CUSTOMER_BY_COMPANY:
      ChangeNameForm(true);
      return;
    case IDM_CUSTOMER_BY_NAME:
      ChangeNameForm(false);
      return;
    default:
      return;
  }
}

INT_PTR CCustomerListWnd::OnListNotify(NMHDR* header) {
  if (!header || header->idFrom != kListId) return FALSE;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      FillDisplayText(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
      return TRUE;
    case NM_CLICK:
      m_currentRow = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      return TRUE;
    case LVN_ITEMACTIVATE:
      if (const int item = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem; item >= 0) m_currentRow = item;
      if (m_mode == kManageMode) {
        EditEntry(false);
      } else {
        Hide();
        SelectEntry();
      }
      return TRUE;
    case GN_CONTEXTMENU:
      ShowRowMenu(reinterpret_cast<NMRGINFO*>(header)->ptAction);
      return TRUE;
    default:
      return FALSE;
  }
}

void CCustomerListWnd::ShowRowMenu(POINT screen) {
  LVHITTESTINFO hit;
  hit.pt = screen;
  ScreenToClient(m_list, &hit.pt);
  const int row = static_cast<int>(SendMessageW(m_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row >= 0) m_currentRow = row;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kMenuEdit, u"Edit...");
  if (!ContactsMode()) AppendMenuW(menu, MF_STRING, kMenuAddJob, u"Add Job...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kMenuDelete, u"Delete");
  const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD, screen.x, screen.y, GetHwnd(), nullptr));
  DestroyMenu(menu);
  if (chosen == kMenuEdit) EditEntry(false);
  if (chosen == kMenuAddJob) EditEntry(true);
  if (chosen == kMenuDelete) PostMessageW(GetHwnd(), kMsgDeleteEntry, 0, 0);
}

void CCustomerListWnd::OnActivate() {
  full_screen::MakeFullScreen(GetHwnd());
  if (m_reloadOnActivate) {
    m_reloadOnActivate = false;
    Reload(false);
  }
  if (m_restartOnActivate) {
    m_restartOnActivate = false;
    StartLoader(CCustomerLoader::kPriorityBelowNormal);
  }
  CreateMenuBar();
  m_useBusAddress = m_preferences ? m_preferences->Get(pref::kUseBusAddress) != 0 : true;
}

// ---- Contacts --------------------------------------------------------------------------------

bool CCustomerListWnd::ShowCategoryMenu() {
  std::vector<std::u16string> categories;
  if (!m_titleButton || !CContactsWatch::LoadCategories(categories)) return false;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | (m_filter.empty() ? MF_CHECKED : MF_UNCHECKED), kMenuAllContacts, kAllContacts);
  for (size_t i = 0; i < categories.size(); ++i) {
    AppendMenuW(menu, MF_STRING | (categories[i] == m_filter ? MF_CHECKED : MF_UNCHECKED),
                kMenuAllContacts + 1 + static_cast<UINT>(i), categories[i].c_str());
  }
  SetWindowTextW(m_titleButton, u"Show");
  RECT place{};
  GetWindowRect(m_titleButton, &place);
  const auto chosen = static_cast<UINT>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, place.left, place.bottom, GetHwnd(), nullptr));
  DestroyMenu(menu);
  if (chosen == 0) return false;
  if (chosen == kMenuAllContacts) {
    m_filter.clear();
    SetWindowTextW(m_titleButton, kAllContacts);
    return true;
  }
  m_filter = categories[chosen - kMenuAllContacts - 1].substr(0, kCategoryTextLimit);
  SetWindowTextW(m_titleButton, m_filter.c_str());
  return true;
}

void CCustomerListWnd::DrawTitleButton(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  RECT place = item->rcItem;
  DrawFilledRect(dc, place.left, place.top, place.right, place.bottom, WHITE_BRUSH, RGB(255, 255, 255));
  WCHAR text[kTitleTextLimit + 1] = {};
  const int length = GetWindowTextW(m_titleButton, text, kTitleTextLimit + 1);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  place.left += 6;
  place.top += 4;
  SetTextColor(dc, full_screen::kTitleColour);
  SetBkColor(dc, RGB(255, 255, 255));
  ExtTextOutW(dc, place.left, place.top, 0, nullptr, text, static_cast<UINT>(length), nullptr);
  DrawResourceBitmap(IDB_CATEGORY_ARROW, m_resources, dc, place.left + size.cx + 4, place.top + 6);
  if (item->itemState & ODS_SELECTED)
    DrawFrameRect(dc, 1, place.left - 4, place.top - 3, place.left + size.cx + 15, place.top + size.cy + 5, 0);
}

void CCustomerListWnd::OnContactsNotification(CENOTIFICATION* notification) {
  if (!notification) return;
  const ContactChange change =
      ClassifyContactChange(m_contacts.Concerns(*notification), m_listUpdateRunning, notification->uType,
                            GetActiveWindow() == GetHwnd(), m_mode == kPickMode);
  switch (change) {
    case ContactChange::kIgnore:
      break;
    case ContactChange::kAtActivation:
      m_reloadOnActivate = true;
      m_restartOnActivate = true;
      break;
    case ContactChange::kSelectCreated:
      PostMessageW(GetHwnd(), kMsgSelectById, 0, static_cast<LPARAM>(notification->oid));
      break;
    case ContactChange::kReloadNow: {
      const int row = m_currentRow;
      Reload(false);
      m_currentRow = row;
      StartLoader(CCustomerLoader::kPriorityBelowNormal);
      break;
    }
    case ContactChange::kReloadLater:
      m_reloadOnActivate = true;
      StartLoader(CCustomerLoader::kPriorityBelowNormal);
      break;
  }
  m_contacts.Release(notification);
}

INT_PTR CCustomerListWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      return OnListNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
      Resize();
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) Resize();
      return FALSE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE && !m_deleting) OnActivate();
      return FALSE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == kTitleOkButtonId || item->CtlID == kTitleCancelButtonId) DrawDialogTitleButton(item);
      if (item->CtlID == kTitleButtonId) DrawTitleButton(item);
      return TRUE;
    }
    case WM_HELP:
      ShowHelp(kHelpTopic);
      return TRUE;
    case WM_INITMENUPOPUP:
      if (LOWORD(lParam) == IDM_CUSTOMER_MENU) {
        auto menu = reinterpret_cast<HMENU>(wParam);
        CheckMenuItem(menu, IDM_CUSTOMER_BY_COMPANY, MF_BYCOMMAND | (m_byCompany ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(menu, IDM_CUSTOMER_BY_NAME, MF_BYCOMMAND | (m_byCompany ? MF_UNCHECKED : MF_CHECKED));
      }
      return FALSE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(full_screen::ControlColour(msg, wParam, lParam));
    case kMsgDeleteEntry:
      DeleteEntry();
      return TRUE;
    case kMsgReselect:
      SetForegroundWindow(GetHwnd());
      SetListRedraw(m_list, true);
      MakeRowCurrent(m_currentRow);
      CreateMenuBar();
      return TRUE;
    case kMsgReopenList: {
      CWaitCursorScope wait;
      ReloadSource();
      // The row held for the list's next question shows what was read before.
      m_entryRow = -1;
      if (m_list) InvalidateRect(m_list, nullptr, FALSE);
      return TRUE;
    }
    case WM_DBNOTIFICATION:
      OnContactsNotification(reinterpret_cast<CENOTIFICATION*>(lParam));
      return TRUE;
    case kMsgSelectById:
      SelectRecordById(static_cast<LONG>(lParam));
      return TRUE;
    case kMsgLoaderDone:
      OnLoaderDone();
      return TRUE;
    default:
      return FALSE;
  }
}
