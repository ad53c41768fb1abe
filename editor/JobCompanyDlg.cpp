#include "editor/JobCompanyDlg.h"

#include "core/CompanyInfo.h"
#include "core/DialogTitleBar.h"
#include "core/NameForm.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "datastore/ListCache.h"
#include "document/JobRecord.h"
#include "platform/shell/Shell.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kTitleRowMetric = 11;

}  // namespace

// ---- CTwoPageDlg

CTwoPageDlg::CTwoPageDlg(HINSTANCE resources, HWND owner, const char16_t* title, int helpTopic)
    : m_resources(resources), m_owner(owner), m_title(title), m_helpTopic(helpTopic) {}

CTwoPageDlg::~CTwoPageDlg() {
  // The pages are children of the dialog: close them while their objects live.
  for (auto& form : m_forms) form.reset();
  if (m_titleFont) DeleteObject(m_titleFont);
}

INT_PTR CTwoPageDlg::DoModal() {
  return CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_FORM), m_owner);
}

std::vector<HWND> CTwoPageDlg::PageWindows() const { return {m_pageWindows.begin(), m_pageWindows.end()}; }

int CTwoPageDlg::ShownPage() const {
  HWND shown = m_tabs.PageOf(m_tabs.Selected());
  for (int page = 0; page < kPageCount; ++page)
    if (shown && m_pageWindows[static_cast<size_t>(page)] == shown) return page;
  return -1;
}

void CTwoPageDlg::ShowPage(int page) { m_tabs.Show(page, PageWindows()); }

CFieldForm& CTwoPageDlg::AddPage(int page, const char16_t* caption, int labelWidth, int fieldWidth, int firstField) {
  auto form = std::make_unique<CFieldForm>(m_resources, GetHwnd(), CBstr(), firstField, 0, labelWidth, fieldWidth,
                                           nullptr);
  CFieldForm& added = *form;
  m_forms[static_cast<size_t>(page)] = std::move(form);
  m_captions[static_cast<size_t>(page)] = caption;
  return added;
}

void CTwoPageDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  full_screen::MakeFullScreen(dialog);
  m_titleFont = CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton, m_title, 0);
  SHSipPreference(dialog, SIP_UP);
  m_tabs.Create(dialog);
  BuildPages();
  for (int page = 0; page < kPageCount; ++page) {
    CFieldForm* form = Page(page);
    if (!form) continue;
    HWND window = form->CreatePage(dialog);
    ShowWindow(window, SW_HIDE);
    m_pageWindows[static_cast<size_t>(page)] = window;
    m_tabs.Insert(page, m_captions[static_cast<size_t>(page)], window);
  }
  LayOut();
  ShowPage(m_firstPage >= 0 && m_firstPage < kPageCount ? m_firstPage : 0);
}

void CTwoPageDlg::LayOut() {
  if (!m_tabs.Window()) return;
  m_tabs.Place(GetHwnd(), GetUiMetric(kTitleRowMetric), PageWindows());
  MoveDialogTitleButtons(m_okButton, m_cancelButton, full_screen::VisibleArea(GetHwnd()).right);
}

bool CTwoPageDlg::ValidatePages(int first) {
  for (int page : {first, 1 - first}) {
    CFieldForm* form = Page(page);
    if (form && !form->Validate()) {
      ShowPage(page);
      return false;
    }
  }
  return true;
}

INT_PTR CTwoPageDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_ACTIVATE:
      SHSipPreference(GetHwnd(), LOWORD(wParam) == WA_INACTIVE ? SIP_DOWN : SIP_UP);
      return FALSE;
    case WM_DESTROY:
      OnClosing();
      SHSipPreference(GetHwnd(), SIP_DOWN);
      return FALSE;
    default:
      break;
  }
  const full_screen::TabbedDialogActions actions{
      m_helpTopic, [this] { OnOK(); }, [this] { ShowPage(m_tabs.Selected()); }, [this] { LayOut(); }};
  return full_screen::HandleTabbedDialogMessage(GetHwnd(), msg, wParam, lParam, actions);
}

