// The operations of a sales document as a whole: a new document of a type, open, save,
// save under another name or as a template, convert to an invoice, void, and the
// customer, company and signature blocks.
#include <algorithm>
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
#include "document/LineFigures.h"
#include "document/SalesDocument.h"
#include "platform/base/Format.h"
#include "platform/kernel/FileHandles.h"
#include "platform/kernel/Files.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kSignaturePicture[] = u"KTWSignature.bmp";

// What tells one version of a file from the next: a save replaces the file, so its
// creation and write times change even when its size does not.
std::optional<std::array<DWORD, 6>> ReadFileStamp(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  CFindHandle search(FindFirstFileW(path.c_str(), &data));
  if (!search) return std::nullopt;
  return std::array<DWORD, 6>{data.ftCreationTime.dwLowDateTime, data.ftCreationTime.dwHighDateTime,
                              data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime,
                              data.nFileSizeLow, data.nFileSizeHigh};
}
constexpr char16_t kSignatureLinePicture[] = u"KTWSignatureLine.bmp";
constexpr int kRowShowMessage = 40;
constexpr int kRowRepOnScreen = 26;
constexpr int kRowRepOnPaper = 27;
constexpr int kCaptionOther1 = 32;

bool IsContactsMode() { return CPreferences::UseOutlook(); }


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

}  // namespace

// ---- Helpers of the operations ----------------------------------------------------------------

// 1139 is posted (the register reloads later), 1140 and 1142 are sent, so the register row
// exists before the save returns. The document travels in lParam.
void CSalesDocument::NotifyOwner(UINT message, WPARAM wParam) {
  if (!m_owner) return;
  LPARAM lParam = reinterpret_cast<LPARAM>(this);
  if (message == kMsgReloadRegister)
    PostMessageW(m_owner, message, wParam, lParam);
  else
    SendMessageW(m_owner, message, wParam, lParam);
}

CDecimal CSalesDocument::GetBalanceAmount() {
  const CBstr text = m_docType == kDocPayment ? GetAttribute(u"PAYAMOUNT") : GetTotalText();
  return ReadLineFigure(text.view()).Cents();
}

void CSalesDocument::RememberFileState() {
  m_previousAmount = GetBalanceAmount();
  m_previousKind = m_docType;
  m_previousCustomer = CBstr();
  GetXmlDocument().GetCustomerFullName(&m_previousCustomer);
  m_stampPath = GetFilePath().str();
  m_fileStamp = ReadFileStamp(m_stampPath);
}

void CSalesDocument::RememberReplacedFile(std::u16string_view path) {
  // An unreadable file and a template owe nothing: there is nothing to take back.
  m_previousAmount = CDecimal();
  m_previousKind = kDocMemorized;
  m_previousCustomer = CBstr();
  CXmlDocument replaced(nullptr);
  CBstr error, amount;
  if (!replaced.LoadFile(path, &error)) return;
  const int kind = ReadDocumentType(replaced, false);
  if (kind == kDocMemorized) return;
  if (kind == kDocPayment)
    replaced.GetRootAttribute(u"PAYAMOUNT", &amount);
  else
    replaced.ReadTotal(&amount);
  m_previousAmount = ReadLineFigure(amount.view()).Cents();
  m_previousKind = kind;
  replaced.GetCustomerFullName(&m_previousCustomer);
}

void CSalesDocument::WriteCompanyBlock() {
  const CCompanyInfo& c = *m_company;
  m_xml->WriteCompany(u"COMPANY", CBstr(c.GetUserName()), CBstr(c.GetName()), CBstr(c.GetAddress1()),
                      CBstr(c.GetAddress2()), CBstr(c.GetAddress3()), CBstr(c.GetPhone()), CBstr(c.GetEMail()),
                      CBstr(c.GetShowLogo()));
}

