#include "mainwindow/RegisterList.h"

#include <algorithm>
#include <optional>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "document/XmlDocument.h"
#include "mainwindow/RegisterReadAhead.h"
#include "platform/base/Base.h"
#include "platform/kernel/FileHandles.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace {

CRegisterList* g_registerList = nullptr;

constexpr int kAmountColumn = 1;
constexpr int kCheckColumn = 2;

LPARAM RowParam(const CRegisterRow* row) { return reinterpret_cast<LPARAM>(row); }

std::u16string Upper(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = platform::UpperCase(c);
  return out;
}

// The progress dialog of a load; its procedure handles nothing.
INT_PTR SilentDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void DrawRowText(HDC dc, std::u16string_view text, RECT rect, UINT format) {
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

// A bitmap drawn so its white parts let the row show through.
void DrawMark(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
  if (!bitmap) return;
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  CMemoryDC memory(CreateCompatibleDC(dc));
  CSelectObjectScope keep(memory.get(), bitmap);
  StretchBlt(dc, x, y, width, height, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCAND);
}

// A mark on a selected row: its ink takes the row's text colour (the mark's own colour
// would vanish in the highlight) and its white parts still let the row show through.
void DrawMarkInColour(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, COLORREF colour) {
  if (!bitmap) return;
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  CMemoryDC source(CreateCompatibleDC(dc));
  CSelectObjectScope keepSource(source.get(), bitmap);
  // The mask is black where the mark has ink, white elsewhere; the ink picture holds the
  // colour there and black elsewhere. One clears the ink's place, the other paints it.
  CMemoryDC mask(CreateCompatibleDC(dc));
  CMemoryDC ink(CreateCompatibleDC(dc));
  CGdiObject<HBITMAP> maskBitmap(CreateCompatibleBitmap(dc, info.bmWidth, info.bmHeight));
  CGdiObject<HBITMAP> inkBitmap(CreateCompatibleBitmap(dc, info.bmWidth, info.bmHeight));
  CSelectObjectScope keepMask(mask.get(), maskBitmap.get());
  CSelectObjectScope keepInk(ink.get(), inkBitmap.get());
  for (int row = 0; row < info.bmHeight; ++row) {
    for (int column = 0; column < info.bmWidth; ++column) {
      const bool paper = GetPixel(source.get(), column, row) == RGB(255, 255, 255);
      SetPixel(mask.get(), column, row, paper ? RGB(255, 255, 255) : RGB(0, 0, 0));
      SetPixel(ink.get(), column, row, paper ? RGB(0, 0, 0) : colour);
    }
  }
  StretchBlt(dc, x, y, width, height, mask.get(), 0, 0, info.bmWidth, info.bmHeight, SRCAND);
  StretchBlt(dc, x, y, width, height, ink.get(), 0, 0, info.bmWidth, info.bmHeight, SRCPAINT);
}

}  // namespace

CRegisterList* GetRegisterList() { return g_registerList; }

CRegisterList::StatusStep ProgressStatus(CProgressWnd& window) {
  return [&window](std::u16string_view text) { return window.SetStatus(CBstr(text)) != 0; };
}
void SetRegisterList(CRegisterList* list) { g_registerList = list; }

CRegisterList::CRegisterList(HINSTANCE instance, HWND owner, CCustomerSource* customerSource)
    : m_instance(instance),
      m_owner(owner),
      m_customerSource(customerSource),
      m_xml(std::make_unique<CXmlDocument>(owner)),
      m_band(::GetShowKind(kShowAllDocuments).band),
      m_amountWidth(GetUiMetric(36)),
      m_checkWidth(GetUiMetric(37)) {
  HINSTANCE res = GetResourceInstance();
  m_checkHighlight.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_CHECK_COMPLETE_HIGHLIGHT)));
  m_checkComplete.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_CHECK_COMPLETE)));
  m_checkEmpty.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_CHECK_EMPTY)));
  m_markSigned.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_MARK_SIGNED)));
  m_markPaid.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_MARK_PAID)));
  m_markVoid.reset(LoadBitmapW(res, MAKEINTRESOURCEW(IDB_MARK_VOID)));
}

