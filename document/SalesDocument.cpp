#include "document/SalesDocument.h"

#include <cstdio>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/DocumentHeader.h"
#include "document/DocumentNumbering.h"
#include "document/SharedCustomSettings.h"
#include "platform/base/Base.h"
#include "platform/locale/Locale.h"

namespace {

bool IsCalendarDate(const SYSTEMTIME& d) { return !FormatShortDate(d).IsEmpty(); }

std::u16string StorageDateOf(const SYSTEMTIME& d) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", static_cast<unsigned>(d.wYear), static_cast<unsigned>(d.wMonth),
                static_cast<unsigned>(d.wDay));
  return platform::ToUtf16(buffer);
}

std::u16string FormatDatePicture(const SYSTEMTIME& d, const WCHAR* picture) {
  WCHAR buffer[80];
  int n = GetDateFormatW(LOCALE_USER_DEFAULT, 0, &d, picture, buffer, 80);
  return n > 0 ? std::u16string(buffer, static_cast<size_t>(n - 1)) : std::u16string();
}

}  // namespace

// The kind whose custom settings a document type reads: a template reads as an invoice.
int CSalesDocument::SettingsKind(int docType) {
  return (docType >= 0 && docType < CCustomSettings::kKinds) ? docType : 0;
}

// ---- Construction ----------------------------------------------------------------------------

CSalesDocument::CSalesDocument(HWND parent, HWND owner, int styleCode, bool createView,
                               CCustomSettings* customSettings) {
  // Made first: the view preferences hand it the document's sales-tax choice.
  m_xml = std::make_unique<CXmlDocument>(parent);
  LoadViewPreferences();
  m_owner = owner;
  m_parent = parent;
  m_style = styleCode;
  m_settings = customSettings ? customSettings : g_customSettings;
  if (!m_settings) {
    m_sharedSettings = AcquireSharedCustomSettings();
    m_settings = m_sharedSettings.get();
  }
  m_company = std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany);
  {
    CPreferences preferences;  // refreshes the cached contacts-mode flag
    if (CPreferences::UseOutlook())
      m_customer = std::make_unique<CContactCustomer>(m_useBusinessAddress != 0);
    else
      m_customer = std::make_unique<CTableCustomer>(m_useBusinessAddress != 0);
  }
  m_job = std::make_unique<CJobRecord>();
  if (createView) {
    m_view = document_services::MakeView(parent, *this);
    ApplyViewChoices();
  }
  m_modified = 0;
}

// The page goes first: it may still look at the XML document while it closes.
CSalesDocument::~CSalesDocument() { m_view.reset(); }

void CSalesDocument::LoadViewPreferences() {
  CPreferences preferences;
  m_showLineTo = preferences.Get(pref::kShowLineTo) ? 1 : 0;
  m_showLinks = preferences.Get(pref::kShowLinks) ? 1 : 0;
  if (!m_showLinks) {
    // Links are how a document is edited; a stored 0 would leave no way back.
    m_showLinks = 1;
    preferences.Set(pref::kShowLinks, 1);
  }
  m_useDescriptions = preferences.Get(pref::kUseDescriptions) ? 1 : 0;
  m_playSounds = preferences.Get(pref::kPlaySounds) ? 1 : 0;
  m_useSalesTax = preferences.Get(pref::kUseSalesTax) ? 1 : 0;
  m_xml->SetUseSalesTax(m_useSalesTax != 0);
  m_useBusinessAddress = preferences.Get(pref::kUseBusAddress) ? 1 : 0;
  m_lastCommaFirst = preferences.Get(pref::kLastCommaFirst) ? 1 : 0;
}

void CSalesDocument::SetDocTypeAttribute(std::u16string_view attribute, int type) {
  m_xml->SetRootAttribute(attribute, CBstr(DocumentTypeWord((type >= 0 && type <= 6) ? type : 0)));
}

BYTE CSalesDocument::GetTypeFlag(int row) const { return m_settings->GetFlag(SettingsKind(m_docType), row); }

bool CSalesDocument::ShowInPage(std::u16string_view elementId, std::u16string_view text) {
  return m_view && m_view->SetElementText(elementId, text);
}

