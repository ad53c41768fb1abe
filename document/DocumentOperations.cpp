#include "document/DocumentOperations.h"

#include <algorithm>
#include <map>
#include <vector>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/SignatureBitmap.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/DocumentHeader.h"
#include "document/DocumentNumbering.h"
#include "document/SalesDocument.h"
#include "platform/base/Format.h"
#include "platform/kernel/Files.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

// Tells the owner window: 1139 is posted (the register reloads later), 1140 and 1142 are
// sent, so the register row exists before the save returns. The document travels in lParam.
void Notify(UINT message, WPARAM wParam, CSalesDocument& document) {
  HWND owner = document.GetOwner();
  if (!owner) return;
  LPARAM lParam = reinterpret_cast<LPARAM>(&document);
  if (message == kMsgDocumentRenumbered)
    PostMessageW(owner, message, wParam, lParam);
  else
    SendMessageW(owner, message, wParam, lParam);
}

constexpr char16_t kSignaturePicture[] = u"KTWSignature.bmp";
constexpr char16_t kSignatureLinePicture[] = u"KTWSignatureLine.bmp";
constexpr int kRowShowMessage = 40;
constexpr int kRowRepOnScreen = 26;
constexpr int kRowRepOnPaper = 27;
constexpr int kCaptionOther1 = 32;

int Kind(const CSalesDocument& document) {
  const int type = document.GetDocType();
  return type >= 0 && type < CCustomSettings::kKinds ? type : 0;
}

bool IsContactsMode() { return CPreferences::UseOutlook(); }

std::u16string Preference(CPreferences& preferences, std::u16string_view name, std::u16string def = {}) {
  preferences.GetString(name, def);
  return def;
}

void WriteCompanyBlock(CSalesDocument& document) {
  const CCompanyInfo& c = *document.GetCompany();
  document.GetXmlDocument().WriteCompany(u"COMPANY", CBstr(c.GetUserName()), CBstr(c.GetName()),
                                         CBstr(c.GetAddress1()), CBstr(c.GetAddress2()), CBstr(c.GetAddress3()),
                                         CBstr(c.GetPhone()), CBstr(c.GetEMail()), CBstr(c.GetShowLogo()));
}

void CopyCompany(const CCompanyInfo& from, CCompanyInfo& to) {
  to.SetName(from.GetName());
  to.SetUserName(from.GetUserName());
  to.SetAddress1(from.GetAddress1());
  to.SetAddress2(from.GetAddress2());
  to.SetAddress3(from.GetAddress3());
  to.SetPhone(from.GetPhone());
  to.SetEMail(from.GetEMail());
  to.SetShowLogo(from.GetShowLogo());
}

// Draws the strokes into the signature picture of the image folder and makes the
// document refer to it; without strokes the document refers to the empty line.
bool WriteSignaturePicture(CSalesDocument& document, std::u16string_view strokes) {
  CXmlDocument& xml = document.GetXmlDocument();
  if (strokes.empty()) {
    xml.SetSignatureFile(CBstr(kSignatureLinePicture));
    return true;
  }
  CBstr path(kSignaturePicture);
  GetImageFilePath(path);
  if (!SaveSignatureBitmap(document.GetOwner(), strokes, path.c_str())) return false;
  xml.SetSignatureFile(CBstr(kSignaturePicture));
  return true;
}

// Files a document was opened from without a number: removed once the document is saved
// under its new number. Keyed by the document and the new path, and checked again
// before anything is removed.
struct PendingRemoval {
  std::u16string newPath;
  std::u16string oldPath;
};
std::map<const CSalesDocument*, PendingRemoval>& PendingRemovals() {
  static std::map<const CSalesDocument*, PendingRemoval> pending;
  return pending;
}

void RemoveReplacedFile(CSalesDocument& document) {
  auto& pending = PendingRemovals();
  auto it = pending.find(&document);
  if (it == pending.end()) return;
  // A save elsewhere (a template, a copy) leaves the pending removal for the real save.
  if (it->second.newPath != document.GetFilePath().str()) return;
  PendingRemoval removal = it->second;
  pending.erase(it);
  if (removal.oldPath == removal.newPath) return;
  // Only the file the document came from, and only while it still has no number.
  CXmlDocument old(nullptr);
  CBstr error, id;
  if (old.LoadFile(removal.oldPath, &error) && (!old.GetRootAttribute(u"ID", &id) || id.IsEmpty()))
    DeleteFileW(removal.oldPath.c_str());
}


}  // namespace