// Draws the strokes into the signature picture of the image folder and makes the
// document refer to it; without strokes the document refers to the empty line.
bool CSalesDocument::WriteSignaturePicture(std::u16string_view strokes) {
  if (strokes.empty()) {
    m_xml->SetSignatureFile(CBstr(kSignatureLinePicture));
    return true;
  }
  CBstr path(kSignaturePicture);
  GetImageFilePath(path);
  if (!SaveSignatureBitmap(m_owner, strokes, path.c_str())) return false;
  m_xml->SetSignatureFile(CBstr(kSignaturePicture));
  return true;
}

void CSalesDocument::RemoveReplacedFile() {
  if (!m_pendingRemoval) return;
  // A save elsewhere (a template, a copy) leaves the pending removal for the real save.
  if (m_pendingRemoval->newPath != m_filePath.str()) return;
  const PendingRemoval removal = *m_pendingRemoval;
  m_pendingRemoval.reset();
  if (removal.oldPath == removal.newPath) return;
  // Only the file the document came from, and only while it still has no number.
  CXmlDocument old(nullptr);
  CBstr error, id;
  if (old.LoadFile(removal.oldPath, &error) && (!old.GetRootAttribute(u"ID", &id) || id.IsEmpty()))
    DeleteFileW(removal.oldPath.c_str());
}

// ---- The operations ---------------------------------------------------------------------------