bool CSalesDocument::RebuildStylesheet() {
  std::u16string xsl;
  if (!document_services::BuildStylesheet(*this, xsl)) return false;
  m_xml->LoadStylesheet(xsl);
  return true;
}

void CSalesDocument::Render(RenderMode mode, int scrollPosition) {
  m_pageChanges.clear();
  if (m_view) m_view->Render(mode, scrollPosition);
}

void CSalesDocument::ShowAttributeChange(std::u16string_view name, RenderMode mode) {
  if (m_pageChanges.empty() && !m_xml->StylesheetMayRead(name)) return;
  Render(mode);
}

// ---- Generic attributes ----------------------------------------------------------------------

CBstr CSalesDocument::GetAttribute(std::u16string_view name) {
  CBstr value;
  m_xml->GetRootAttribute(name, &value);
  return value.IsNull() ? CBstr(u"") : value;
}

void CSalesDocument::SetAttribute(std::u16string_view name, CBstr value) {
  m_xml->SetRootAttribute(name, value);
  MarkModified();
}

bool CSalesDocument::GetBoolAttribute(std::u16string_view name, bool defaultValue) {
  CBstr value;
  if (!m_xml->GetRootAttribute(name, &value)) return defaultValue;
  return value.view() == u"true";
}

void CSalesDocument::SetBoolAttribute(std::u16string_view name, bool value) {
  SetAttribute(name, CBstr(value ? u"true" : u"false"));
}

// ---- Header fields ----------------------------------------------------------------------------

void CSalesDocument::GetRep(CBstr& rep, CBstr& fullName) {
  rep = GetAttribute(u"REP");
  fullName = GetAttribute(u"REP_FULLNAME");
}

bool CSalesDocument::SetRep(const CBstr& rep, const CBstr& fullName) {
  m_xml->SetRootAttribute(u"REP", rep);
  m_xml->SetRootAttribute(u"REP_FULLNAME", fullName);
  MarkModified();
  return ShowInPage(u"AJIDREP", rep.view());
}

bool CSalesDocument::GetCustomerMessage(CBstr& message, CBstr& listId) {
  message = GetAttribute(u"CUSTOMERMSG");
  listId = GetAttribute(u"CUSTOMERMSG_LISTID");
  return true;
}

void CSalesDocument::SetCustomerMessage(const CBstr& message, const CBstr& listId) {
  m_xml->SetRootAttribute(u"CUSTOMERMSG", message);
  m_xml->SetRootAttribute(u"CUSTOMERMSG_LISTID", listId);
  MarkModified();
}

void CSalesDocument::GetTax(CBstr& name, CBstr& rate, CBstr& vendor) {
  name = GetAttribute(u"TAXNAME");
  rate = GetAttribute(u"TAXRATE");
  vendor = GetAttribute(u"TAXVENDOR");
  CacheTaxRate(rate.view());
}

CBstr CSalesDocument::GetSignature() {
  CBstr strokes;
  if (!m_xml->ReadSignature(&strokes) || strokes.IsNull()) return CBstr(u"");
  return strokes;
}

void CSalesDocument::GetTotals(CBstr& subtotal, CBstr& tax, CBstr& total, CBstr& totalQuantity) const {
  subtotal = m_subtotalText;
  tax = m_taxText;
  total = m_totalText;
  totalQuantity = m_totalQuantityText;
}

void CSalesDocument::ReadTotalsFromDocument() {
  m_subtotalText = m_taxText = m_totalText = m_totalQuantityText = CBstr(u"");
  m_xml->ReadTotals(&m_subtotalText, &m_taxText, &m_totalText, &m_totalQuantityText);
}

// ---- Dates and terms ---------------------------------------------------------------------------

void CSalesDocument::SetDateToday() {
  CBstr shortDate, storageDate;
  GetTodayDateTexts(shortDate, storageDate);
  m_xml->SetRootAttribute(u"DATE", shortDate);
  m_xml->SetRootAttribute(u"DATEQB", storageDate);
  MarkModified();
}

int CSalesDocument::ReadTermDays(std::u16string_view termName) {
  int days = 0;
  IDocumentLists* lists = GetDocumentLists();
  if (termName.empty() || !lists || !lists->GetTermDays(termName, days)) days = 0;
  return days;
}

