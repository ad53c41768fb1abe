#include "customers/CustomizeDlg.h"

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "datastore/ListCache.h"
#include "document/SalesDocument.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kHelpTopic = 7;
constexpr int kMenuBarMetric = 11;
constexpr int kTabRowMetric = 48;
constexpr DWORD kTabStyle = 0x54000002;
constexpr COLORREF kHeadingColour = 0x9C0000;  // dark blue
constexpr COLORREF kWhite = RGB(255, 255, 255);
// Label, On Screen, On Printer and caption widths.
constexpr int kColumnWidths[] = {70, 40, 30, 74};

std::vector<std::u16string> CustomerFieldNames(CListCache* lists) {
  std::vector<std::u16string> names;
  if (!lists) return names;
  lists->LoadCustomerFieldNames();
  CBstr name;
  for (int more = lists->GetFirstCustomerFieldName(name); more; more = lists->GetNextCustomerFieldName(name))
    names.push_back(name.str());
  lists->FreeFieldNames();
  return names;
}

std::vector<std::u16string> ItemFieldNames(CListCache* lists) {
  std::vector<std::u16string> names;
  if (!lists) return names;
  lists->LoadItemFieldNames();
  CBstr name;
  for (int more = lists->GetFirstItemFieldName(name); more; more = lists->GetNextItemFieldName(name))
    names.push_back(name.str());
  lists->FreeFieldNames();
  return names;
}

}  // namespace

CCustomizeDlg::CCustomizeDlg(HINSTANCE resources, HWND parent, DWORD firstPage, CCustomSettings& settings,
                             CSalesDocument& document, CListCache* lists)
    : m_resources(resources),
      m_parent(parent),
      m_firstPage(CCustomizeLayout::FirstPage(firstPage)),
      m_layout(settings, &document, document.GetDocType(), CustomerFieldNames(lists), ItemFieldNames(lists)) {}

CCustomizeDlg::~CCustomizeDlg() = default;

INT_PTR CCustomizeDlg::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_SHEET), m_parent);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void CCustomizeDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  SHINITDLGINFO full;
  full.dwMask = SHIDIM_FLAGS;
  full.hDlg = dialog;
  full.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN;
  SHInitDialog(&full);
  SHDoneButton(dialog, SHDB_HIDE);
  SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) | WS_TABSTOP);
  CreateEmptyMenuBar(dialog);
  SHSipPreference(dialog, SIP_UP);
  m_headingFont.reset(CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton,
                                           CCustomizeLayout::Title(m_layout.DocType()), 0));
  CreateTabs();
}

void CCustomizeDlg::CreateTabs() {
  HWND dialog = GetHwnd();
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  RECT client{};
  GetClientRect(dialog, &client);
  m_tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", kTabStyle, 0, GetUiMetric(kMenuBarMetric), client.right,
                           client.bottom - GetUiMetric(kMenuBarMetric), dialog,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TAB_CONTROL)), nullptr, nullptr);
  if (!m_tabs) return;
  for (int n = 0; n < CCustomizeLayout::kPageCount; ++n) {
    auto page = std::make_unique<CFieldGridPage>(m_resources, -1, kColumnWidths[0], kColumnWidths[1],
                                                 kColumnWidths[2], kColumnWidths[3]);
    m_layout.FillPage(n, page->Model());
    HWND window = page->Create(m_tabs);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    std::u16string text = CCustomizeLayout::Pages()[static_cast<size_t>(n)].tab;
    item.pszText = text.data();
    item.lParam = reinterpret_cast<LPARAM>(window);
    SendMessageW(m_tabs, TCM_INSERTITEMW, n, reinterpret_cast<LPARAM>(&item));
    ShowWindow(window, SW_HIDE);
    m_pages[static_cast<size_t>(n)] = std::move(page);
  }
  Resize();
  ShowPage(m_firstPage);
}

void CCustomizeDlg::ShowPage(int page) {
  m_currentPage = page;
  SendMessageW(m_tabs, TCM_SETCURSEL, page, 0);
  for (int n = 0; n < CCustomizeLayout::kPageCount; ++n) {
    if (HWND window = m_pages[static_cast<size_t>(n)]->GetHwnd()) ShowWindow(window, n == page ? SW_SHOW : SW_HIDE);
  }
}

void CCustomizeDlg::Resize() {
  if (!m_tabs) return;
  RECT area{};
  SIPINFO sip;
  GetClientRect(GetHwnd(), &area);
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON))
    area.bottom = std::min(area.bottom, sip.rcVisibleDesktop.bottom - sip.rcVisibleDesktop.top);
  int top = GetUiMetric(kMenuBarMetric);
  MoveWindow(m_tabs, 0, top, area.right, std::max<int>(area.bottom - top, 0), TRUE);
  MoveDialogTitleButtons(m_okButton, m_cancelButton, area.right);
  // The pages live inside the tab control, over all but its row of tabs (along the bottom).
  RECT tabArea{};
  GetClientRect(m_tabs, &tabArea);
  int height = std::max<int>(tabArea.bottom - GetUiMetric(kTabRowMetric), 0);
  for (auto& page : m_pages) {
    if (page && page->GetHwnd()) MoveWindow(page->GetHwnd(), 0, 0, tabArea.right, height, TRUE);
  }
}

void CCustomizeDlg::OnOK() {
  std::array<const CFieldGridModel*, CCustomizeLayout::kPageCount> models{};
  for (int n = 0; n < CCustomizeLayout::kPageCount; ++n) {
    CFieldGridPage& page = *m_pages[static_cast<size_t>(n)];
    if (!page.Commit()) {
      ShowPage(n);
      return;
    }
    models[static_cast<size_t>(n)] = &page.Model();
  }
  m_layout.Apply(models);
  SHSipPreference(GetHwnd(), SIP_DOWN);
  EndDialog(GetHwnd(), 1);
}

INT_PTR CCustomizeDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kTitleOkButtonId || LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        SHSipPreference(GetHwnd(), SIP_DOWN);
        EndDialog(GetHwnd(), 0);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->hwndFrom != m_tabs) return FALSE;
      if (header->code == TCN_SELCHANGING) {
        int current = static_cast<int>(SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0));
        if (current >= 0 && current < CCustomizeLayout::kPageCount)
          SendMessageW(m_pages[static_cast<size_t>(current)]->GetHwnd(), CFieldGridPage::kCloseEditor, 0, 0);
      } else if (header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0)));
      }
      return TRUE;
    }
    case WM_ACTIVATE:
      SHSipPreference(GetHwnd(), LOWORD(wParam) == WA_INACTIVE ? SIP_DOWN : SIP_UP);
      return FALSE;
    case WM_SIZE:
      Resize();
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) Resize();
      return FALSE;
    case WM_HELP:
      ShowHelp(kHelpTopic);
      return TRUE;
    case WM_DESTROY:
      CPreferences().SetDword(u"LastCustPage", static_cast<DWORD>(m_currentPage));
      return FALSE;
    case WM_DRAWITEM:
      DrawDialogTitleButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kWhite);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_DIALOG_HEADING) SetTextColor(dc, kHeadingColour);
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default:
      return FALSE;
  }
}