// ---- CJobDlg

namespace {

enum JobSlot {
  kJobName = 0,
  kJobDescription = 1,
  kJobType = 2,
  kJobStatus = 3,
  kJobStart = 4,
  kJobProjectedEnd = 6,
  kJobEnd = 7,
  kJobAddress1 = 8,
  kJobCity = 12,
  kJobState = 13,
  kJobZip = 14,
  kJobNotes = 16,
};

CBstr Slot(const CJobRecord& job, int slot) {
  BSTR text = job.GetField(slot);
  return CBstr(text ? text : u"");
}

// A multi-line text of three rows from field `head` on.
void AddThreeRows(CFieldForm& form, int head, const char16_t* label, const CBstr& value, int maxLength) {
  form.AddField(head, kFieldMultiLine, kFlagEditable, CBstr(label), value, 3, maxLength, nullptr);
  form.AddField(head + 1, kFieldMultiLineRow, kFlagEditable, CBstr(), CBstr(u""), 3, maxLength, nullptr);
  form.AddField(head + 2, kFieldMultiLineRow, kFlagEditable, CBstr(), CBstr(u""), 3, maxLength, nullptr);
}

std::u16string Row(const CFieldForm& form, int index) {
  CBstr text;
  form.GetFieldText(index, text);
  return text.str();
}

// A multi-line text read back with the line breaks the user typed (rows the editor
// wrapped join without one).
CBstr Lines(const CFieldForm& form, int head) {
  CBstr text;
  form.GetFieldText(head, text, FieldRows::JoinedOnLines);
  return text;
}

}  // namespace

CJobDlg::CJobDlg(HINSTANCE resources, HWND owner, CItemStore* store, int firstField, CJobRecord* job)
    : CTwoPageDlg(resources, owner, u"Job", 7),
      m_store(store),
      m_firstField(firstField),
      m_job(job),
      m_jobTypes(std::make_unique<FieldChoiceList>()) {}

CJobDlg::~CJobDlg() = default;

void CJobDlg::BuildPages() {
  FieldChoiceList& types = *m_jobTypes;
  types = FieldChoiceList();
  if (m_store) {
    CListCache cache(m_store);
    CBstr name;
    for (int more = cache.GetFirstJobTypeName(name); more && types.count < kMaxJobTypes;
         more = cache.GetNextName(name)) {
      types.first[static_cast<size_t>(types.count++)] = name;
    }
  }
  CJobRecord empty;
  const CJobRecord& job = m_job ? *m_job : empty;
  constexpr DWORD kAddressFlags = kFlagWide | kFlagEditable;

  CFieldForm& address = AddPage(kAddressPage, u"Address", 59, 175, m_firstField);
  address.AddField(0, kFieldText, kFlagRequired | kFlagEditable, CBstr(u"Job:"), Slot(job, kJobName), 1, 40, nullptr);
  address.AddField(1, kFieldMultiLine, kAddressFlags, CBstr(u"Address:"), Slot(job, kJobAddress1), 4, 255, nullptr);
  address.AddField(2, kFieldMultiLineRow, kAddressFlags, CBstr(), Slot(job, kJobAddress1 + 1), 4, 255, nullptr);
  address.AddField(3, kFieldMultiLineRow, kAddressFlags, CBstr(), Slot(job, kJobAddress1 + 2), 4, 255, nullptr);
  const std::u16string cityLine =
      FormatCityStateZip(Slot(job, kJobCity).view(), Slot(job, kJobState).view(), Slot(job, kJobZip).view());
  address.AddField(4, kFieldMultiLineRow, kFlagEditable, CBstr(), CBstr(cityLine), 4, 255, nullptr);
  AddThreeRows(address, 5, u"Notes:", Slot(job, kJobNotes), 255);

  CFieldForm& info = AddPage(kInfoPage, u"Info", 80, 152, -1);
  info.AddField(0, kFieldChoiceToo, kFlagEditable, CBstr(u"Type:"), Slot(job, kJobType), 1, 40, m_jobTypes.get());
  info.AddField(1, kFieldJobStatus, kFlagEditable, CBstr(u"Status:"), Slot(job, kJobStatus), 1, 40, nullptr);
  info.AddField(2, kFieldDate, kFlagEditable, CBstr(u"Start date:"), Slot(job, kJobStart), 1, 25, nullptr);
  info.AddField(3, kFieldDate, kFlagEditable, CBstr(u"Approx end:"), Slot(job, kJobProjectedEnd), 1, 25, nullptr);
  info.AddField(4, kFieldDate, kFlagEditable, CBstr(u"End date:"), Slot(job, kJobEnd), 1, 25, nullptr);
  AddThreeRows(info, 5, u"Description:", Slot(job, kJobDescription), 512);
  m_firstPage = kAddressPage;
}