std::u16string BuildSkeleton(int type) {
  UINT root;
  switch (type) {
    case 1: root = IDS_SKELETON_ESTIMATE; break;
    case 2: root = IDS_SKELETON_SALES_RECEIPT; break;
    case 3: root = IDS_SKELETON_PAYMENT; break;
    case 4: root = IDS_SKELETON_SALES_ORDER; break;
    case 5: root = IDS_SKELETON_CREDIT_MEMO; break;
    default: root = IDS_SKELETON_INVOICE; break;
  }
  std::u16string text;
  for (UINT id : {static_cast<UINT>(IDS_SKELETON_DECLARATION), root, static_cast<UINT>(IDS_SKELETON_COMPANY_SHIPTO),
                  static_cast<UINT>(IDS_SKELETON_CUSTOMER), static_cast<UINT>(IDS_SKELETON_JOB),
                  static_cast<UINT>(IDS_SKELETON_TOTALS), static_cast<UINT>(IDS_SKELETON_END)})
    text += LoadResText(id);
  return text;
}

void InitNew(CSalesDocument& document, int styleCode, int type) {
  CWaitCursorScope wait;
  // A file left by an opened document that was never saved is no business of this one,
  // even when the new document draws the same number.
  PendingRemovals().erase(&document);
  CXmlDocument& xml = document.GetXmlDocument();
  document.SetVersion(kCurrentDocumentVersion);
  document.SetCachedTotal(0);
  document.SetSignatureFlag(0);
  document.SetTakeCustomerTax(true);
  document.SetDocType(type);
  // Nothing of a document shown before may carry over: no current line, no term days, no
  // customer's price level.
  document.SelectLineItem(CBstr());
  document.SetTermDays(0);
  document.SetPriceLevelFactor(0);
  document.GetCustomer()->Reset();
  {
    CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
    CopyCompany(company, *document.GetCompany());
  }
  CPreferences preferences;
  if (IDocumentView* view = document.GetView()) {
    view->SetFitToScreen(preferences.GetDword(u"FitToScreen", 1) != 0);
    view->SetZoomLevel(static_cast<int>(preferences.GetDword(u"FontSize", 1)));
  }
  document.LoadViewPreferences();
  xml.LoadXmlText(BuildSkeleton(type));
  // The figures are the new document's (its empty totals) until the first recalculation.
  document.ReadTotalsFromDocument();

  document.SetStyle(styleCode);
  xml.SetRootAttribute(u"STYLE", CBstr(platform::ToUtf16(std::to_string(styleCode))));

  CBstr path, number;
  GetNextDocumentNumber(document.GetOwner(), path, number, type);
  document.SetFilePath(path.str());
  document.SetNewDocument(true);
  document.SetNumberFromCounter(true);
  xml.SetRootAttribute(u"ID", number);

  document.SetDateToday();
  document.SetDueDateFromToday();
  document.SetDocTypeAttribute(u"DOCTYPE", type);

  CJobRecord job;
  CBstr today;
  GetTodayDateText(today);
  job.SetField(4, today);
  job.SetField(5, today);
  document.SetJob(job);

  WriteCompanyBlock(document);

  const int kind = Kind(document);
  const CCustomSettings& settings = document.GetCustomSettings();
  const std::u16string taxName = Preference(preferences, u"LastTaxName");
  std::u16string taxRate = Preference(preferences, u"LastTaxRate");
  const std::u16string taxVendor = Preference(preferences, u"LastTaxVendor");
  const std::u16string logo = Preference(preferences, u"LastLogo");
  const std::u16string terms = Preference(preferences, u"LastTerms");
  const std::u16string shipVia = Preference(preferences, u"LastShipVia");
  std::u16string rep, repFullName;
  if (settings.GetFlag(kind, kRowRepOnScreen) || settings.GetFlag(kind, kRowRepOnPaper)) {
    rep = Preference(preferences, u"LastREP");
    repFullName = Preference(preferences, u"LastREPFullName");
  }
  // An imported settings file may hold any figure: a side is kept within what a picture
  // can be, and never converted from beyond an int.
  const auto logoSide = [&](const char16_t* name) {
    return static_cast<int>(std::clamp(ParseNumberText(Preference(preferences, name, u"32")), 0.0, 16384.0));
  };
  const int logoWidth = logoSide(u"LogoWidth");
  const int logoHeight = logoSide(u"LogoHeight");

  if (!document.GetUseSalesTax()) taxRate = u"0.00%";
  document.SetTax(CBstr(taxName), CBstr(taxRate), CBstr(taxVendor), true);
  if (!logo.empty()) document.SetLogo(logo.c_str(), logoWidth, logoHeight, false, false);
  if (type != kDocPayment && type != kDocSalesOrder && type != kDocCreditMemo) document.SetTerms(CBstr(terms));

  xml.SetRootAttribute(u"REP", CBstr(rep));
  xml.SetRootAttribute(u"REP_FULLNAME", CBstr(repFullName));
  xml.SetRootAttribute(u"SHIPVIA", CBstr(shipVia));
  xml.SetRootAttribute(u"PAYMENT", CBstr(u""));
  for (int i = 0; i < 3; ++i) {
    const std::u16string name = u"OTHER" + platform::ToUtf16(std::to_string(i + 1)) + u"FIELDNAME";
    xml.SetRootAttribute(name, CBstr(settings.GetCaption(kind, kCaptionOther1 + i)));
  }

  static const char16_t* const kMessageNames[] = {u"LastMsg", u"LastEstMsg", u"LastRecMsg",
                                                  u"LastPayMsg", u"LastSOMsg", u"LastCMMsg"};
  std::u16string message = Preference(preferences, kMessageNames[kind]);
  std::u16string messageId = Preference(preferences, std::u16string(kMessageNames[kind]) + u"ListID");
  if (kind != 0 && message.empty()) {
    message = Preference(preferences, u"LastMsg");
    messageId = Preference(preferences, u"LastMsgListID");
  }
  document.SetCustomerMessage(CBstr(message), CBstr(messageId));
  xml.SetRootAttribute(u"SHOWMSG", CBstr(settings.GetFlag(kind, kRowShowMessage) ? u"YES" : u"NO"));

  document.RebuildStylesheet();
  document.ApplyDefaultNotes();
  document.SetPrintFlags();
  // A document nobody has touched yet is not modified, print flags included.
  document.SetModified(false);
}