CRegisterList::~CRegisterList() {
  Destroy();
  if (m_titleImages) ImageList_Destroy(m_titleImages);
  if (g_registerList == this) g_registerList = nullptr;
}

void CRegisterList::Destroy() {
  if (m_list) {
    HWND list = m_list;
    m_list = nullptr;
    DestroyWindow(list);
  }
  m_rows.clear();
  m_loaded = false;
}

HWND CRegisterList::Create(int sortKind, int showKind, bool ascending) {
  SetShowKind(showKind);
  m_sortKind = std::clamp(sortKind, 0, 5);
  m_ascending = ascending;
  RECT client{};
  GetClientRect(m_owner, &client);
  const int header = GetUiMetric(11);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, u"",
                              WS_CHILD | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED, 0, header,
                              client.right - client.left, client.bottom - client.top - 2 * header, m_owner,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRegisterListId)), m_instance, nullptr);
  if (!list) return nullptr;

  LOGFONTW font{};
  {
    HDC dc = GetDC(list);
    font.lfHeight = -((17 * GetDeviceCaps(dc, LOGPIXELSY)) / 72) / 2;
    ReleaseDC(list, dc);
  }
  font.lfWeight = 500;
  std::char_traits<char16_t>::copy(font.lfFaceName, u"Tahoma", 7);
  m_font.reset(CreateFontIndirectW(&font));
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);

  SetWindowLongW(list, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_baseProc = reinterpret_cast<WNDPROC>(SetWindowLongW(list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  if (!m_titleImages) {
    const bool large = IsHighResolution();
    const int size = large ? 26 : 13;
    m_titleImages = ImageList_Create(size, size, ILC_COLOR | ILC_MASK, 1, 0);
    CGdiObject<HBITMAP> title(LoadBitmapW(
        GetResourceInstance(), MAKEINTRESOURCEW(large ? IDB_REGISTER_CHECK_TITLE_HIRES : IDB_REGISTER_CHECK_TITLE)));
    if (m_titleImages && title) ImageList_AddMasked(m_titleImages, title.get(), RGB(255, 255, 255));
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_titleImages));

  const std::u16string customer = LoadResText(IDS_REGISTER_COLUMN_CUSTOMER);
  const std::u16string amount = LoadResText(IDS_REGISTER_COLUMN_AMOUNT);
  const int width = client.right - client.left;
  struct Column {
    const std::u16string* title;
    int width;
  } columns[] = {{&customer, width - m_amountWidth - m_checkWidth}, {&amount, m_amountWidth}, {nullptr, m_checkWidth}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].width;
    if (!columns[i].title) {
      // The check-box column is titled by its picture.
      column.mask |= LVCF_IMAGE;
      column.fmt |= LVCFMT_IMAGE;
      column.iImage = 0;
    }
    std::u16string title = columns[i].title ? *columns[i].title : std::u16string();
    column.pszText = title.data();
    if (SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)) < 0) {
      DestroyWindow(list);
      return nullptr;
    }
  }
  m_list = list;
  g_registerList = this;
  return list;
}

// ---- Loading ------------------------------------------------------------------------------------

int CRegisterList::Reload(bool jobsUpdate, bool showProgress, const StatusStep& status, CCustomSettings* settings) {
  if (m_loading) {
    // A reload asked for from inside a load (messages are let through between files):
    // the rows being filled stay, and the folder is read once more afterwards.
    m_reloadPending = true;
    return 1;
  }
  if (m_list) {
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  }
  m_rows.clear();
  Load(jobsUpdate, showProgress, status, settings);
  if (m_list) SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
  return 1;
}

