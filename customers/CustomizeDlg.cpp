#include "customers/CustomizeDlg.h"

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "customers/SheetFrame.h"
#include "datastore/ListCache.h"
#include "document/SalesDocument.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kHelpTopic = 7;
// Label, On Screen, On Printer and caption widths.
constexpr int kColumnWidths[] = {70, 40, 30, 74};

// The custom field names of one kind, in the order the lists keep them.
std::vector<std::u16string> FieldNames(CListCache* lists, void (CListCache::*load)(),
                                       int (CListCache::*first)(CBstr&), int (CListCache::*next)(CBstr&)) {
  std::vector<std::u16string> names;
  if (!lists) return names;
  (lists->*load)();
  CBstr name;
  for (int more = (lists->*first)(name); more; more = (lists->*next)(name)) names.push_back(name.str());
  lists->FreeFieldNames();
  return names;
}

}  // namespace

CCustomizeDlg::CCustomizeDlg(HINSTANCE resources, HWND parent, DWORD firstPage, CCustomSettings& settings,
                             CSalesDocument& document, CListCache* lists)
    : m_resources(resources),
      m_parent(parent),
      m_firstPage(CCustomizeLayout::FirstPage(firstPage)),
      m_layout(settings, &document, document.GetDocType(),
               FieldNames(lists, &CListCache::LoadCustomerFieldNames, &CListCache::GetFirstCustomerFieldName,
                          &CListCache::GetNextCustomerFieldName),
               FieldNames(lists, &CListCache::LoadItemFieldNames, &CListCache::GetFirstItemFieldName,
                          &CListCache::GetNextItemFieldName)) {}

CCustomizeDlg::~CCustomizeDlg() = default;

INT_PTR CCustomizeDlg::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_FORM), m_parent);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void CCustomizeDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  m_headingFont.reset(InitSheetDialog(m_resources, dialog, CCustomizeLayout::Title(m_layout.DocType()), m_frame));
  SHSipPreference(dialog, SIP_UP);
  CreateTabs();
}

void CCustomizeDlg::CreateTabs() {
  m_frame.tabs = CreateSheetTabs(GetHwnd());
  if (!m_frame.tabs) return;
  for (int n = 0; n < CCustomizeLayout::kPageCount; ++n) {
    auto page = std::make_unique<CFieldGridPage>(m_resources, -1, kColumnWidths[0], kColumnWidths[1],
                                                 kColumnWidths[2], kColumnWidths[3]);
    m_layout.FillPage(n, page->Model());
    m_pageWindows[static_cast<size_t>(n)] = page->Create(m_frame.tabs);
    AddSheetTab(m_frame.tabs, n, CCustomizeLayout::Pages()[static_cast<size_t>(n)].tab,
                m_pageWindows[static_cast<size_t>(n)]);
    m_pages[static_cast<size_t>(n)] = std::move(page);
  }
  Resize();
  ShowPage(m_firstPage);
}

void CCustomizeDlg::ShowPage(int page) {
  m_currentPage = page;
  ShowSheetPage(m_frame.tabs, m_pageWindows, page);
}

void CCustomizeDlg::Resize() { LayOutSheet(GetHwnd(), m_frame, m_pageWindows); }

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
  // Settings that could not be written would be lost at the next start: the dialog stays,
  // so the user can try again once there is room, or cancel.
  if (!m_layout.Apply(models)) {
    ShowWarningMessage(GetHwnd(), IDS_CUSTOMIZE_NOT_SAVED);
    return;
  }
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
      if (!header || header->hwndFrom != m_frame.tabs) return FALSE;
      if (header->code == TCN_SELCHANGING) {
        int current = static_cast<int>(SendMessageW(m_frame.tabs, TCM_GETCURSEL, 0, 0));
        if (current >= 0 && current < CCustomizeLayout::kPageCount)
          SendMessageW(m_pages[static_cast<size_t>(current)]->GetHwnd(), kMsgCloseEditor, 0, 0);
      } else if (header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageW(m_frame.tabs, TCM_GETCURSEL, 0, 0)));
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
      CPreferences().Set(pref::kLastCustPage, static_cast<DWORD>(m_currentPage));
      return FALSE;
    default: {
      INT_PTR result = FALSE;
      HandleSheetLook(msg, wParam, lParam, result);
      return result;
    }
  }
}