void CSalesDocument::SetDueDateFromText(std::u16string_view dateText) {
  CBstr shortDate, storageDate;
  AddDaysToDateText(dateText, m_termDays, shortDate, storageDate);
  if (shortDate.IsNull()) return;  // no date to count from
  m_xml->SetRootAttribute(u"DUEDATE", shortDate);
  m_xml->SetRootAttribute(u"DUEDATEQB", storageDate);
  MarkModified();
}

bool CSalesDocument::SetDate(const SYSTEMTIME& date) {
  if (!IsCalendarDate(date)) return false;
  CBstr shortDate = FormatShortDate(date);
  m_xml->SetRootAttribute(u"DATE", shortDate);
  m_xml->SetRootAttribute(u"DATEQB", CBstr(StorageDateOf(date)));
  MarkModified();
  m_termDays = ReadTermDays(GetAttribute(u"TERMS").view());
  SetDueDateFromText(shortDate.view());
  return true;
}

void CSalesDocument::SetDueDateFromToday() {
  CBstr shortDate, storageDate;
  GetFutureDateTexts(shortDate, storageDate, m_termDays);
  if (shortDate.IsNull()) return;
  m_xml->SetRootAttribute(u"DUEDATE", shortDate);
  m_xml->SetRootAttribute(u"DUEDATEQB", storageDate);
  MarkModified();
}

bool CSalesDocument::SetDueDateFrom(const SYSTEMTIME& date) {
  if (!IsCalendarDate(date)) return false;
  SetDueDateFromText(FormatShortDate(date).view());
  return true;
}

bool CSalesDocument::SetDueDate(const SYSTEMTIME& date) {
  if (!IsCalendarDate(date)) return false;
  // Both texts, so the desktop reads the same due date the document shows.
  m_xml->SetRootAttribute(u"DUEDATE", FormatShortDate(date));
  m_xml->SetRootAttribute(u"DUEDATEQB", CBstr(StorageDateOf(date)));
  MarkModified();
  return true;
}

void CSalesDocument::SetTerms(const CBstr& name) {
  m_xml->SetRootAttribute(u"TERMS", name);
  m_termDays = ReadTermDays(name.view());
  m_xml->SetRootAttribute(u"TERMDAYS", LongToBstr(m_termDays));
  MarkModified();
  SetDueDateFromText(GetAttribute(u"DATE").view());
}

bool CSalesDocument::SetCardExpiry(const SYSTEMTIME& date) {
  if (!IsCalendarDate(date)) return false;
  m_xml->SetRootAttribute(u"CCARDEXP", CBstr(FormatDatePicture(date, u"MM'/'yyyy")));
  m_xml->SetRootAttribute(u"CARDEXPMONTH", CBstr(FormatDatePicture(date, u"MMMM")));
  m_xml->SetRootAttribute(u"CARDEXPYEAR", CBstr(FormatDatePicture(date, u"yyyy")));
  MarkModified();
  return true;
}

void CSalesDocument::SetNotes(std::u16string_view text) {
  std::u16string joined;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      joined += u"<br>";
    } else {
      joined.push_back(text[i]);
    }
  }
  SetAttribute(u"NOTES", CBstr(joined));
}

// ---- Tax --------------------------------------------------------------------------------------

void CSalesDocument::SetTax(const CBstr& name, const CBstr& rate, const CBstr& vendor, bool recalc) {
  if (name.IsEmpty() && rate.IsEmpty()) return;
  m_xml->SetRootAttribute(u"TAXRATE", rate);
  m_xml->SetRootAttribute(u"TAXNAME", name);
  m_xml->SetRootAttribute(u"TAXVENDOR", vendor);
  CacheTaxRate(rate.view());
  if (recalc) RecalcTotals();
  MarkModified();
}

void CSalesDocument::CacheTaxRate(std::u16string_view rateText) {
  m_taxRate = CDecimal::FromDouble(ParseNumberText(rateText)) * CDecimal(1, 2);
  m_taxRateFactor = m_taxRate.ToDouble();
}

