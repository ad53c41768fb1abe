#include "mainwindow/RegisterRows.h"

#include <algorithm>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/RegionalSettings.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerRecord.h"
#include "datastore/CustomerSource.h"
#include "document/JobRecord.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/locale/Locale.h"

namespace {

constexpr COLORREF kYellowBand = RGB(239, 248, 173);
constexpr COLORREF kBlueBand = RGB(200, 200, 246);
constexpr COLORREF kPurpleBand = RGB(222, 189, 222);
constexpr COLORREF kGreyBand = RGB(191, 191, 191);

const CShowKind kShowKindTable[kShowKinds] = {
    {RegisterFolder::Documents, kYellowBand, nullptr},            // 0 Complete
    {RegisterFolder::Documents, kYellowBand, nullptr},            // 1 In Progress
    {RegisterFolder::Documents, kBlueBand, nullptr},              // 2 All Documents
    {RegisterFolder::Documents, kPurpleBand, u"CREDITMEMO"},      // 3
    {RegisterFolder::Documents, kPurpleBand, u"ESTIMATE"},        // 4
    {RegisterFolder::Documents, kPurpleBand, u"INVOICE"},         // 5
    {RegisterFolder::Documents, kPurpleBand, u"PAYMENT"},         // 6
    {RegisterFolder::Documents, kPurpleBand, u"SALESORDER"},      // 7
    {RegisterFolder::Documents, kPurpleBand, u"SALESRECEIPT"},    // 8
    {RegisterFolder::Memorized, kGreyBand, u"MEMORIZED"},         // 9
    {RegisterFolder::Documents, kPurpleBand, nullptr},            // 10 not memorized
    {RegisterFolder::Uploaded, kGreyBand, nullptr},               // 11 not memorized
    {RegisterFolder::Deleted, kGreyBand, nullptr},                // 12 every file
};

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = platform::UpperCase(c);
  return text;
}

std::u16string Attribute(CXmlDocument& xml, std::u16string_view name) {
  CBstr value;
  xml.GetRootAttribute(name, &value);
  return value.str();
}

// The leading whole number of a version text ("3.0" -> 3); 0 when there is none.
int VersionNumber(std::u16string_view text) {
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9' || value > 1000) break;
    value = value * 10 + (c - u'0');
  }
  return value;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && Upper(std::u16string(a)) == Upper(std::u16string(b));
}

std::u16string CustomerName(CXmlDocument& xml, int version, const std::u16string& jobName,
                            const CRegisterOptions& options) {
  CBstr company, fullName;
  xml.GetCustomerCompanyName(&company);
  xml.GetCustomerFullName(&fullName);
  const std::u16string job = jobName.empty() ? std::u16string() : u":" + jobName;
  if (version >= 3) {
    if (options.viewByCompany && !company.IsEmpty()) return company.str() + job;
    return fullName.str();
  }
  std::u16string name;
  if (options.viewByCompany) {
    name = company.IsEmpty() ? fullName.str() : company.str();
  } else {
    CBstr first, last;
    xml.GetCustomerLastFirstName(&first, &last);
    if (options.lastCommaFirst) {
      name = last.str();
      if (!name.empty() && !first.IsEmpty()) name += u", ";
      name += first.str();
    } else {
      name = first.str();
      if (!name.empty() && !last.IsEmpty()) name += u" ";
      name += last.str();
    }
    if (name.empty()) name = fullName.str();
  }
  return name + job;
}

int TypeFromDocType(const std::u16string& docType, std::u16string_view estimateFlag) {
  static const std::pair<const char16_t*, int> kTypes[] = {
      {u"INVOICE", 0}, {u"ESTIMATE", 1}, {u"SALESRECEIPT", 2}, {u"PAYMENT", 3},
      {u"SALESORDER", 4}, {u"CREDITMEMO", 5}, {u"MEMORIZED", 6}};
  for (const auto& [word, type] : kTypes) {
    if (docType == word) return type;
  }
  return EqualsIgnoringCase(estimateFlag, u"YES") ? 1 : 0;
}