bool Open(CSalesDocument& document, std::u16string_view path) {
  CXmlDocument& xml = document.GetXmlDocument();
  HWND owner = document.GetOwner();
  document.SetNewDocument(false);
  document.SetSignatureFlag(0);
  document.SetTakeCustomerTax(true);
  document.SetNumberFromCounter(false);
  document.LoadViewPreferences();
  PendingRemovals().erase(&document);
  // A current line of the document shown before names no line of this one: a key that
  // happens to exist here too would put new lines in the middle.
  document.SelectLineItem(CBstr());

  CBstr error;
  if (!xml.LoadFile(path, &error)) {
    // A file too large to be a document says so before the same question.
    const std::u16string text =
        (error.view() == CXmlDocument::DocumentTooLargeText(path) ? error.str()
                                                                  : u"Failed to load '" + std::u16string(path) + u"'.") +
        u"  Would you like to move the document to the deleted folder?";
    if (MessageBoxW(owner, text.c_str(), u"Slateway", MB_YESNO | kStyleWarning) == IDYES)
      MoveDocumentToDeleted(CBstr(std::u16string(path)));
    return false;
  }

  const CDocumentFileHeader header = ApplyOlderFileRules(xml, owner, true);
  const bool memorized = header.storedType == kDocMemorized;
  document.SetDocType(header.openType);
  document.SetVersion(header.version);
  // Due dates count the days of this document's terms, not those of the one shown before.
  {
    CBstr termDays;
    xml.GetRootAttribute(u"TERMDAYS", &termDays);
    document.SetTermDays(BstrToInt(termDays.view()));
  }

  CBstr strokes;
  xml.ReadSignature(&strokes);
  if (!strokes.IsEmpty()) {
    if (memorized)
      SetSignature(document, u"", false, false, true);
    else
      document.SetSignatureFlag(1);
  }
  strokes = CBstr();
  xml.ReadSignature(&strokes);

  std::u16string filePath(path);
  if (memorized) {
    CBstr newPath, number;
    GetNextDocumentNumber(owner, newPath, number, header.openType);
    xml.SetRootAttribute(u"ID", number);
    document.SetNewDocument(false);
    document.SetNumberFromCounter(true);
    SYSTEMTIME today;
    GetLocalTime(&today);
    document.SetDate(today);
    document.SetPrintFlags();
    filePath = newPath.str();
  }
  document.SetFilePath(filePath);

  LoadCustomer(document);
  xml.ReadCompany(document.GetCompany());
  document.SetStyle(header.style);
  xml.ReadJob(document.GetJob());
  CBstr taxName, taxRate, taxVendor;
  document.GetTax(taxName, taxRate, taxVendor);
  IDocumentLists* lists = GetDocumentLists();
  document.SetPriceLevelFactor(lists ? lists->GetLevelFactor(document.GetCustomer()->FieldView(kCustPriceLevel)) : 0);

  if (document.GetTakeCustomerTax() && !taxName.IsEmpty() && taxRate.IsEmpty() && lists) {
    CBstr rate;
    if (lists->GetSalesTaxRate(taxName.view(), rate)) document.SetTax(taxName, rate, taxVendor, true);
  }
  // The cached figures are the file's until something is recalculated.
  document.ReadTotalsFromDocument();
  document.SetCachedTotal(ParseNumberText(document.GetTotalText().view()));

  WriteSignaturePicture(document, strokes.view());

  bool renumbered = false;
  CBstr id;
  xml.GetRootAttribute(u"ID", &id);
  if (!memorized && id.IsEmpty()) {
    CBstr newPath, number;
    GetNextDocumentNumber(owner, newPath, number, header.openType);
    xml.SetRootAttribute(u"ID", number);
    document.SetFilePath(newPath.str());
    // The file it came from goes only once the document is saved under the new number:
    // a document the user then does not save is not lost.
    PendingRemovals()[&document] = {newPath.str(), std::u16string(path)};
    Notify(kMsgDocumentRenumbered, 1, document);
    document.SetNumberFromCounter(true);
    document.SetNewDocument(true);
    WriteCompanyBlock(document);
    if (xml.CountElements(u"COMPANY") == 0) ShowUpdateError(owner, u"Company");
    renumbered = true;
  }
  document.RebuildStylesheet();
  document.SetModified(memorized || renumbered);
  return true;
}