void CSalesDocument::ApplyCustomerTax() {
  if (!m_useSalesTax || !m_takeCustomerTax) return;
  std::u16string_view taxName = m_customer->FieldView(kCustItemSalesTax);
  if (taxName.empty()) return;
  IDocumentLists* lists = GetDocumentLists();
  CBstr rate;
  if (!lists || !lists->GetSalesTaxRate(taxName, rate)) return;
  SetTax(CBstr(taxName), rate, CBstr(u""), true);
}

void CSalesDocument::SetUseSalesTax(bool flag) {
  BeginWaitCursor();
  m_useSalesTax = flag ? 1 : 0;
  m_xml->SetUseSalesTax(flag);
  for (int kind = 0; kind < CCustomSettings::kKinds; ++kind) {
    m_settings->SetFlag(kind, kRowTaxOnScreen, flag ? 1 : 0);
    m_settings->SetFlag(kind, kRowTaxOnPaper, flag ? 1 : 0);
  }
  if (!flag) {
    m_xml->SetRootAttribute(u"TAXRATE", CBstr(u"0.00%"));
    CacheTaxRate(u"");
  }
  ApplyCustomerTax();
  RecalcTotals();
  RebuildStylesheet();
  MarkModified();
  Render();
  m_settings->Save();
  EndWaitCursor();
}

void CSalesDocument::SetAllLinesTaxCode(const CBstr& code) {
  CLineItemTexts values;
  values.taxable = code;
  for (LONG i = 0; m_xml->UpdateLineItemAt(i, values, i > 0); ++i) {
  }
  MarkModified();
}

// ---- Number, job, logo, status ---------------------------------------------------------------------

void CSalesDocument::SetNumber(std::u16string_view number) {
  m_numberFromCounter = 0;
  if (AskYesNoRes(m_owner, NumberConfirmationStringId(m_docType))) {
    CPreferences preferences;
    preferences.Set(StartNumberPreference(m_docType), number);
    m_numberFromCounter = 1;
  }
  SetAttribute(u"ID", CBstr(number));
}

void CSalesDocument::SetJob(const CJobRecord& job) {
  for (int slot = 0; slot < CJobRecord::kSlots; ++slot) {
    BSTR text = job.GetField(slot);
    m_job->SetField(slot, text ? CBstr(text) : CBstr());
  }
  m_xml->WriteJob(*m_job);
  MarkModified();
}

void CSalesDocument::GetLogo(CBstr& path, int& width, int& height) {
  CBstr graphic;
  m_xml->ReadCompanyGraphic(&graphic);
  path = graphic.IsNull() ? CBstr(u"") : graphic;
  width = BstrToInt(GetAttribute(u"LOGOWIDTH").view());
  height = BstrToInt(GetAttribute(u"LOGOHEIGHT").view());
}

void CSalesDocument::SetLogo(const WCHAR* path, int width, int height, LogoChange change) {
  if (!path) return;
  m_xml->SetCompanyGraphic(GetFileNameFromPath(path));
  const CBstr widthText = LongToBstr(width);
  const CBstr heightText = LongToBstr(height);
  CPreferences preferences;
  preferences.Set(pref::kLogoWidth, widthText.view());
  preferences.Set(pref::kLogoHeight, heightText.view());
  m_xml->SetRootAttribute(u"LOGOWIDTH", widthText);
  m_xml->SetRootAttribute(u"LOGOHEIGHT", heightText);
  MarkModified();
  if (change.showColumn && !GetTypeFlag(kRowShowLogo)) {
    m_settings->SetFlag(SettingsKind(m_docType), kRowShowLogo, 1);
    if (change.rebuild) RebuildStylesheet();
  }
}

void CSalesDocument::TogglePaid() {
  SetAttribute(u"PAID", CBstr(GetAttribute(u"PAID").view() == u"YES" ? u"NO" : u"YES"));
}

int CSalesDocument::GetStatusFlags() {
  int flags = 0;
  if (GetAttribute(u"PAID").view() == u"YES") flags |= kStatusPaid;
  if (GetAttribute(u"VOID").view() == u"YES") flags |= kStatusVoid;
  const bool isSigned = m_signed != 0 || !GetAttribute(u"SIGNED").IsEmpty();
  if (isSigned && CPreferences::RoSigned()) flags |= kStatusSignedReadOnly;
  return flags;
}

