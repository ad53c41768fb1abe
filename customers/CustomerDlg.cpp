#include "customers/CustomerDlg.h"

#include "core/DialogTitleBar.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Shell.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kHelpTopic = 5;
// The tab control starts below the title row (the row's height), so that neither its
// frame nor a page shown later covers the row's buttons.
constexpr int kTabsTopMetric = 11;
// The shell's full-screen state routine: 0 while the dialog is active, 1 otherwise.
constexpr DWORD kFullScreenActive = 0;
constexpr DWORD kFullScreenInactive = 1;

}  // namespace

CCustomerDlg::CCustomerDlg(HINSTANCE resources, HWND parent, CCustomerRecord& record, int initialPage,
                           CustomerDialogFlags flags, CItemStore* store)
    : m_resources(resources), m_parent(parent), m_rules(record, flags), m_store(store), m_initialPage(initialPage) {}

CCustomerDlg::~CCustomerDlg() {
  // The pages are children of the dialog: close them while their objects live.
  for (auto& form : m_forms) form.reset();
  if (m_titleFont) DeleteObject(m_titleFont);
}

INT_PTR CCustomerDlg::DoModal() {
  return CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_FORM), m_parent);
}

int CCustomerDlg::TabOf(int page) const {
  int tab = 0;
  for (int p = 0; p < page; ++p)
    if (m_forms[static_cast<size_t>(p)]) ++tab;
  return tab;
}

int CCustomerDlg::ShownPage() const {
  HWND shown = m_tabs.PageOf(m_tabs.Selected());
  for (int p = 0; p < kCustomerPageCount; ++p)
    if (shown && m_pageWindows[static_cast<size_t>(p)] == shown) return p;
  return -1;
}

std::vector<HWND> CCustomerDlg::PageWindows() const { return {m_pageWindows.begin(), m_pageWindows.end()}; }

void CCustomerDlg::ShowPage(int page) {
  if (page < 0 || page >= kCustomerPageCount || !m_forms[static_cast<size_t>(page)]) page = kPageAddressInfo;
  m_tabs.Show(TabOf(page), PageWindows());
}

void CCustomerDlg::OnInitDialog() {
  CWaitCursorScope wait;
  HWND dialog = GetHwnd();
  full_screen::MakeFullScreen(dialog);
  const CustomerDialogFlags& flags = m_rules.Flags();
  m_titleFont = CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton,
                                     flags.newCustomer ? u"New Customer" : u"Edit Customer:Job", 0);
  m_tabs.Create(dialog);
  m_rules.LoadChoices(m_store);
  for (int page = 0; page < kCustomerPageCount; ++page) {
    if (!m_rules.HasPage(page)) continue;
    auto form = std::make_unique<CFieldForm>(m_resources, dialog, CBstr(), m_rules.FocusRow(page), 0,
                                             CCustomerPages::LabelWidth(page), 0, nullptr);
    m_rules.Fill(page, form->Model());
    HWND window = form->CreatePage(dialog);
    m_pageWindows[static_cast<size_t>(page)] = window;
    m_tabs.Insert(TabOf(page), CCustomerPages::Caption(page), window);
    m_forms[static_cast<size_t>(page)] = std::move(form);
  }
  ResizePages();
  ShowPage(m_initialPage);
}

void CCustomerDlg::ResizePages() {
  m_tabs.Place(GetHwnd(), GetUiMetric(kTabsTopMetric), PageWindows());
  MoveDialogTitleButtons(m_okButton, m_cancelButton, full_screen::VisibleArea(GetHwnd()).right);
}

void CCustomerDlg::OnOK() {
  // Every page's open editor is committed; only Address Info holds required rows.
  CFieldForm* address = Page(kPageAddressInfo);
  if (!address || !address->Validate()) return;
  for (int page = 0; page < kCustomerPageCount; ++page) {
    if (CFieldForm* form = Page(page); form && page != kPageAddressInfo) form->Validate();
  }
  // Pages are saved by what they are, never by their tab: a customer without a Job Info
  // page has its Notes saved as notes.
  for (int page = 0; page < kCustomerPageCount; ++page) {
    if (CFieldForm* form = Page(page)) m_rules.Save(page, form->Model());
  }
  EndDialog(GetHwnd(), 1);
}

INT_PTR CCustomerDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    OnInitDialog();
    return TRUE;
  }
  if (msg == WM_ACTIVATE) {
    SHFullScreen(GetHwnd(), LOWORD(wParam) != WA_INACTIVE ? kFullScreenActive : kFullScreenInactive);
    return FALSE;
  }
  const full_screen::TabbedDialogActions actions{
      kHelpTopic, [this] { OnOK(); }, [this] { m_tabs.Show(m_tabs.Selected(), PageWindows()); },
      [this] {
        if (m_tabs.Window()) ResizePages();
      }};
  return full_screen::HandleTabbedDialogMessage(GetHwnd(), msg, wParam, lParam, actions);
}

bool CCustomerDialogRunner::Run(HWND owner, CTableCustomer& record, CustomerDialogMode mode) {
  CustomerDialogFlags flags;
  switch (mode) {
    case CustomerDialogMode::kNewCustomer:
      flags.newCustomer = true;
      break;
    case CustomerDialogMode::kNewJob:
      flags.job = true;
      flags.newJob = true;
      break;
    case CustomerDialogMode::kEditCustomer: {
      std::u16string_view sublevel = record.FieldView(kCustSublevel);
      flags.job = !sublevel.empty() && sublevel != u"0";
      break;
    }
  }
  CCustomerDlg dialog(m_resources, owner, record, kPageAddressInfo, flags, m_store);
  return dialog.DoModal() == 1;
}