bool Save(CSalesDocument& document, bool keepZeroQuantities) {
  if (document.GetFilePath().IsEmpty()) return false;
  CXmlDocument& xml = document.GetXmlDocument();
  HWND owner = document.GetOwner();
  CWaitCursorScope wait;
  bool existed = FileExists(document.GetFilePath().view());
  if (document.IsNewDocument() && existed) {
    wait.End();
    if (MessageBoxFromResource(owner, IDS_NUMBER_TAKEN_RENUMBER, MB_OKCANCEL | kStyleWarning) == IDCANCEL)
      return false;
    CBstr path, number;
    GetNextDocumentNumber(owner, path, number, document.GetDocType());
    xml.SetRootAttribute(u"ID", number);
    document.SetFilePath(path.str());
    document.SetNumberFromCounter(true);
    const std::u16string text = platform::FormatWide(u"The new number is %s", {number.str()});
    MessageBoxW(owner, text.c_str(), u"Slateway", kStyleInformation);
    existed = false;
    wait.Begin();
  }
  document.SetFilePath(document.GetFilePath().str());  // FILENAME follows the path

  if (!keepZeroQuantities && document.GetBoolAttribute(u"REMOVEZEROQTY", false)) {
    std::vector<CBstr> zeroLines;
    CBstr type, quantity;
    for (auto row = document.GetFirstLineRow(1, &type, &quantity); row;
         row = document.GetNextLineRow(1, &type, &quantity)) {
      if (quantity.view() == u"0" && type.view() != u"QVNLABEL" && row->GetKey()) zeroLines.emplace_back(row->GetKey());
    }
    // Only a removed current line stops being current; any other stays the editor's.
    const bool hadCurrent = !document.GetCurrentLineKey().IsNull();
    for (const CBstr& key : zeroLines) document.DeleteLineItem(key, nullptr, false, false);
    if (hadCurrent && document.GetCurrentLineKey().IsNull()) document.SelectLineItem(CBstr());
  }

  const std::u16string path = document.GetFilePath().str();
  if (!xml.SaveFile(path)) {
    wait.End();
    ShowWarningResText(owner, IDS_FILE_NOT_WRITTEN, path.c_str());
    return false;  // still new and modified: a retry checks the number again
  }
  CBstr id;
  xml.GetRootAttribute(u"ID", &id);
  UpdateNumberCounterOnSave(document.GetDocType(), id.view(), document.IsNumberFromCounter());
  document.SetNewDocument(false);
  document.SetModified(false);
  RemoveReplacedFile(document);
  wait.End();
  Notify(existed ? kMsgDocumentSavedOver : kMsgDocumentSavedNew, 0, document);
  return true;
}