std::u16string CSalesDocument::BuildSkeleton(int type) {
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

void CSalesDocument::InitNew(int styleCode, int type) {
  CWaitCursorScope wait;
  // A file left by an opened document that was never saved is no business of this one,
  // even when the new document draws the same number.
  m_pendingRemoval.reset();
  // Line changes not yet shown belong to the document shown before.
  m_pageChanges.clear();
  CXmlDocument& xml = GetXmlDocument();
  m_version = kCurrentDocumentVersion;
  m_cachedTotal = 0;
  m_signed = 0;
  m_takeCustomerTax = 1;
  m_docType = type;
  // Nothing of a document shown before may carry over: no current line, no term days, no
  // customer's price level.
  SelectLineItem(CBstr());
  m_termDays = 0;
  m_priceLevelFactor = 0;
  GetCustomer()->Reset();
  {
    CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
    CopyCompany(company, *GetCompany());
  }
  CPreferences preferences;
  ApplyViewChoices();
  LoadViewPreferences();
  xml.LoadXmlText(BuildSkeleton(type));
  // The figures are the new document's (its empty totals) until the first recalculation,
  // and so is the tax it charges: none until a tax is set, whatever the last one charged.
  ReadTotalsFromDocument();
  CacheTaxRate(GetAttribute(u"TAXRATE").view());

  SetStyle(styleCode);
  xml.SetRootAttribute(u"STYLE", CBstr(platform::ToUtf16(std::to_string(styleCode))));

  CBstr path, number;
  GetNextDocumentNumber(GetOwner(), path, number, type);
  SetFilePath(path.str());
  m_newDocument = 1;
  m_numberFromCounter = 1;
  xml.SetRootAttribute(u"ID", number);

  SetDateToday();
  SetDueDateFromToday();
  SetDocTypeAttribute(u"DOCTYPE", type);

  CJobRecord job;
  CBstr today;
  GetTodayDateText(today);
  job.SetField(4, today);
  job.SetField(5, today);
  SetJob(job);

  WriteCompanyBlock();

  const int kind = SettingsKind(m_docType);
  const CCustomSettings& settings = GetCustomSettings();
  const std::u16string taxName = preferences.Get(pref::kLastTaxName);
  std::u16string taxRate = preferences.Get(pref::kLastTaxRate);
  const std::u16string taxVendor = preferences.Get(pref::kLastTaxVendor);
  const std::u16string logo = preferences.Get(pref::kLastLogo);
  const std::u16string terms = preferences.Get(pref::kLastTerms);
  const std::u16string shipVia = preferences.Get(pref::kLastShipVia);
  std::u16string rep, repFullName;
  if (settings.GetFlag(kind, kRowRepOnScreen) || settings.GetFlag(kind, kRowRepOnPaper)) {
    rep = preferences.Get(pref::kLastRep);
    repFullName = preferences.Get(pref::kLastRepFullName);
  }
  // An imported settings file may hold any figure: a side is kept within what a picture
  // can be, and never converted from beyond an int.
  const auto logoSide = [&](const TextPreference& preference) {
    return static_cast<int>(std::clamp(ParseNumberText(preferences.Get(preference)), 0.0, 16384.0));
  };
  const int logoWidth = logoSide(pref::kLogoWidth);
  const int logoHeight = logoSide(pref::kLogoHeight);

  if (!GetUseSalesTax()) taxRate = u"0.00%";
  SetTax(CBstr(taxName), CBstr(taxRate), CBstr(taxVendor), true);
  if (!logo.empty()) SetLogo(logo.c_str(), logoWidth, logoHeight);
  if (type != kDocPayment && type != kDocSalesOrder && type != kDocCreditMemo) SetTerms(CBstr(terms));

  xml.SetRootAttribute(u"REP", CBstr(rep));
  xml.SetRootAttribute(u"REP_FULLNAME", CBstr(repFullName));
  xml.SetRootAttribute(u"SHIPVIA", CBstr(shipVia));
  xml.SetRootAttribute(u"PAYMENT", CBstr(u""));
  for (int i = 0; i < 3; ++i) {
    const std::u16string name = u"OTHER" + platform::ToUtf16(std::to_string(i + 1)) + u"FIELDNAME";
    xml.SetRootAttribute(name, CBstr(settings.GetCaption(kind, kCaptionOther1 + i)));
  }

  std::u16string message = preferences.Get(pref::kLastMessage[kind]);
  std::u16string messageId = preferences.Get(pref::kLastMessageListId[kind]);
  if (kind != 0 && message.empty()) {
    message = preferences.Get(pref::kLastMessage[0]);
    messageId = preferences.Get(pref::kLastMessageListId[0]);
  }
  SetCustomerMessage(CBstr(message), CBstr(messageId));
  xml.SetRootAttribute(u"SHOWMSG", CBstr(settings.GetFlag(kind, kRowShowMessage) ? u"YES" : u"NO"));

  RebuildStylesheet();
  ApplyDefaultNotes();
  SetPrintFlags();
  // A document nobody has touched yet is not modified, print flags included.
  SetModified(false);
}

void CSalesDocument::ApplyViewChoices() {
  IDocumentView* view = GetView();
  if (!view) return;
  CPreferences preferences;
  view->SetFitToScreen(preferences.Get(pref::kFitToScreen) != 0);
  view->SetZoomLevel(static_cast<int>(preferences.Get(pref::kFontSize)));
}

bool CSalesDocument::Open(std::u16string_view path) {
  CXmlDocument& xml = GetXmlDocument();
  HWND owner = GetOwner();
  m_newDocument = 0;
  m_signed = 0;
  m_takeCustomerTax = 1;
  m_numberFromCounter = 0;
  ApplyViewChoices();
  LoadViewPreferences();
  m_pendingRemoval.reset();
  // A current line of the document shown before names no line of this one: a key that
  // happens to exist here too would put new lines in the middle. Line changes not yet
  // shown belong to that document too.
  SelectLineItem(CBstr());
  m_pageChanges.clear();

  CBstr error;
  if (!xml.LoadFile(path, &error)) {
    // A file too large to be a document says so before the same question.
    // So does a file nothing could be read of, naming what is wrong with it.
    const std::u16string reason =
        error.view() == CXmlDocument::DocumentTooLargeText(path) ? error.str()
        : error.view() == u"Unknown"                              ? CXmlDocument::UnreadableFileText(path)
                                                                 : u"Failed to load '" + std::u16string(path) + u"'.";
    // Only a file can go to the deleted folder: a missing one, a folder or a pipe is named
    // and left alone.
    const std::u16string file(path);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
      MessageBoxW(owner, reason.c_str(), u"Slateway", kStyleWarning);
      return false;
    }
    const std::u16string text = reason + u"  Would you like to move the document to the deleted folder?";
    if (MessageBoxW(owner, text.c_str(), u"Slateway", MB_YESNO | kStyleWarning) == IDYES &&
        !MoveDocumentToDeleted(CBstr(file)))
      ShowWarningResText(owner, IDS_DOCUMENT_NOT_MOVED, file.c_str());
    return false;
  }

  const CDocumentFileHeader header = ApplyOlderFileRules(xml, owner, true);
  const bool memorized = header.storedType == kDocMemorized;
  m_docType = header.openType;
  m_version = header.version;
  // Due dates count the days of this document's terms, not those of the one shown before.
  {
    CBstr termDays;
    xml.GetRootAttribute(u"TERMDAYS", &termDays);
    m_termDays = BstrToInt(termDays.view());
  }

  CBstr strokes;
  xml.ReadSignature(&strokes);
  if (!strokes.IsEmpty()) {
    if (memorized)
      SetSignature(u"", {.quiet = true});
    else
      m_signed = 1;
  }
  strokes = CBstr();
  xml.ReadSignature(&strokes);

  std::u16string filePath(path);
  if (memorized) {
    CBstr newPath, number;
    GetNextDocumentNumber(owner, newPath, number, header.openType);
    xml.SetRootAttribute(u"ID", number);
    m_newDocument = 0;
    m_numberFromCounter = 1;
    SYSTEMTIME today;
    GetLocalTime(&today);
    SetDate(today);
    SetPrintFlags();
    filePath = newPath.str();
  }
  SetFilePath(filePath);

  LoadCustomer();
  xml.ReadCompany(GetCompany());
  SetStyle(header.style);
  xml.ReadJob(GetJob());
  CBstr taxName, taxRate, taxVendor;
  GetTax(taxName, taxRate, taxVendor);
  IDocumentLists* lists = GetDocumentLists();
  m_priceLevelFactor = lists ? lists->GetLevelFactor(GetCustomer()->FieldView(kCustPriceLevel)) : 0;

  if (GetTakeCustomerTax() && !taxName.IsEmpty() && taxRate.IsEmpty() && lists) {
    CBstr rate;
    if (lists->GetSalesTaxRate(taxName.view(), rate)) SetTax(taxName, rate, taxVendor, true);
  }
  // The cached figures are the file's until something is recalculated.
  ReadTotalsFromDocument();
  m_cachedTotal = ParseNumberText(GetTotalText().view());
  RememberFileState();

  WriteSignaturePicture(strokes.view());

  bool renumbered = false;
  CBstr id;
  xml.GetRootAttribute(u"ID", &id);
  if (!memorized && id.IsEmpty()) {
    CBstr newPath, number;
    GetNextDocumentNumber(owner, newPath, number, header.openType);
    xml.SetRootAttribute(u"ID", number);
    SetFilePath(newPath.str());
    // The file it came from goes only once the document is saved under the new number:
    // a document the user then does not save is not lost.
    m_pendingRemoval = PendingRemoval{newPath.str(), std::u16string(path)};
    NotifyOwner(kMsgReloadRegister, 1);
    m_numberFromCounter = 1;
    m_newDocument = 1;
    WriteCompanyBlock();
    if (xml.CountElements(u"COMPANY") == 0) ShowUpdateError(owner, u"Company");
    renumbered = true;
  }
  RebuildStylesheet();
  SetModified(memorized || renumbered);
  return true;
}