void CJobDlg::OnOK() {
  const int shown = ShownPage();
  if (!ValidatePages(shown < 0 ? kAddressPage : shown)) return;
  Save();
  EndDialog(GetHwnd(), 1);
}

void CJobDlg::Save() {
  if (!m_job) return;
  const CFieldForm& address = *Page(kAddressPage);
  const CFieldForm& info = *Page(kInfoPage);
  m_job->SetField(kJobName, CBstr(Row(address, 0)));
  for (int line = 0; line < 3; ++line) m_job->SetField(kJobAddress1 + line, CBstr(Row(address, 1 + line)));
  CBstr city, state, zip;
  SplitCityStateZip(Row(address, 4), city, state, zip);
  m_job->SetField(kJobCity, city);
  m_job->SetField(kJobState, state);
  m_job->SetField(kJobZip, zip);
  m_job->SetField(kJobNotes, Lines(address, 5));
  m_job->SetField(kJobType, CBstr(Row(info, 0)));
  m_job->SetField(kJobStatus, CBstr(Row(info, 1)));
  m_job->SetField(kJobStart, CBstr(Row(info, 2)));
  m_job->SetField(kJobProjectedEnd, CBstr(Row(info, 3)));
  m_job->SetField(kJobEnd, CBstr(Row(info, 4)));
  m_job->SetField(kJobDescription, Lines(info, 5));
}

// ---- CSelectCompanyDlg

CSelectCompanyDlg::CSelectCompanyDlg(HINSTANCE resources, HWND owner, CCompanyInfo& defaultCompany,
                                     CCompanyInfo& alternateCompany, int initialPage)
    : CTwoPageDlg(resources, owner, u"Select Company", 17),
      m_default(defaultCompany),
      m_alternate(alternateCompany),
      m_initialPage(initialPage) {}

CSelectCompanyDlg::~CSelectCompanyDlg() = default;

void CSelectCompanyDlg::BuildPages() {
  AddCompanyRows(AddPage(kDefaultPage, u"Default", 70, 160, -1), m_default);
  AddCompanyRows(AddPage(kAlternatePage, u"Alternate", 70, 160, -1), m_alternate);
  // Read once so that it exists from now on.
  CPreferences().Get(pref::kDefaultCompany);
  m_firstPage = m_initialPage;
}

void CSelectCompanyDlg::OnOK() {
  if (!ValidatePages(kDefaultPage)) return;
  const int shown = ShownPage();
  ReadCompanyRows(*Page(kDefaultPage), m_default);
  CPreferences().Set(pref::kDefaultCompany, shown == kAlternatePage ? 1 : 0);
  ReadCompanyRows(*Page(kAlternatePage), m_alternate);
  EndDialog(GetHwnd(), 1);
}

void CSelectCompanyDlg::OnClosing() {
  const int shown = ShownPage();
  CPreferences().Set(pref::kLastCompanyPage, static_cast<DWORD>(shown < 0 ? 0 : shown));
}