int CSalesDocument::GetViewOption(int option) const {
  switch (option) {
    case kViewShowLineTo: return m_showLineTo;
    case kViewShowSignature: return GetTypeFlag(kRowShowSignature);
    case kViewShowLinks: return m_showLinks;
    default: return 0;
  }
}

int CSalesDocument::ToggleViewOption(int option) {
  CPreferences preferences;
  int value = 0;
  switch (option) {
    case kViewShowLineTo:
      value = m_showLineTo = !m_showLineTo;
      preferences.Set(pref::kShowLineTo, static_cast<DWORD>(value));
      break;
    case kViewShowSignature:
      value = GetTypeFlag(kRowShowSignature) ? 0 : 1;
      m_settings->SetFlag(SettingsKind(m_docType), kRowShowSignature, static_cast<BYTE>(value));
      break;
    case kViewShowLinks:
      value = m_showLinks = !m_showLinks;
      preferences.Set(pref::kShowLinks, static_cast<DWORD>(value));
      break;
    default:
      return 0;
  }
  RebuildStylesheet();
  Render();
  return value;
}

void CSalesDocument::SetFilePath(std::u16string_view path) {
  m_filePath = CBstr(path);
  // An existing file keeps its own spelling in the document and in what is sent of it.
  m_fileName = GetDeviceFileName(path);
  m_xml->SetRootAttribute(u"FILENAME", m_fileName);
}

void CSalesDocument::SetStyle(int code) {
  if (code == m_style) return;
  m_style = code;
  RebuildStylesheet();
  m_xml->SetRootAttribute(u"STYLE", LongToBstr(code));
  MarkModified();
  Render();
}

void CSalesDocument::SetUseDescriptions(bool flag) {
  if ((m_useDescriptions != 0) == flag) return;
  BeginWaitCursor();
  m_useDescriptions = flag ? 1 : 0;
  RebuildStylesheet();
  Render();
  EndWaitCursor();
}

void CSalesDocument::SetUseBusinessAddress(bool flag) {
  m_useBusinessAddress = flag ? 1 : 0;
  m_customer->SetByCompany(flag);
  m_xml->WriteCustomer(*m_customer, dynamic_cast<CContactCustomer*>(m_customer.get()) != nullptr);
  RebuildStylesheet();
  Render();
}

void CSalesDocument::SetRepFromCustomer() {
  std::u16string_view rep = m_customer->FieldView(kCustSalesRep);
  if (rep.empty()) return;
  IDocumentLists* lists = GetDocumentLists();
  CBstr fullName;
  if (!lists || !lists->GetRepFullName(rep, fullName)) return;
  SetRep(CBstr(rep), fullName);
}

void CSalesDocument::SetPrintFlags() {
  CPreferences preferences;
  const std::pair<const DwordPreference&, const char16_t*> flags[] = {{pref::kToBePrinted, u"TOBEPRINTED"},
                                                                      {pref::kToBeEMailed, u"TOBEEMAILED"},
                                                                      {pref::kRemoveZeroQtyItems, u"REMOVEZEROQTY"}};
  for (const auto& [preference, attribute] : flags)
    if (preferences.Get(preference)) SetAttribute(attribute, CBstr(u"true"));
}

void CSalesDocument::ApplyDefaultNotes() {
  if (!GetTypeFlag(kRowReuseNotes)) return;
  SetNotes(m_settings->GetCaption(SettingsKind(m_docType), kCaptionDefaultNotes));
}

// ---- The current line ------------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CSalesDocument::ReadLineItem(const CBstr& key) {
  auto record = std::make_unique<CDbRecord>();
  if (!m_xml->ReadLineItem(key, record.get())) return nullptr;
  return record;
}

bool CSalesDocument::SelectLineItem(const CBstr& key) {
  m_currentLineKey = key;
  m_currentLine = ReadLineItem(key);
  return m_currentLine != nullptr;
}

void CSalesDocument::SetCurrentLineKey(const CBstr& key) { m_currentLineKey = key; }

std::unique_ptr<CDbRecord> CSalesDocument::CopyCurrentLineItem() const {
  if (!m_currentLine) return nullptr;
  return CDbRecord::CDbRecordCopy(*m_currentLine, m_currentLine->GetObjectPosition());
}