// A date in the user's order; false when the text names no date.
bool ParseRowDate(std::u16string_view text, int& year, int& month, int& day) {
  if (text.empty()) return false;
  ParseDateParts(text, month, day, year, GetDateOrder());
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && year > 0;
}

int CompareDates(std::u16string_view a, std::u16string_view b) {
  int ya, ma, da, yb, mb, db;
  // A date that cannot be read equals any other date.
  if (!ParseRowDate(a, ya, ma, da) || !ParseRowDate(b, yb, mb, db)) return 0;
  if (ya != yb) return ya < yb ? -1 : 1;
  if (ma != mb) return ma < mb ? -1 : 1;
  return da == db ? 0 : (da < db ? -1 : 1);
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

std::u16string_view LastDigitRun(std::u16string_view text) {
  size_t end = text.size();
  while (end > 0 && !(text[end - 1] >= u'0' && text[end - 1] <= u'9')) --end;
  size_t begin = end;
  while (begin > 0 && text[begin - 1] >= u'0' && text[begin - 1] <= u'9') --begin;
  std::u16string_view run = text.substr(begin, end - begin);
  while (run.size() > 1 && run.front() == u'0') run.remove_prefix(1);
  return run;
}

constexpr int kFlagRowShowLogo = 5;

// The job names the kind: "ESTIMATE" makes an estimate, anything else an invoice. Only
// invoices and estimates take it; the other types would be lost as invoices.
int ApplyJobKind(CXmlDocument& xml, const std::u16string& docType, const CJobRecord& job) {
  const int current = TypeFromDocType(docType, u"");  // a missing or unknown word reads as invoice
  if (current != kInvoice && current != kEstimate) return current;
  const int type = Upper(CBstr(job.GetField(2)).str()) == u"ESTIMATE" ? kEstimate : kInvoice;
  xml.SetRootAttribute(u"DOCTYPE", CBstr(type == kEstimate ? u"ESTIMATE" : u"INVOICE"));
  return type;
}

void ApplyLogo(CXmlDocument& xml, int type, const CCustomSettings* settings) {
  if (!settings || !settings->GetFlag(type, kFlagRowShowLogo)) return;
  CPreferences prefs;
  const std::u16string logo = prefs.Get(pref::kLastLogo);
  if (logo.empty()) return;
  xml.SetCompanyGraphic(CBstr(logo));
  xml.SetRootAttribute(u"LOGOWIDTH", CBstr(prefs.Get(pref::kLogoWidth)));
  xml.SetRootAttribute(u"LOGOHEIGHT", CBstr(prefs.Get(pref::kLogoHeight)));
}

// A customer the source does not know joins it with the document's job; the document's
// customer block is then written back from the record.
void TakeOverCustomer(CXmlDocument& xml, const CJobRecord& job, const CJobsUpdate& jobs) {
  if (!jobs.source) return;
  std::unique_ptr<CCustomerRecord> customer;
  if (jobs.contacts) customer = std::make_unique<CContactCustomer>();
  else customer = std::make_unique<CTableCustomer>();
  xml.ReadCustomer(customer.get(), jobs.contacts);
  const bool known = jobs.source->Exists(*customer) != 0;
  if (known && !customer->GetListID().empty() && customer->GetListID() != u"0") return;
  if (!known) {
    customer->SetJobInfoFrom(job);
    jobs.source->AddRecord(*customer, nullptr, 2);
  }
  xml.WriteCustomer(*customer, jobs.contacts);
}

}  // namespace

const CShowKind& GetShowKind(int showKind) {
  if (showKind < 0 || showKind >= kShowKinds) showKind = kShowAllDocuments;
  return kShowKindTable[showKind];
}