bool SaveAs(CSalesDocument& document, std::u16string_view path, int type) {
  if (type != kDocMemorized) {
    const bool first = Save(document, false);
    document.SetFilePath(path);
    const bool second = Save(document, false);
    return first && second;
  }
  CXmlDocument& xml = document.GetXmlDocument();
  const int ownType = document.GetDocType();
  const std::u16string ownPath = document.GetFilePath().str();
  const bool wasNew = document.IsNewDocument();
  const bool fromCounter = document.IsNumberFromCounter();
  document.SetDocTypeAttribute(u"ORIGINAL_DOCTYPE", ownType);
  document.SetDocTypeAttribute(u"DOCTYPE", kDocMemorized);
  document.SetFilePath(path);
  // The template is no document of the counter and no new document of its own.
  document.SetNewDocument(false);
  document.SetNumberFromCounter(false);
  const bool memorized = Save(document, true);
  document.SetDocTypeAttribute(u"DOCTYPE", ownType);
  document.SetFilePath(ownPath);
  document.SetNewDocument(wasNew);
  document.SetNumberFromCounter(fromCounter);
  if (!memorized) {
    document.SetModified(true);
    return false;
  }
  xml.SetRootAttribute(u"ORIGINAL_DOCTYPE", CBstr());
  return Save(document, true);
}

bool ConvertToInvoice(CSalesDocument& document) {
  CXmlDocument& xml = document.GetXmlDocument();
  if (document.IsModified()) {
    Save(document, false);
    document.SetModified(true);
  }
  bool written;
  {
    CWaitCursorScope wait;
    CBstr path, number;
    GetNextDocumentNumber(document.GetOwner(), path, number, kDocInvoice);
    xml.SetRootAttribute(u"ID", number);
    // The invoice is a file of its own: the estimate or sales order stays as it was.
    document.SetFilePath(path.str());
    document.SetNewDocument(true);
    document.SetNumberFromCounter(true);
    written = xml.SetRootAttribute(u"DOCTYPE", CBstr(u"INVOICE"));
    CJobRecord* job = document.GetJob();
    if (job && job->GetField(2) && std::u16string_view(job->GetField(2)) == u"ESTIMATE") {
      CJobRecord copy;
      for (int slot = 0; slot < CJobRecord::kSlots; ++slot)
        copy.SetField(slot, job->GetField(slot) ? CBstr(job->GetField(slot)) : CBstr());
      copy.SetField(2, CBstr(u""));
      document.SetJob(copy);
    }
    if (written) {
      document.SetDocType(kDocInvoice);
      document.RebuildStylesheet();
    }
    SYSTEMTIME today;
    GetLocalTime(&today);
    document.SetDate(today);
  }
  document.SetModified(true);
  document.Render(2, -1);
  return written;
}

bool Void(CSalesDocument& document) {
  const int type = document.GetDocType();
  if (type != kDocInvoice && type != kDocSalesReceipt) return true;
  if (MessageBoxFromResource(document.GetOwner(), IDS_CONFIRM_VOID, kStyleYesNoWarning) != IDYES) return true;
  CXmlDocument& xml = document.GetXmlDocument();
  xml.SetRootAttribute(u"VOID", CBstr(u"YES"));
  CBstr zero;
  FormatCurrencyValue(0, zero, true);
  CLineItemTexts values;
  values.price = zero;
  const LONG lines = xml.CountElements(u"LINEITEM");
  for (LONG i = 0; i < lines; ++i) xml.UpdateLineItemAt(i, values);
  document.RecalcTotals();
  document.SetModified(true);
  return true;
}

void LoadCustomer(CSalesDocument& document) {
  CCustomerRecord* customer = document.GetCustomer();
  customer->Reset();
  customer->SetByCompany(document.GetUseBusinessAddress());
  document.GetXmlDocument().ReadCustomer(customer, IsContactsMode());
}