bool CSalesDocument::TakeFreeNumber(CWaitCursorScope& wait) {
  HWND owner = GetOwner();
  wait.End();
  if (MessageBoxFromResource(owner, IDS_NUMBER_TAKEN_RENUMBER, MB_OKCANCEL | kStyleWarning) == IDCANCEL) return false;
  CBstr path, number;
  GetNextDocumentNumber(owner, path, number, GetDocType());
  GetXmlDocument().SetRootAttribute(u"ID", number);
  // A file opened without a number still goes once the document stands in its new file.
  if (m_pendingRemoval && m_pendingRemoval->newPath == GetFilePath().view()) m_pendingRemoval->newPath = path.str();
  SetFilePath(path.str());
  m_numberFromCounter = 1;
  const std::u16string text = platform::FormatWide(u"The new number is %s", {number.str()});
  MessageBoxW(owner, text.c_str(), u"Slateway", kStyleInformation);
  wait.Begin();
  return true;
}

bool CSalesDocument::Save(bool keepZeroQuantities) {
  if (GetFilePath().IsEmpty()) return false;
  CXmlDocument& xml = GetXmlDocument();
  HWND owner = GetOwner();
  CWaitCursorScope wait;
  bool existed = FileExists(GetFilePath().view());
  if (IsNewDocument() && existed) {
    if (!TakeFreeNumber(wait)) return false;
    existed = false;
  }
  SetFilePath(GetFilePath().str());  // FILENAME follows the path
  // Another program (or another copy of this one) saved the file after this document
  // read it: writing now would silently undo what it saved.
  if (existed && m_fileStamp && m_stampPath == GetFilePath().view() &&
      ReadFileStamp(m_stampPath) != m_fileStamp) {
    wait.End();
    const std::u16string text = platform::FormatWide(
        u"The document %s was changed after you opened it (by another program or an update from the desktop), so "
        u"your changes were not saved.  "
        u"The document stays open: use Save As to keep your changes in another file.",
        {GetFilePath().str()});
    MessageBoxW(owner, text.c_str(), u"Slateway", kStyleWarning);
    return false;
  }

  if (!keepZeroQuantities && GetBoolAttribute(u"REMOVEZEROQTY", false)) {
    std::vector<CBstr> zeroLines;
    CBstr type, quantity;
    for (auto row = GetFirstLineRow(1, &type, &quantity); row;
         row = GetNextLineRow(1, &type, &quantity)) {
      if (quantity.view() == u"0" && type.view() != u"QVNLABEL" && row->GetKey()) zeroLines.emplace_back(row->GetKey());
    }
    // Only a removed current line stops being current; any other stays the editor's.
    const bool hadCurrent = !GetCurrentLineKey().IsNull();
    for (const CBstr& key : zeroLines) DeleteLineItem(key, nullptr, false, false);
    if (hadCurrent && GetCurrentLineKey().IsNull()) SelectLineItem(CBstr());
  }

  // Only the file the document already stands in is replaced: any other file at its path
  // is another document's, even one that appeared after the check above.
  bool written = existed ? xml.SaveFile(GetFilePath().view()) : xml.SaveNewFile(GetFilePath().view());
  while (!written && !existed && IsNewDocument() && GetLastError() == ERROR_FILE_EXISTS) {
    if (!TakeFreeNumber(wait)) return false;
    written = xml.SaveNewFile(GetFilePath().view());
  }
  if (!written) {
    wait.End();
    ShowWarningResText(owner, IDS_FILE_NOT_WRITTEN, GetFilePath().c_str());
    return false;  // still new and modified: a retry checks the number again
  }
  CBstr id;
  xml.GetRootAttribute(u"ID", &id);
  UpdateNumberCounterOnSave(GetDocType(), id.view(), IsNumberFromCounter());
  m_newDocument = 0;
  SetModified(false);
  RemoveReplacedFile();
  wait.End();
  NotifyOwner(existed ? kMsgDocumentSaved : kMsgDocumentAdded, 0);
  // The owner has moved the balances to the saved figures: the next save starts from them.
  RememberFileState();
  return true;
}