int CRegisterList::Load(bool jobsUpdate, bool showProgress, const StatusStep& status, CCustomSettings* settings) {
  if (m_loading) {
    m_reloadPending = true;
    return 1;
  }
  m_settings = settings;
  m_loading = true;
  m_stopRequested = false;
  do {
    m_reloadPending = false;
    LoadFolder(jobsUpdate, showProgress, status);
    if (m_reloadPending) {
      if (m_list) SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
      m_rows.clear();
    }
  } while (m_reloadPending && !m_stopRequested);
  m_loading = false;
  m_loaded = true;
  SortRows();
  Layout();
  return 1;
}

void CRegisterList::LoadFolder(bool jobsUpdate, bool showProgress, const StatusStep& status) {
  const bool waitCursor = !showProgress && !status;
  if (waitCursor) BeginWaitCursor();
  if (m_list) SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);

  const std::u16string folder = GetShowKindFolder(m_showKind);
  // The names first (one search of the folder gives their count too): a question about an
  // unreadable file lets messages through, and nothing may hold the search open meanwhile.
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  // A deleted folder that is no folder of its own holds no deleted documents, only live ones.
  const bool listed = m_showKind != kShowDeleted || HasOwnDeletedFolder();
  CFindHandle search(listed ? FindFirstFileW((folder + u"*.QVN").c_str(), &data) : INVALID_HANDLE_VALUE);
  if (search) {
    do {
      // A folder, a pipe or a device named like a document is no document, nor one to move.
      if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
      names.emplace_back(data.cFileName);
    } while (FindNextFileW(search.get(), &data));
  }
  search.reset();
  const int files = static_cast<int>(names.size());
  HWND progress = nullptr;
  if (showProgress && files > 0) {
    progress = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(IDD_REGISTER_PROGRESS), m_owner,
                                  SilentDialogProc, 0);
    if (progress) {
      SendDlgItemMessageW(progress, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, files));
      SendDlgItemMessageW(progress, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
      ShowWindow(progress, SW_SHOW);
      UpdateWindow(progress);
    }
  }
  if (m_list) SendMessageW(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(files), 0);
  const CRegisterOptions options = CRegisterOptions::Read();
  CJobsUpdate jobs;
  jobs.source = m_customerSource;
  jobs.settings = m_settings;
  jobs.contacts = CPreferences::UseOutlook();

  // Without a jobs update nothing is written while the folder is read, so a large folder's
  // files are parsed ahead on worker threads; the rows still come here one by one, in order.
  std::unique_ptr<CRegisterReadAhead> ahead;
  if (!jobsUpdate && names.size() >= CRegisterReadAhead::kMinimumFiles)
    ahead = std::make_unique<CRegisterReadAhead>(folder, names, m_showKind, options);

  static const char16_t* const kDots[] = {u".  ", u".. ", u"..."};
  int read = 0;
  for (const std::u16string& name : names) {
    if (status && !status(std::u16string(u"Loading") + kDots[read % 3])) break;
    if (m_stopRequested) break;
    const std::u16string path = folder + name;
    auto row = std::make_unique<CRegisterRow>();
    std::u16string error;
    std::optional<RowReadResult> result;
    if (ahead) result = ahead->Take(static_cast<size_t>(read), *row);
    if (result == RowReadResult::Row) FinishRegisterRow(*row);
    if (!result) result = ReadRegisterRow(*m_xml, path, m_showKind, options, *row, error, jobsUpdate ? &jobs : nullptr);
    switch (*result) {
      case RowReadResult::Row: InsertRow(std::move(row), read); break;
      case RowReadResult::Filtered: break;
      case RowReadResult::Unreadable: {
        // One question per file; the load goes on whatever the answer.
        // A file nothing could be read of is named, with what is wrong with it.
        const std::u16string text = (error == u"Unknown" ? CXmlDocument::UnreadableFileText(path) : error) +
                                    u" Would you like to move it to the deleted folder?";
        if (MessageBoxW(m_owner, text.c_str(), u"Slateway", MB_YESNO | MB_ICONQUESTION) == IDYES &&
            !MoveDocumentToDeleted(CBstr(path)))
          ShowWarningResText(m_owner, IDS_DOCUMENT_NOT_MOVED, path.c_str());
        break;
      }
    }
    ++read;
    if (progress) SendDlgItemMessageW(progress, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
  }
  if (progress) DestroyWindow(progress);
  if (m_list) SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
  if (waitCursor) EndWaitCursor();
}