void SetCustomer(CSalesDocument& document, const CCustomerRecord& customer) {
  CXmlDocument& xml = document.GetXmlDocument();
  CCustomerRecord* own = document.GetCustomer();
  for (int i = 0; i < kCustomerFieldCount; ++i) own->Fields()[i] = customer.Fields()[i];
  xml.WriteCustomer(*own, IsContactsMode());
  CShipToTexts shipTo;
  auto field = [&](int index) { return CBstr(customer.FieldView(index)); };
  shipTo.name = field(kCustName);
  shipTo.address1 = field(kCustShipToAddr1);
  shipTo.address2 = field(kCustShipToAddr2);
  shipTo.address3 = field(kCustShipToAddr3);
  shipTo.city = field(kCustShipToCity);
  shipTo.state = field(kCustShipToState);
  shipTo.zip = field(kCustShipToPostalCode);
  shipTo.country = field(kCustShipToCountry);
  xml.WriteShipTo(shipTo);

  document.SetTerms(field(kCustTerms));
  document.SetAllLinesTaxCode(field(kCustSalesTaxCode));

  // A customer of the table that stands for a job carries the job's texts.
  if (!customer.FieldView(kCustJobStatus).empty() || !customer.FieldView(kCustJobDesc).empty() ||
      !customer.FieldView(kCustJobType).empty() || !customer.FieldView(kCustJobStartDate).empty()) {
    CJobRecord job;
    job.SetField(0, field(kCustName));
    job.SetField(1, field(kCustJobDesc));
    job.SetField(2, field(kCustJobType));
    job.SetField(3, field(kCustJobStatus));
    job.SetField(4, field(kCustJobStartDate));
    job.SetField(6, field(kCustJobProjectedEndDate));
    job.SetField(7, field(kCustJobEndDate));
    job.SetField(15, field(kCustListID));
    document.SetJob(job);
    document.RebuildStylesheet();
  }

  const double oldFactor = document.GetPriceLevelFactor();
  IDocumentLists* lists = GetDocumentLists();
  const double newFactor = lists ? lists->GetLevelFactor(customer.FieldView(kCustPriceLevel)) : 0;
  document.SetPriceLevelFactor(newFactor);
  document.SetModified(true);
  document.SetRepFromCustomer();
  document.ApplyCustomerTax();
  if (xml.HasLineItems() && oldFactor != newFactor) ShowWarningMessage(document.GetOwner(), IDS_PRICE_LEVEL_CHANGED);
  document.RecalcTotals();
}

void SetCompany(CSalesDocument& document, const CCompanyInfo& company) {
  CopyCompany(company, *document.GetCompany());
  WriteCompanyBlock(document);
  document.RebuildStylesheet();
}

bool SetSignature(CSalesDocument& document, std::u16string_view strokes, bool rebuild, bool stamp, bool quiet) {
  CWaitCursorScope wait;
  CXmlDocument& xml = document.GetXmlDocument();
  if (!quiet) document.SetModified(true);
  const bool signedNow = !strokes.empty();
  document.SetSignatureFlag(signedNow ? 1 : 0);
  xml.SetSignature(CBstr(std::u16string(strokes)));
  bool ok = true;
  if (signedNow) {
    ok = WriteSignaturePicture(document, strokes);
    if (ok && stamp) {
      CBstr date, time;
      GetTodayDateText(date);
      GetCurrentTimeText(time);
      xml.SetRootAttribute(u"SIGNED", CBstr(u"(signed " + date.str() + u" - " + time.str() + u")"));
    }
  } else {
    xml.SetRootAttribute(u"SIGNED", CBstr(u""));
    WriteSignaturePicture(document, u"");
  }
  const int kind = Kind(document);
  CCustomSettings& settings = document.GetCustomSettings();
  if (signedNow && !settings.GetFlag(kind, kRowShowSignature)) {
    settings.SetFlag(kind, kRowShowSignature, 1);
    settings.SetFlag(kind, kRowShowSignature + 1, 1);
    CPreferences preferences;
    preferences.SetDword(u"ShowSignature", 1);
  }
  if (rebuild) document.RebuildStylesheet();
  if (!quiet && CPreferences::RoSigned()) {
    wait.End();
    if (!Save(document, false)) ok = false;
  }
  return ok;
}