std::u16string GetShowKindFolder(int showKind) {
  CBstr folder;
  switch (GetShowKind(showKind).folder) {
    case RegisterFolder::Documents: GetDocumentsFolder(folder); break;
    case RegisterFolder::Memorized: GetMemorizedFolder(folder); break;
    case RegisterFolder::Uploaded: GetUploadedFolder(folder, true); break;
    case RegisterFolder::Deleted: GetDeletedFolder(folder); break;
  }
  std::u16string path = folder.str();
  if (path.empty() || path.back() != u'\\') path += u'\\';
  return path;
}

bool IsShownInKind(int showKind, std::u16string_view docTypeUpper, std::u16string_view complete) {
  if (showKind < 0 || showKind >= kShowKinds) showKind = kShowAllDocuments;
  const bool memorized = docTypeUpper == u"MEMORIZED";
  switch (showKind) {
    case 0: return !memorized && complete == u"yes";
    case 1: return !memorized && complete != u"yes";
    case 2:
    case 10:
    case 11: return !memorized;
    case kShowDeleted: return true;
    default: return docTypeUpper == kShowKindTable[showKind].docType;
  }
}

CRegisterOptions CRegisterOptions::Read() {
  CPreferences prefs;
  CRegisterOptions options;
  options.lastCommaFirst = prefs.Get(pref::kLastCommaFirst) != 0;
  options.useBusinessAddress = prefs.Get(pref::kUseBusAddress) != 0;
  options.viewByCompany = prefs.Get(pref::kViewInvRegByCompany) != 0;
  options.readOnlySigned = CPreferences::RoSigned();
  return options;
}

std::u16string RegisterAmountText(std::u16string_view amount) {
  std::u16string text(amount);
  RegionalSettings().RemoveCurrencySymbol(text);
  // A total stored as a negative zero ("-0", "(0.00)") owes nothing and reads as none.
  const bool zero = IsNumberText(text) && text.find_first_of(u"123456789") == std::u16string::npos;
  if (text.empty() || zero) text = RegionalSettings().DecimalSeparator() == u',' ? u"0,00" : u"0.00";
  return text;
}

std::u16string RegisterFileName(std::u16string_view fileName) {
  if (fileName.size() >= 4 && platform::EqualsIgnoreCase(fileName.substr(fileName.size() - 4), u".QVN"))
    fileName.remove_suffix(4);
  return std::u16string(fileName);
}

RowReadResult ReadRegisterRow(CXmlDocument& xml, std::u16string_view path, int showKind,
                              const CRegisterOptions& options, CRegisterRow& row, std::u16string& error,
                              const CJobsUpdate* jobs) {
  const RowReadResult result = ReadRegisterRowTexts(xml, path, showKind, options, row, error, jobs);
  if (result == RowReadResult::Row) FinishRegisterRow(row);
  return result;
}

void FinishRegisterRow(CRegisterRow& row) {
  if (row.date.empty()) {
    CBstr today;
    GetTodayDateText(today);
    row.date = today.str();
  }
  row.amount = RegisterAmountText(row.amount);
}