bool CSalesDocument::SaveAs(std::u16string_view path, int type) {
  if (type != kDocMemorized) {
    // Saving under the old name first would leave a second file of the same sale, its
    // amount counted twice in the customer's balance.
    const std::u16string ownPath = GetFilePath().str();
    const bool wasNew = IsNewDocument();
    const CDecimal ownAmount = m_previousAmount;
    const int ownKind = m_previousKind;
    const CBstr ownCustomer = m_previousCustomer;
    // Another document's file that is replaced takes its own figure out of the balances,
    // not the figure of the file this document came from.
    const bool replacing = !IsSameDevicePath(path, ownPath) && FileExists(path);
    if (replacing) RememberReplacedFile(path);
    SetFilePath(path);
    // The user chose this file: one that exists is replaced, not a reason to renumber.
    m_newDocument = 0;
    if (Save(false)) return true;
    SetFilePath(ownPath);
    m_newDocument = wasNew ? 1 : 0;
    m_previousAmount = ownAmount;
    m_previousKind = ownKind;
    m_previousCustomer = ownCustomer;
    return false;
  }
  CXmlDocument& xml = GetXmlDocument();
  const int ownType = GetDocType();
  const std::u16string ownPath = GetFilePath().str();
  const bool wasNew = IsNewDocument();
  const bool fromCounter = IsNumberFromCounter();
  SetDocTypeAttribute(u"ORIGINAL_DOCTYPE", ownType);
  SetDocTypeAttribute(u"DOCTYPE", kDocMemorized);
  SetFilePath(path);
  // The template is no document of the counter and no new document of its own.
  m_newDocument = 0;
  m_numberFromCounter = 0;
  // The template is no sale: what the document's own file holds stays the reference.
  const CDecimal previousAmount = m_previousAmount;
  const int previousKind = m_previousKind;
  const CBstr previousCustomer = m_previousCustomer;
  const std::u16string stampPath = m_stampPath;
  const auto fileStamp = m_fileStamp;
  const bool memorized = Save(true);
  m_previousAmount = previousAmount;
  m_previousKind = previousKind;
  m_previousCustomer = previousCustomer;
  m_stampPath = stampPath;
  m_fileStamp = fileStamp;
  SetDocTypeAttribute(u"DOCTYPE", ownType);
  SetFilePath(ownPath);
  m_newDocument = wasNew ? 1 : 0;
  m_numberFromCounter = fromCounter ? 1 : 0;
  if (!memorized) {
    SetModified(true);
    return false;
  }
  xml.SetRootAttribute(u"ORIGINAL_DOCTYPE", CBstr());
  return Save(true);
}