void CRegisterList::InsertRow(std::unique_ptr<CRegisterRow> row, int at) {
  const CRegisterRow* record = row.get();
  m_rows.push_back(std::move(row));
  if (!m_list) return;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = std::min(at, GetRowCount());
  item.lParam = RowParam(record);
  SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CRegisterList::SetShowKind(int showKind) {
  m_showKind = (showKind >= 0 && showKind < kShowKinds) ? showKind : kShowAllDocuments;
  m_band = ::GetShowKind(m_showKind).band;
}

void CRegisterList::Sort(bool ascending, int sortKind) {
  m_ascending = ascending;
  m_sortKind = std::clamp(sortKind, 0, 5);
  SortRows();
}

void CRegisterList::SortRows() {
  if (!m_list) return;
  const int count = GetRowCount();
  std::vector<const CRegisterRow*> order;
  order.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order.push_back(GetRowRecord(i));
  const CRegisterRow* selected = GetRowRecord(GetSelectionMark());
  SortRegisterRows(order, m_sortKind, m_ascending);
  // The rows keep their places in the list; only the records they show move.
  SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = i;
    item.lParam = RowParam(order[static_cast<size_t>(i)]);
    SendMessageW(m_list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
  if (selected) Select(FindRow(selected));
  InvalidateRect(m_list, nullptr, TRUE);
}

// ---- Rows -------------------------------------------------------------------------------------

int CRegisterList::AddRow(std::u16string_view name, std::u16string_view amount, std::u16string_view complete,
                          std::u16string_view wireless, std::u16string_view fileName, std::u16string_view date,
                          std::u16string_view number, int type, int marks) {
  if (!m_list) return -1;
  auto row = std::make_unique<CRegisterRow>();
  row->name = name;
  row->amount = RegisterAmountText(amount);
  row->complete = complete;
  row->wireless = wireless;
  // A path the program composed may spell an existing file otherwise than it lies.
  row->fileName = RegisterFileName(GetDeviceFileName(fileName).view());
  row->date = date;
  row->number = number;
  row->type = type;
  row->marks = marks;
  const CRegisterRow* record = row.get();
  InsertRow(std::move(row), GetRowCount());
  SortRows();
  Layout();
  const int index = FindRow(record);
  Select(index);
  return index;
}

void CRegisterList::UpdateRow(const CRegisterRow* row, std::u16string_view name, std::u16string_view amount,
                              std::u16string_view date, std::u16string_view number, std::u16string_view isSigned,
                              std::u16string_view isVoid, std::u16string_view paid, bool select) {
  auto owned = std::find_if(m_rows.begin(), m_rows.end(), [row](const auto& r) { return r.get() == row; });
  if (owned == m_rows.end()) return;
  CRegisterRow& r = **owned;
  r.name = name;
  r.amount = RegisterAmountText(amount);
  r.date = date;
  r.number = number;
  auto mark = [&r](std::u16string_view flag, int bit) {
    if (flag == u"YES") r.marks |= bit;
    else r.marks &= ~bit;
  };
  mark(isSigned, kRowMarkSigned);
  mark(isVoid, kRowMarkVoid);
  mark(paid, kRowMarkPaid);
  SortRows();
  if (select) Select(FindRow(row));
}

bool CRegisterList::DeleteRow(int index) {
  const CRegisterRow* row = GetRowRecord(index);
  if (!row) return false;
  SendMessageW(m_list, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
  std::erase_if(m_rows, [row](const auto& r) { return r.get() == row; });
  Select(GetSelectionMark());
  Layout();
  return true;
}

bool CRegisterList::DeleteRowByRecord(const CRegisterRow* row) { return DeleteRow(FindRow(row)); }

int CRegisterList::FindRow(const CRegisterRow* row) const {
  if (!m_list || !row) return -1;
  const int count = GetRowCount();
  for (int i = 0; i < count; ++i) {
    if (GetRowRecord(i) == row) return i;
  }
  return -1;
}

const CRegisterRow* CRegisterList::GetRowRecord(int index) const {
  if (!m_list || index < 0) return nullptr;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageW(m_list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<const CRegisterRow*>(item.lParam);
}

int CRegisterList::GetRowCount() const {
  return m_list ? static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CRegisterList::GetSelectedType() const {
  const CRegisterRow* row = GetRowRecord(GetSelectionMark());
  return row ? row->type : kOtherKind;
}

bool CRegisterList::GetRowFileName(int index, std::u16string& fileName) const {
  const CRegisterRow* row = GetRowRecord(index);
  if (!row) return false;
  fileName = row->fileName;
  return true;
}

bool CRegisterList::GetSelectedFileName(std::u16string& fileName) const {
  return GetRowFileName(GetSelectionMark(), fileName);
}

int CRegisterList::GetSelectionMark() const {
  return m_list ? static_cast<int>(SendMessageW(m_list, LVM_GETSELECTIONMARK, 0, 0)) : -1;
}

void CRegisterList::SetSelectionMark(int index) {
  if (m_list) SendMessageW(m_list, LVM_SETSELECTIONMARK, 0, index);
}

void CRegisterList::Select(int index) {
  if (!m_list || index < 0) return;
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  SetSelectionMark(index);
  SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void CRegisterList::Layout() {
  if (!m_list) return;
  RECT client{};
  GetClientRect(m_list, &client);
  int width = client.right - client.left - m_amountWidth - m_checkWidth - 2;
  if (GetRowCount() > SendMessageW(m_list, LVM_GETCOUNTPERPAGE, 0, 0)) width -= GetUiMetric(18);
  SendMessageW(m_list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(std::max(width, 0), 0));
  SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kAmountColumn, MAKELPARAM(m_amountWidth, 0));
  SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kCheckColumn, MAKELPARAM(m_checkWidth, 0));
}

bool CRegisterList::IsNumberInUse(std::u16string_view number, int documentType) {
  for (const auto& row : m_rows) {
    if (row->type != documentType || row->number.size() != number.size()) continue;
    if (CompareStringW(LOCALE_USER_DEFAULT, 0, row->number.c_str(), static_cast<int>(row->number.size()),
                       number.data(), static_cast<int>(number.size())) == CSTR_EQUAL)
      return true;
  }
  return false;
}

// ---- Completion -------------------------------------------------------------------------------

int CRegisterList::ToggleComplete(int index) {
  if (!m_list) return 1;
  const DWORD pos = GetMessagePos();
  POINT pt{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
  ScreenToClient(m_list, &pt);
  LVHITTESTINFO hit{};
  hit.pt = pt;
  const int hitRow = static_cast<int>(SendMessageW(m_list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (hitRow < 0 || hit.iSubItem != kCheckColumn) return 1;
  const CRegisterRow* record = GetRowRecord(index);
  if (!record) return 1;
  auto owned = std::find_if(m_rows.begin(), m_rows.end(), [record](const auto& r) { return r.get() == record; });
  if (owned == m_rows.end()) return 1;
  CRegisterRow& row = **owned;
  if (MarkComplete(row, row.complete != u"yes")) {
    RECT box{};
    box.top = kCheckColumn;
    box.left = LVIR_BOUNDS;
    SendMessageW(m_list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&box));
    InvalidateRect(m_list, &box, FALSE);
  }
  return 0;
}

bool CRegisterList::MarkComplete(CRegisterRow& row, bool complete) {
  const std::u16string path = GetShowKindFolder(m_showKind) + row.fileName + u".QVN";
  CBstr error;
  if (!m_xml->LoadFile(path, &error)) return false;
  if (complete) {
    CBstr number;
    UINT problem = 0;
    if (!m_xml->GetRootAttribute(u"ID", &number) || number.IsEmpty()) problem = IDS_COMPLETE_NEEDS_NUMBER;
    else if (row.type != kPayment && !m_xml->HasLineItems()) problem = IDS_COMPLETE_NEEDS_LINE;
    else if (row.name.empty()) problem = IDS_COMPLETE_NEEDS_CUSTOMER;
    if (problem) {
      MessageBoxFromResource(m_owner, problem, MB_OK | MB_ICONINFORMATION);
      return false;
    }
  }
  const std::u16string value = complete ? u"yes" : u"no";
  if (!m_xml->SetRootAttribute(u"COMPLETE", CBstr(value)) || !m_xml->SaveFile(path)) return false;
  row.complete = value;
  return true;
}

void CRegisterList::OnDeviceChange() {
  const std::u16string folder = Upper(GetShowKindFolder(m_showKind));
  for (const char16_t* word : {u"STORAGE", u"SD", u"CARD"}) {
    if (folder.find(word) != std::u16string::npos) {
      Reload(false, true, {}, m_settings);
      return;
    }
  }
}

// ---- Drawing ---------------------------------------------------------------------------------

int CRegisterList::GetRowHeight() const { return GetUiMetric(21); }

void CRegisterList::EraseBackground(HDC dc) {
  RECT client{};
  GetClientRect(m_list, &client);
  int top = GetUiMetric(20);
  const int height = GetUiMetric(21);
  // The stripes continue the rows' bands beside and below them.
  const int topRow = static_cast<int>(SendMessageW(m_list, LVM_GETTOPINDEX, 0, 0));
  RECT first{};
  first.left = LVIR_BOUNDS;
  if (GetRowCount() > 0 && SendMessageW(m_list, LVM_GETITEMRECT, static_cast<WPARAM>(topRow), reinterpret_cast<LPARAM>(&first)))
    top = first.top;
  const int stripes = IsHighResolution() ? 10 : 7;
  const bool evenTop = topRow % 2 == 0;
  for (int i = 0; i < stripes; ++i) {
    RECT stripe{client.left, top + i * height, client.right, top + (i + 1) * height};
    const bool white = (i % 2 == 0) == evenTop;
    CGdiObject<HBRUSH> brush(CreateSolidBrush(white ? RGB(255, 255, 255) : m_band));
    FillRect(dc, &stripe, brush.get());
  }
}

void CRegisterList::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const auto* row = reinterpret_cast<const CRegisterRow*>(item.itemData);
  if (!row || !m_list) return;
  HDC dc = item.hDC;
  const RECT& bounds = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF fill = selected ? GetSysColor(COLOR_HIGHLIGHT)
                                 : (item.itemID % 2 == 0 ? RGB(255, 255, 255) : m_band);
  CGdiObject<HBRUSH> brush(CreateSolidBrush(fill));
  FillRect(dc, &bounds, brush.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  CSelectObjectScope keepFont(dc, m_font.get());

  const int column0 = static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, 0, 0));
  const int column1 = static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, kAmountColumn, 0));
  const int column2 = static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, kCheckColumn, 0));
  const int left = bounds.left + 2, firstEnd = bounds.left + column0, secondEnd = firstEnd + column1;
  const int lineHeight = GetUiMetric(50);
  // A total wider than its column reaches left of it: the date and title end before it.
  RECT amountSize{0, 0, 0, 0};
  DrawTextW(dc, row->amount.c_str(), static_cast<int>(row->amount.size()), &amountSize, DT_CALCRECT | DT_SINGLELINE);
  const int amountLeft = std::min(firstEnd, secondEnd - 2 - static_cast<int>(amountSize.right - amountSize.left));
  const RECT firstLine{left, bounds.top + 1, std::max(left, amountLeft - 6), bounds.top + 1 + lineHeight};
  const RECT secondLine{left, firstLine.bottom, firstEnd - 2, firstLine.bottom + lineHeight};

  std::u16string title;
  CBstr typeName;
  if (row->type == kMemorized) {
    GetDocumentTypeName(row->sourceType, typeName);
    title = LoadResText(IDS_DOCTYPE_MEMORIZED) + u" " + typeName.str();
  } else {
    GetCustomDocumentTypeName(row->type, typeName, m_settings);
    title = typeName.str() + u" " + row->number;
  }
  // The date keeps its place at the right; the title gives way to it.
  RECT dateSize{0, 0, 0, 0};
  DrawTextW(dc, row->date.c_str(), static_cast<int>(row->date.size()), &dateSize, DT_CALCRECT | DT_SINGLELINE);
  RECT titleRect = firstLine;
  titleRect.right = std::max(titleRect.left, static_cast<LONG>(firstLine.right - (dateSize.right - dateSize.left) - 4));
  RECT titleSize{0, 0, 0, 0};
  const UINT measure = DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX;
  DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &titleSize, measure);
  if (row->type != kMemorized && titleSize.right - titleSize.left > titleRect.right - titleRect.left) {
    // The number tells the documents apart: it stays whole and the type caption gives way.
    const std::u16string number = u" " + row->number;
    RECT numberSize{0, 0, 0, 0};
    DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &numberSize, measure);
    RECT captionRect = titleRect;
    captionRect.right =
        std::max(titleRect.left, static_cast<LONG>(titleRect.right - (numberSize.right - numberSize.left)));
    DrawRowText(dc, typeName.str(), captionRect, DT_LEFT | DT_END_ELLIPSIS);
    DrawRowText(dc, number, RECT{captionRect.right, titleRect.top, titleRect.right, titleRect.bottom},
                DT_LEFT | DT_END_ELLIPSIS);
  } else {
    DrawRowText(dc, title, titleRect, DT_LEFT | DT_END_ELLIPSIS);
  }
  DrawRowText(dc, row->date, firstLine, DT_RIGHT);
  DrawRowText(dc, row->amount, RECT{amountLeft, firstLine.top, secondEnd - 2, firstLine.bottom}, DT_RIGHT);
  DrawRowText(dc, row->type == kMemorized ? row->fileName : row->name, secondLine, DT_LEFT | DT_END_ELLIPSIS);

  const int boxWidth = GetUiMetric(32), boxHeight = GetUiMetric(33);
  HBITMAP box = row->complete == u"yes" ? (selected ? m_checkHighlight.get() : m_checkComplete.get())
                                         : m_checkEmpty.get();
  DrawMark(dc, box, secondEnd + (column2 - boxWidth) / 2, bounds.top + 10 * GetUiMetric(24), boxWidth, boxHeight);

  const int markWidth = GetUiMetric(34), markHeight = GetUiMetric(35);
  const struct {
    int flag;
    HBITMAP bitmap;
    int place;
  } marks[] = {{kRowMarkPaid, m_markPaid.get(), 3}, {kRowMarkVoid, m_markVoid.get(), 2},
               {kRowMarkSigned, m_markSigned.get(), 1}};
  for (const auto& mark : marks) {
    if (!(row->marks & mark.flag)) continue;
    const int x = secondEnd - mark.place * markWidth;
    if (selected)
      DrawMarkInColour(dc, mark.bitmap, x, secondLine.top, markWidth, markHeight, GetSysColor(COLOR_HIGHLIGHTTEXT));
    else
      DrawMark(dc, mark.bitmap, x, secondLine.top, markWidth, markHeight);
  }
}

// ---- The list's own messages ----------------------------------------------------------------

LRESULT CRegisterList::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CRegisterList*>(GetWindowLongW(hwnd, GWL_USERDATA));
  if (!self || !self->m_baseProc) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        PostMessageW(self->m_owner, kMsgOpenRow, static_cast<WPARAM>(self->GetSelectionMark()), 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == 17) {  // Ctrl+Q closes the program from the list as from the window
        PostMessageW(self->m_owner, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SHSipPreference(hwnd, SIP_DOWN);
      break;
    case WM_ERASEBKGND:
      self->EraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    default: break;
  }
  return CallWindowProcW(self->m_baseProc, hwnd, msg, wParam, lParam);
}
