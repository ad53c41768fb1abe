#include "mainwindow/HeaderBar.h"

#include <string>

#include "core/DrawHelpers.h"
#include "core/UiMetrics.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterRows.h"
#include "mainwindow/RowActions.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kClassName[] = u"KTWToolBar";
constexpr char16_t kShowText[] = u"Show";
constexpr char16_t kSortText[] = u"Sort By";

struct CMenuEntry {
  int code;
  UINT command;
  const char16_t* text;
};

// In the order the popups list them; null text marks the separator.
constexpr CMenuEntry kShowEntries[] = {
    {kShowInvoices, IDM_SHOW_INVOICES, u"Invoices"},
    {kShowEstimates, IDM_SHOW_ESTIMATES, u"Estimates"},
    {kShowSalesReceipts, IDM_SHOW_SALES_RECEIPTS, u"Sales Receipts"},
    {kShowSalesOrders, IDM_SHOW_SALES_ORDERS, u"Sales Orders"},
    {kShowPayments, IDM_SHOW_PAYMENTS, u"Payments"},
    {kShowCreditMemos, IDM_SHOW_CREDIT_MEMOS, u"Credit Memos"},
    {kShowComplete, IDM_SHOW_COMPLETE, u"Complete"},
    {kShowInProgress, IDM_SHOW_IN_PROGRESS, u"In Progress"},
    {kShowAllDocuments, IDM_SHOW_ALL, u"All Documents"},
    {-1, 0, nullptr},
    {kShowMemorized, IDM_SHOW_MEMORIZED, u"Memorized"},
    {kShowDeleted, IDM_SHOW_DELETED, u"Deleted"},
};

constexpr CMenuEntry kSortEntries[] = {
    {kSortBalance, IDM_SORT_BALANCE, u"Balance"}, {kSortDate, IDM_SORT_DATE, u"Date"},
    {kSortNumber, IDM_SORT_NUMBER, u"Number"},    {kSortCustomer, IDM_SORT_CUSTOMER, u"Customer"},
    {kSortType, IDM_SORT_TYPE, u"Type"},          {kSortComplete, IDM_SORT_COMPLETE, u"Complete"},
};

template <size_t N>
const CMenuEntry* FindCode(const CMenuEntry (&entries)[N], int code) {
  for (const auto& entry : entries)
    if (entry.text && entry.code == code) return &entry;
  return nullptr;
}

// Opens the popup under `button` with `current` checked; the chosen code, or -1.
template <size_t N>
int TrackChoice(const CMenuEntry (&entries)[N], int current, HWND button, HWND owner) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return -1;
  for (const auto& entry : entries) {
    if (!entry.text) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuW(menu, MF_STRING | (entry.code == current ? MF_CHECKED : MF_UNCHECKED), entry.command, entry.text);
  }
  RECT area{};
  GetWindowRect(button, &area);
  const UINT command =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, area.left, area.bottom - 2, 0, owner, nullptr));
  DestroyMenu(menu);
  for (const auto& entry : entries)
    if (entry.text && entry.command == command) return entry.code;
  return -1;
}

// The button reads `name` while its popup is open, and the choice's name after one.
template <size_t N>
bool ChooseFrom(const CMenuEntry (&entries)[N], HWND button, const char16_t* name, int& code, HWND owner) {
  SetWindowTextW(button, name);
  const int chosen = TrackChoice(entries, code, button, owner);
  if (chosen < 0) return false;
  code = chosen;
  SetWindowTextW(button, FindCode(entries, chosen)->text);
  return true;
}

}  // namespace

CHeaderBar::CHeaderBar(HINSTANCE instance, CMainFrame& frame) : m_instance(instance), m_frame(frame) {}

CHeaderBar::~CHeaderBar() {
  if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

HWND CHeaderBar::Create(HWND parent) {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = m_instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // a second main window finds the class already there
  RECT client{};
  GetClientRect(parent, &client);
  m_hwnd = CreateWindowExW(0, kClassName, kClassName, WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0,
                           client.right - client.left, GetUiMetric(11), parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kHeaderBarId)), m_instance, this);
  return m_hwnd;
}

LRESULT CHeaderBar::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* bar = reinterpret_cast<CHeaderBar*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
  if (msg == WM_CREATE) {
    bar = static_cast<CHeaderBar*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    bar->m_hwnd = hwnd;
  }
  if (!bar) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return bar->HandleMessage(msg, wParam, lParam);
}

void CHeaderBar::CreateButtons() {
  const int width = GetUiMetric(15), height = GetUiMetric(11);
  RECT client{};
  GetClientRect(m_hwnd, &client);
  const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
  m_show = CreateWindowExW(0, u"TTBUTTON", kShowText, style, 0, 0, width, height, m_hwnd,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kShowButtonId)), m_instance, nullptr);
  m_sort = CreateWindowExW(0, u"TTBUTTON", kSortText, style, client.right - width, 0, width, height, m_hwnd,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kSortButtonId)), m_instance, nullptr);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW font{};
  font.lfHeight = -((17 * dpi / 72) / 2);
  font.lfWeight = 700;
  std::char_traits<char16_t>::copy(font.lfFaceName, u"Tahoma", 7);
  m_font.reset(CreateFontIndirectW(&font));
  SendMessageW(m_show, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), 0);
  SendMessageW(m_sort, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), 0);
}

LRESULT CHeaderBar::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: CreateButtons(); return 0;
    case WM_SIZE: {
      const int width = GetUiMetric(15), height = GetUiMetric(11);
      MoveWindow(m_show, 0, 0, width, height, TRUE);
      MoveWindow(m_sort, LOWORD(lParam) - width, 0, width, height, TRUE);
      return 0;
    }
    case WM_DRAWITEM:
      if ((wParam != kShowButtonId && wParam != kSortButtonId) || !lParam) break;
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kShowButtonId) {
        m_frame.OnShowButton();
        return 0;
      }
      if (LOWORD(wParam) == kSortButtonId) {
        m_frame.OnSortButton();
        return 0;
      }
      break;
    case WM_DESTROY: m_show = m_sort = nullptr; break;
    default: break;
  }
  return DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

void CHeaderBar::DrawButton(const DRAWITEMSTRUCT& item) {
  WCHAR text[64] = {};
  GetWindowTextW(item.hwndItem, text, 64);
  const bool focused = (item.itemState & ODS_SELECTED) && (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT));
  if (item.CtlID == kShowButtonId)
    DrawDropDownButtonLeft(item.hDC, item.rcItem, text, focused);
  else
    DrawDropDownButtonRight(item.hDC, item.rcItem, text, focused);
}

void CHeaderBar::SetShowText(int showKind) {
  if (const CMenuEntry* entry = FindCode(kShowEntries, showKind)) SetWindowTextW(m_show, entry->text);
}

void CHeaderBar::SetSortText(int sortKind) {
  if (const CMenuEntry* entry = FindCode(kSortEntries, sortKind)) SetWindowTextW(m_sort, entry->text);
}

bool CHeaderBar::ShowFilterMenu(int& showKind) { return ChooseFrom(kShowEntries, m_show, kShowText, showKind, m_hwnd); }

bool CHeaderBar::ShowSortMenu(int& sortKind) { return ChooseFrom(kSortEntries, m_sort, kSortText, sortKind, m_hwnd); }