bool CSalesDocument::ConvertToInvoice() {
  CXmlDocument& xml = GetXmlDocument();
  if (IsModified()) {
    Save(false);
    SetModified(true);
  }
  bool written;
  {
    CWaitCursorScope wait;
    CBstr path, number;
    GetNextDocumentNumber(GetOwner(), path, number, kDocInvoice);
    xml.SetRootAttribute(u"ID", number);
    // The invoice is a file of its own: the estimate or sales order stays as it was.
    SetFilePath(path.str());
    m_newDocument = 1;
    m_numberFromCounter = 1;
    written = xml.SetRootAttribute(u"DOCTYPE", CBstr(u"INVOICE"));
    CJobRecord* job = GetJob();
    if (job && job->GetField(2) && std::u16string_view(job->GetField(2)) == u"ESTIMATE") {
      CJobRecord copy;
      for (int slot = 0; slot < CJobRecord::kSlots; ++slot)
        copy.SetField(slot, job->GetField(slot) ? CBstr(job->GetField(slot)) : CBstr());
      copy.SetField(2, CBstr(u""));
      SetJob(copy);
    }
    if (written) {
      m_docType = kDocInvoice;
      RebuildStylesheet();
    }
    SYSTEMTIME today;
    GetLocalTime(&today);
    SetDate(today);
  }
  SetModified(true);
  Render(RenderMode::KeepPosition, -1);
  return written;
}

bool CSalesDocument::Void() {
  const int type = GetDocType();
  if (type != kDocInvoice && type != kDocSalesReceipt) return true;
  if (MessageBoxFromResource(GetOwner(), IDS_CONFIRM_VOID, kStyleYesNoWarning) != IDYES) return true;
  CXmlDocument& xml = GetXmlDocument();
  xml.SetRootAttribute(u"VOID", CBstr(u"YES"));
  CBstr zero;
  FormatCurrencyValue(0, zero, true);
  CLineItemTexts values;
  values.price = zero;
  const LONG lines = xml.CountElements(u"LINEITEM");
  for (LONG i = 0; i < lines; ++i) xml.UpdateLineItemAt(i, values);
  RecalcTotals();
  SetModified(true);
  return true;
}