RowReadResult ReadRegisterRowTexts(CXmlDocument& xml, std::u16string_view path, int showKind,
                                   const CRegisterOptions& options, CRegisterRow& row, std::u16string& error,
                                   const CJobsUpdate* jobs) {
  CBstr loadError;
  if (!xml.LoadFile(path, &loadError)) {
    error = loadError.str();
    return RowReadResult::Unreadable;
  }
  const int version = VersionNumber(Attribute(xml, u"VERSION"));
  const std::u16string docType = Upper(Attribute(xml, u"DOCTYPE"));
  CJobRecord job;
  xml.ReadJob(&job);
  const std::u16string jobName = CBstr(job.GetField(0)).str();

  CRegisterRow r;
  r.complete = Attribute(xml, u"COMPLETE");
  r.wireless = Attribute(xml, u"WIRELESS");
  if (!IsShownInKind(showKind, docType, r.complete)) return RowReadResult::Filtered;

  r.name = CustomerName(xml, version, jobName, options);
  const bool memorized = docType == u"MEMORIZED";
  CBstr signature;
  if (options.readOnlySigned && !memorized && xml.ReadSignature(&signature) && !signature.IsEmpty())
    r.marks |= kRowMarkSigned;
  if (EqualsIgnoringCase(Attribute(xml, u"VOID"), u"YES")) r.marks |= kRowMarkVoid;
  if (EqualsIgnoringCase(Attribute(xml, u"PAID"), u"YES")) r.marks |= kRowMarkPaid;

  if (jobs && !memorized) {
    r.type = ApplyJobKind(xml, docType, job);
    ApplyLogo(xml, r.type, jobs->settings);
    TakeOverCustomer(xml, job, *jobs);
    xml.SaveFile(path);
  } else {
    r.type = TypeFromDocType(docType, Attribute(xml, u"ESTIMATE"));
  }
  if (memorized) r.sourceType = TypeFromDocType(Upper(Attribute(xml, u"ORIGINAL_DOCTYPE")), u"");
  r.number = Attribute(xml, u"ID");
  r.date = Attribute(xml, u"DATE");
  CBstr total;
  if (r.type == kPayment) {
    total = CBstr(Attribute(xml, u"PAYAMOUNT"));
  } else {
    xml.ReadTotal(&total);
    // A damaged total shows the figure the document's subtotal and tax give.
    bool recomputed = false;
    const std::optional<double> figure = xml.ReadTotalFigure(&recomputed);
    if (recomputed) total = FormatNumberText(*figure, NumberDigits::TwoDigits);
  }
  r.amount = total.str();
  // An amount that is no figure at all is not shown as if it were one.
  if (!r.amount.empty() && !IsNumberText(r.amount)) r.amount = kRegisterNoFigure;
  const size_t slash = path.find_last_of(u'\\');
  r.fileName = RegisterFileName(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
  row = std::move(r);
  return RowReadResult::Row;
}

int CompareDigitRuns(std::u16string_view a, std::u16string_view b) {
  std::u16string_view ra = LastDigitRun(a), rb = LastDigitRun(b);
  if (ra.size() != rb.size()) return ra.size() < rb.size() ? -1 : 1;
  return ra.compare(rb) < 0 ? -1 : (ra == rb ? 0 : 1);
}

int CompareRegisterRows(const CRegisterRow& a, const CRegisterRow& b, int sortKind) {
  switch (sortKind) {
    case kSortCustomer: return CompareNoCase(a.name, b.name);
    case kSortBalance: {
      const double x = ParseNumberText(a.amount), y = ParseNumberText(b.amount);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case kSortDate: return CompareDates(a.date, b.date);
    case kSortNumber:
      if (HasDigit(a.number) && HasDigit(b.number)) return CompareDigitRuns(a.number, b.number);
      return CompareNoCase(a.number, b.number);
    case kSortType: return (a.type == kEstimate) - (b.type == kEstimate);
    case kSortComplete: return (a.complete == u"yes") - (b.complete == u"yes");
    default: return 0;
  }
}

void SortRegisterRows(std::vector<const CRegisterRow*>& rows, int sortKind, bool ascending) {
  // Bottom-up merge: each pass merges neighbouring runs of `width`; a comparison decides
  // only which of two heads goes first, so any answer keeps every row exactly once.
  std::vector<const CRegisterRow*> buffer(rows.size());
  const size_t n = rows.size();
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t left = 0; left < n; left += 2 * width) {
      const size_t mid = std::min(left + width, n), right = std::min(left + 2 * width, n);
      size_t i = left, j = mid, out = left;
      while (i < mid && j < right) {
        const int c = ascending ? CompareRegisterRows(*rows[j], *rows[i], sortKind)
                                : CompareRegisterRows(*rows[i], *rows[j], sortKind);
        buffer[out++] = c < 0 ? rows[j++] : rows[i++];
      }
      while (i < mid) buffer[out++] = rows[i++];
      while (j < right) buffer[out++] = rows[j++];
    }
    rows.swap(buffer);
  }
}