void CSalesDocument::LoadCustomer() {
  CCustomerRecord* customer = GetCustomer();
  customer->Reset();
  customer->SetByCompany(GetUseBusinessAddress());
  GetXmlDocument().ReadCustomer(customer, IsContactsMode());
}

void CSalesDocument::SetCustomer(const CCustomerRecord& customer, const CCustomerRecord* before) {
  CXmlDocument& xml = GetXmlDocument();
  CCustomerRecord* own = GetCustomer();
  auto changed = [&](int field) { return !before || before->FieldView(field) != customer.FieldView(field); };
  const bool newTaxCode = changed(kCustSalesTaxCode);
  const bool newSalesTax = changed(kCustItemSalesTax);
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

  SetTerms(field(kCustTerms));
  if (newTaxCode) SetAllLinesTaxCode(field(kCustSalesTaxCode));

  // A customer below another one is a job, whatever its Job Info page holds (a new job
  // may have it all empty); the document takes the job with its texts.
  if (BstrToInt(customer.FieldView(kCustSublevel)) > 0) {
    CJobRecord job;
    job.SetField(0, field(kCustName));
    job.SetField(1, field(kCustJobDesc));
    job.SetField(2, field(kCustJobType));
    job.SetField(3, field(kCustJobStatus));
    job.SetField(4, field(kCustJobStartDate));
    job.SetField(6, field(kCustJobProjectedEndDate));
    job.SetField(7, field(kCustJobEndDate));
    job.SetField(15, field(kCustListID));
    SetJob(job);
    RebuildStylesheet();
  } else if (m_job && !CBstr(m_job->GetField(0)).IsEmpty()) {
    // A customer who is no job leaves no earlier job on the document.
    SetJob(CJobRecord());
    RebuildStylesheet();
  }

  const double oldFactor = GetPriceLevelFactor();
  IDocumentLists* lists = GetDocumentLists();
  const double newFactor = lists ? lists->GetLevelFactor(customer.FieldView(kCustPriceLevel)) : 0;
  m_priceLevelFactor = newFactor;
  SetModified(true);
  SetRepFromCustomer();
  if (newSalesTax) ApplyCustomerTax();
  if (xml.HasLineItems() && oldFactor != newFactor) ShowWarningMessage(GetOwner(), IDS_PRICE_LEVEL_CHANGED);
  RecalcTotals();
}

void CSalesDocument::SetCompany(const CCompanyInfo& company) {
  CopyCompany(company, *GetCompany());
  WriteCompanyBlock();
  RebuildStylesheet();
}

bool CSalesDocument::SetSignature(std::u16string_view strokes, SignatureChange change) {
  CWaitCursorScope wait;
  CXmlDocument& xml = GetXmlDocument();
  if (!change.quiet) SetModified(true);
  const bool signedNow = !strokes.empty();
  m_signed = signedNow ? 1 : 0;
  xml.SetSignature(CBstr(std::u16string(strokes)));
  bool ok = true;
  if (signedNow) {
    ok = WriteSignaturePicture(strokes);
    if (ok && change.stamp) {
      CBstr date, time;
      GetTodayDateText(date);
      GetCurrentTimeText(time);
      xml.SetRootAttribute(u"SIGNED", CBstr(u"(signed " + date.str() + u" - " + time.str() + u")"));
    }
  } else {
    xml.SetRootAttribute(u"SIGNED", CBstr(u""));
    WriteSignaturePicture(u"");
  }
  const int kind = SettingsKind(m_docType);
  CCustomSettings& settings = GetCustomSettings();
  if (signedNow && !settings.GetFlag(kind, kRowShowSignature)) {
    settings.SetFlag(kind, kRowShowSignature, 1);
    settings.SetFlag(kind, kRowShowSignature + 1, 1);
    CPreferences preferences;
    preferences.Set(pref::kShowSignature, 1);
  }
  if (change.rebuild) RebuildStylesheet();
  if (!change.quiet && CPreferences::RoSigned()) {
    wait.End();
    if (!Save(false)) ok = false;
  }
  return ok;
}
