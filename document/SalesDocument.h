// The open sales document: an invoice, estimate, sales receipt, payment, sales order,
// credit memo or memorized template. Its content is the XML text held by its
// CXmlDocument (root attributes = header fields, child elements = blocks and lines); the
// object adds the document's identity (type, file, number bookkeeping), the values the
// totals need, the records of its customer, company and job, and the page it is shown in.
//
// Every setter and every recalculation marks the document modified; saving clears the
// flag. Header reads of an attribute the document does not have give the empty text.
//
// The page is optional: without one (no view asked for, or no view factory installed)
// every operation works and the in-place page updates are skipped.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/WindowMessages.h"
#include "datastore/LineItemRow.h"
#include "document/DocumentServices.h"
#include "document/JobRecord.h"
#include "document/LineTotals.h"
#include "document/XmlDocument.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CCompanyInfo;
class CCustomSettings;
class CCustomerRecord;
class CDbRecord;
class CWaitCursorScope;

// What CSalesDocument::SetLogo does beside storing the picture and its size.
struct LogoChange {
  bool showColumn = false;  // the logo part switched on for the type when it was off
  bool rebuild = false;     // the stylesheet made again when the part was switched on
};

// Document types: the DOCTYPE words in order of their codes.
enum SalesDocumentType {
  kDocInvoice = 0,
  kDocEstimate = 1,
  kDocSalesReceipt = 2,
  kDocPayment = 3,
  kDocSalesOrder = 4,
  kDocCreditMemo = 5,
  kDocMemorized = 6
};

// Status bits of GetStatusFlags.
inline constexpr int kStatusSignedReadOnly = 4;
inline constexpr int kStatusVoid = 8;
inline constexpr int kStatusPaid = 16;

// View options of GetViewOption / ToggleViewOption.
inline constexpr int kViewShowLineTo = 2;
inline constexpr int kViewShowSignature = 5;
inline constexpr int kViewShowLinks = 6;

// Line-record fields the line edits use.
inline constexpr int kLineFieldType = 1;
inline constexpr int kLineFieldName = 3;
inline constexpr int kLineFieldTaxable = 8;
inline constexpr int kLineFieldQuantity = 10;
inline constexpr int kLineFieldPrice = 11;
inline constexpr int kLineFieldTotal = 12;
inline constexpr int kLineFieldKey = 13;
inline constexpr int kLineFieldPriceLevel = 21;
inline constexpr int kLineFieldTaxAmount = 22;

// Custom-settings rows the document reads (of its own type).
inline constexpr int kRowShowLogo = 4;
inline constexpr int kRowTaxOnScreen = 34;
inline constexpr int kRowTaxOnPaper = 35;
inline constexpr int kRowShowSignature = 42;
inline constexpr int kRowReuseNotes = 48;
inline constexpr int kRowLineTotalOnScreen = 61;
inline constexpr int kCaptionDefaultNotes = 22;


class CSalesDocument {
 public:
  // Builds an empty document: the XML document, the company record, the customer (a
  // contacts customer in contacts mode, a table customer otherwise) and an empty job;
  // with `createView` also the page. `customSettings` (not owned) may be null: the
  // program's instance is used then, or the copy of the stored settings that documents
  // share when there is none (AcquireSharedCustomSettings).
  CSalesDocument(HWND parent, HWND owner, int styleCode, bool createView, CCustomSettings* customSettings);
  virtual ~CSalesDocument();
  CSalesDocument(const CSalesDocument&) = delete;
  CSalesDocument& operator=(const CSalesDocument&) = delete;

  // Writes the type's DOCTYPE word into any root attribute (DOCTYPE, ORIGINAL_DOCTYPE);
  // a code outside 0-6 writes "INVOICE".
  void SetDocTypeAttribute(std::u16string_view attribute, int type);
  // Reads the seven view preferences (ShowLineTo, ShowLinks, UseDescriptions, PlaySounds,
  // UseSalesTax, UseBusAddress, LastCommaFirst).
  void LoadViewPreferences();
  // Gives the page the stored zoom and fit-to-screen choices: every document, opened or
  // new, in this run or the next, is drawn with them.
  void ApplyViewChoices();

  // ---- The document as a whole (DocumentOperations.cpp) -------------------------------------
  // Each leaves the XML content, the cached values and the stylesheet consistent. The
  // document tells its owner window with private messages, the document in lParam: 1139
  // posted when an opened file was renumbered (wParam 1), 1140 sent after a save that made
  // a new file, 1142 sent after a save over its file.

  // The XML text a new document of the type starts from: the language library's skeleton
  // strings 40054, the type's root (invoice for any type without one of its own), 40081,
  // 40082, 40088, 40089, 40059.
  static std::u16string BuildSkeleton(int type);

  // A new document of the type: version 4, the skeleton, style, the next free number and
  // its file, today's dates, a fresh job, the company, the last tax, logo, terms, rep,
  // shipping method and customer message the user chose, the custom field captions, the
  // screen stylesheet and the default notes. Not modified afterwards.
  void InitNew(int styleCode, int type);

  // Opens a document file (see the older-file rules in DocumentHeader.h). A memorized
  // template opens as a new document of the type it was memorized from, with a fresh
  // number and today's date, and without its signature. A file without a number gets the
  // next free one; the file it came from is removed only once the document is saved under
  // the new number. A file that does not load is offered to be moved to the deleted
  // documents; false then.
  bool Open(std::u16string_view path);

  // Writes the document to its file. A new document whose file appeared meanwhile asks
  // (OK/Cancel) and then takes the next free number. With REMOVEZEROQTY "true" and not
  // `keepZeroQuantities`, lines of quantity "0" (labels aside) are removed first. On
  // success the counter moves, the document is no longer new nor modified, and message
  // 1140 (a new file) or 1142 (over its file) goes out; on failure the warning names the
  // path and the document stays as it was (new, modified). A file changed by another
  // program since it was opened or saved is not written over: the user is told, and the
  // document stays open and modified. True when written.
  bool Save(bool keepZeroQuantities = false);

  // type 6: memorizes the document as a template at `path` and leaves the open document,
  // its type and its file unchanged (saved again). Any other type: `path` becomes the
  // document's file and the document is written there alone (a file of that name is
  // replaced; the file it came from stays as it was); a failed write keeps the old file
  // as the document's. True when every save succeeded; memorizing stops at a failed
  // template save.
  bool SaveAs(std::u16string_view path, int type);

  // An estimate or sales order becomes a new invoice with the next free invoice number,
  // its own file and today's date (a modified document is saved first and stays
  // modified). True when DOCTYPE was written.
  bool ConvertToInvoice();

  // Voids an invoice or sales receipt after the user agrees: VOID "YES", every price
  // zero, totals again. Other types: nothing, not even the question. Always true.
  bool Void();

  // The customer block and ship-to from the record, its terms, tax code, job, price
  // level, rep and sales tax, then the totals again (warning 40647 when the lines keep
  // prices of another price level). `before` is the same customer as it was before an edit
  // of it: its tax code goes to the lines and its sales tax to the document only when the
  // edit changed them, so that a new address leaves the lines' own tax codes alone.
  void SetCustomer(const CCustomerRecord& customer, const CCustomerRecord* before = nullptr);
  // The company block from the record, and the stylesheet again.
  void SetCompany(const CCompanyInfo& company);
  // The document's customer record read again from the customer block.
  void LoadCustomer();

  // What SetSignature does beside setting the strokes.
  struct SignatureChange {
    bool rebuild = false;  // the stylesheet made again
    bool stamp = false;    // SIGNED set to the date and time
    bool quiet = false;    // the document neither marked modified nor saved
  };
  // Sets (non-empty strokes) or removes the signature: CUSTOMER/SIGNATURE, the signature
  // picture "KTWSignature.bmp" of the image folder (or the empty line), SIGNED with the
  // date and time when `stamp`; the signature part switched on for the type when it was
  // off; the stylesheet again when `rebuild`. Unless `quiet`, the document is modified
  // and, under the read-only-when-signed option, saved. False when the picture or that
  // save failed.
  bool SetSignature(std::u16string_view strokes, SignatureChange change);

  // ---- Identity and state --------------------------------------------------------------
  int GetDocType() const { return m_docType; }
  void SetDocType(int type) { m_docType = type; }
  int GetStyle() const { return m_style; }
  int GetVersion() const { return m_version; }
  void SetVersion(int version) { m_version = version; }
  bool IsModified() const { return m_modified != 0; }
  void SetModified(bool modified) { m_modified = modified ? 1 : 0; }
  bool IsNewDocument() const { return m_newDocument != 0; }
  bool IsNumberFromCounter() const { return m_numberFromCounter != 0; }
  BYTE GetSignatureFlag() const { return m_signed; }
  bool GetTakeCustomerTax() const { return m_takeCustomerTax != 0; }
  void SetTakeCustomerTax(bool take) { m_takeCustomerTax = take ? 1 : 0; }
  double GetPriceLevelFactor() const { return m_priceLevelFactor; }
  double GetTaxRateFactor() const { return m_taxRateFactor; }
  double GetCachedTotal() const { return m_cachedTotal; }
  // What the document weighs on its customer's balance, to the cent: a payment's
  // PAYAMOUNT, else the document total.
  CDecimal GetBalanceAmount();
  // The amount, kind and customer's full name as the file the next save replaces holds
  // them: taken when the file is opened and again after every save of the document (a
  // template memorized from it aside), and from the other file that Save As is to replace;
  // 0 and empty for a document never saved. A save over the file moves balances by the
  // difference from these.
  const CDecimal& GetPreviousAmount() const { return m_previousAmount; }
  int GetPreviousKind() const { return m_previousKind; }
  const CBstr& GetPreviousCustomer() const { return m_previousCustomer; }
  int GetTermDays() const { return m_termDays; }
  HWND GetOwner() const { return m_owner; }
  HWND GetParent() const { return m_parent; }

  bool GetShowLineTo() const { return m_showLineTo != 0; }
  bool GetShowLinks() const { return m_showLinks != 0; }
  bool GetUseDescriptions() const { return m_useDescriptions != 0; }
  bool GetPlaySounds() const { return m_playSounds != 0; }
  bool GetUseSalesTax() const { return m_useSalesTax != 0; }
  bool GetUseBusinessAddress() const { return m_useBusinessAddress != 0; }
  bool GetLastCommaFirst() const { return m_lastCommaFirst != 0; }

  // The parts of the document (owned by it).
  CXmlDocument& GetXmlDocument() { return *m_xml; }
  const CXmlDocument& GetXmlDocument() const { return *m_xml; }
  IDocumentView* GetView() const { return m_view.get(); }
  CCustomerRecord* GetCustomer() const { return m_customer.get(); }
  CCompanyInfo* GetCompany() const { return m_company.get(); }
  CJobRecord* GetJob() const { return m_job.get(); }
  CCustomSettings& GetCustomSettings() const { return *m_settings; }
  // The kind whose custom settings a document type reads: a template reads as an invoice.
  static int SettingsKind(int docType);
  // The custom-settings flag of the document's type (a template reads as an invoice).
  BYTE GetTypeFlag(int row) const;

  // ---- Header fields -------------------------------------------------------------------
  CBstr GetAttribute(std::u16string_view name);
  void SetAttribute(std::u16string_view name, CBstr value);
  bool GetBoolAttribute(std::u16string_view name, bool defaultValue);
  void SetBoolAttribute(std::u16string_view name, bool value);

  CBstr GetNumber() { return GetAttribute(u"ID"); }
  CBstr GetDate() { return GetAttribute(u"DATE"); }
  CBstr GetDueDate() { return GetAttribute(u"DUEDATE"); }
  CBstr GetCardExpiry() { return GetAttribute(u"CCARDEXP"); }
  CBstr GetTerms() { return GetAttribute(u"TERMS"); }
  CBstr GetNotes() { return GetAttribute(u"NOTES"); }
  CBstr GetComplete() { return GetAttribute(u"COMPLETE"); }
  CBstr GetWireless() { return GetAttribute(u"WIRELESS"); }
  void GetRep(CBstr& rep, CBstr& fullName);
  // Writes REP and REP_FULLNAME and shows the rep in "AJIDREP"; the result of that page
  // update (false without a page).
  bool SetRep(const CBstr& rep, const CBstr& fullName);
  bool GetCustomerMessage(CBstr& message, CBstr& listId);
  void SetCustomerMessage(const CBstr& message, const CBstr& listId);
  // TAXNAME, TAXRATE, TAXVENDOR; the rate factor is taken again from TAXRATE.
  void GetTax(CBstr& name, CBstr& rate, CBstr& vendor);
  CBstr GetSignature();
  const CBstr& GetFilePath() const { return m_filePath; }
  const CBstr& GetFileName() const { return m_fileName; }
  void GetTotals(CBstr& subtotal, CBstr& tax, CBstr& total, CBstr& totalQuantity) const;
  const CBstr& GetSubtotalText() const { return m_subtotalText; }
  const CBstr& GetTaxText() const { return m_taxText; }
  const CBstr& GetTotalText() const { return m_totalText; }
  const CBstr& GetTotalQuantityText() const { return m_totalQuantityText; }
  // The cached totals texts taken from the TOTALS block (an opened document shows its
  // stored figures until the next recalculation); a missing child reads as empty.
  void ReadTotalsFromDocument();

  // DATE (short date) and DATEQB ("yyyy-MM-dd") of today.
  void SetDateToday();
  // DATE and DATEQB of the date; the term days of TERMS taken again; the due date = the
  // date + the term days. False for a date that is no calendar date (nothing changes).
  bool SetDate(const SYSTEMTIME& date);
  void SetDueDateFromToday();
  bool SetDueDateFrom(const SYSTEMTIME& date);
  // DUEDATE and DUEDATEQB of the date itself.
  bool SetDueDate(const SYSTEMTIME& date);
  // TERMS, TERMDAYS from the terms list (0 for an unknown term), the due date from DATE.
  void SetTerms(const CBstr& name);
  // CCARDEXP "MM/yyyy", CARDEXPMONTH the month's name, CARDEXPYEAR "yyyy".
  bool SetCardExpiry(const SYSTEMTIME& date);
  // NOTES with every line break (CR LF, LF or CR) as "<br>".
  void SetNotes(std::u16string_view text);
  // Nothing when name and rate are both empty; otherwise TAXRATE, TAXNAME, TAXVENDOR, the
  // rate factor, and the totals again when `recalc`.
  void SetTax(const CBstr& name, const CBstr& rate, const CBstr& vendor, bool recalc);
  // The user's own number: asks whether it becomes the type's new start (Yes: the start
  // preference and the counter flag), then writes ID.
  void SetNumber(std::u16string_view number);
  void SetAllLinesTaxCode(const CBstr& code);
  // Writes the JOB block from the record and keeps a copy as the document's job.
  void SetJob(const CJobRecord& job);
  // COMPANY/GRAPHIC, LOGOWIDTH and LOGOHEIGHT.
  void GetLogo(CBstr& path, int& width, int& height);
  void SetLogo(const WCHAR* path, int width, int height, LogoChange change = {});
  void TogglePaid();
  int GetStatusFlags();
  int GetViewOption(int option) const;
  // Toggles option 2, 5 or 6 and shows the document again; the new value (0 for others).
  int ToggleViewOption(int option);
  void SetFilePath(std::u16string_view path);
  void SetStyle(int code);
  void SetUseDescriptions(bool flag);
  void SetUseBusinessAddress(bool flag);
  void SetUseSalesTax(bool flag);
  void SetRepFromCustomer();
  void ApplyCustomerTax();
  void SetPrintFlags();
  void ApplyDefaultNotes();

  // The screen stylesheet generated again and loaded. False when the program installed no
  // stylesheet builder (InstallDocumentServices): the loaded stylesheet then stays.
  bool RebuildStylesheet();
  // Shows the document again (nothing without a page).
  void Render(RenderMode mode = RenderMode::KeepPosition, int scrollPosition = -1);
  // Shows in the page, in place, the lines added, changed and removed since the page was
  // last shown whole (the totals show as they are worked out); the whole document again
  // when the page cannot, or when most of it changed; `mode` places the scroll bar as
  // Render does.
  void ShowChanges(RenderMode mode = RenderMode::KeepPosition);
  // Shows a change of the root attribute `name` as Render does, unless the page cannot show
  // that attribute and has no other change waiting: a whole page made again for nothing
  // costs a long document seconds.
  void ShowAttributeChange(std::u16string_view name, RenderMode mode = RenderMode::KeepPosition);

  // ---- Line items --------------------------------------------------------------------------
  // How a recalculation treats the prices of lines that bear tax.
  enum class PriceSwitch {
    Keep,           // every ordinary recalculation: prices stay as typed
    NowIncludeTax,  // the document's prices now include their tax: turned up
    NowExcludeTax,  // the document's prices now exclude their tax: turned down
  };
  // Works out every line amount and the totals again.
  void RecalcTotals(PriceSwitch prices = PriceSwitch::Keep);
  // What RecalcTotals() gives, worked out only for the lines that the line
  // edits since the last recalculation can move (every line when anything else changed
  // the lines or what their figures depend on: the tax, the layout, the user's formats).
  // The line edits below recalculate this way.
  void RecalcChangedTotals();
  // Off, every recalculation of a line edit works out every line (RecalcTotals): the
  // reference the other way is held against. On by default.
  void SetIncrementalTotals(bool on) { m_incrementalTotals = on; }
  // Applies the line's price level, gives it a free key (written into the record),
  // inserts it at the end or before the current line, plays the add-item sound when
  // asked, and recalculates when `recalc` is 1. True when the line was inserted.
  bool AddLineItem(CDbRecord& record, bool appendAtEnd, bool playSound, int recalc);
  // Before the current line with a free key; always recalculates.
  bool InsertLineItem(CDbRecord& record);
  // Rewrites the line with the record's key; recalculates in both outcomes.
  bool UpdateLineItem(const CDbRecord& record);
  // Removes the line. With `readRecord` the line is read first (a missing line: null and
  // nothing happens); with `keepAsCurrent` a copy becomes the current line record.
  // `nextKey` (may be null) receives the key of the line that followed. Returns the
  // removed line's record (null when not read).
  std::unique_ptr<CDbRecord> DeleteLineItem(const CBstr& key, CBstr* nextKey, bool keepAsCurrent, bool readRecord);
  // The three-argument form: the kept record (or none) always becomes the current one.
  std::unique_ptr<CDbRecord> DeleteLineItem(const CBstr& key, CBstr* nextKey, bool keepRecord);
  void ClearLineQuantities();
  // The line rows laid out by the document's style; null at the end.
  std::unique_ptr<CLineItemRow> GetFirstLineRow(int mode, CBstr* type, CBstr* quantity);
  std::unique_ptr<CLineItemRow> GetNextLineRow(int mode, CBstr* type, CBstr* quantity);

  // The current line: new lines go before it.
  bool SelectLineItem(const CBstr& key);
  void SetCurrentLineKey(const CBstr& key);
  const CBstr& GetCurrentLineKey() const { return m_currentLineKey; }
  // The current line record (owned by the document), or null.
  CDbRecord* GetCurrentLineItem() const { return m_currentLine.get(); }
  // A copy of the current line record for the caller, or null.
  std::unique_ptr<CDbRecord> CopyCurrentLineItem() const;
  // A new record of the line, or null when there is none.
  std::unique_ptr<CDbRecord> ReadLineItem(const CBstr& key);

 private:
  struct LineFigures;
  // A change of the lines the page has not shown yet.
  enum class PageChange { kInserted, kChanged, kRemoved };
  // A file opened without a number: removed once the document is saved under its new
  // number (checked again then), forgotten when another document is begun or opened.
  struct PendingRemoval {
    std::u16string newPath;
    std::u16string oldPath;
  };
  void NotifyOwner(UINT message, WPARAM wParam);
  void WriteCompanyBlock();
  bool WriteSignaturePicture(std::u16string_view strokes);
  void RemoveReplacedFile();
  // Asks whether a new document whose number another document holds takes the next free
  // one, and gives it that number and its file; false when the user cancels.
  bool TakeFreeNumber(CWaitCursorScope& wait);
  void MarkModified() { m_modified = 1; }
  bool ShowInPage(std::u16string_view elementId, std::u16string_view text);
  void SetDueDateFromText(std::u16string_view dateText);
  int ReadTermDays(std::u16string_view termName);
  bool IsLineTaxable(std::u16string_view code);
  // A taxable price in cents turned to include the tax (up) or not (down), when the switch
  // of prices that include tax moves: price x (1 + rate) and price / (1 + rate), to the
  // cent. A price turned up and back down is the price it was: rounding the raised price
  // moves it by half a cent at most, which the division makes less than half a cent.
  CDecimal ConvertedPrice(const CDecimal& price, bool up) const;
  // The tax that amounts bearing `taxAtRate` (their amounts times the rate) hold when the
  // prices include it: taxAtRate / (1 + rate), to the cent.
  CDecimal TaxHeld(const CDecimal& taxAtRate) const;
  // The rate factor taken from a TAXRATE text ("8.25%" gives 0.0825).
  void CacheTaxRate(std::u16string_view rateText);
  CTotalsContext TotalsContext();
  void WorkOutLine(const CLineItemTexts& line, const CLineSums& before, const LineFigures* base, PriceSwitch prices,
                   CLineItemTexts& out, CLineEffect& effect);
  void SettleLine(const CLineItemTexts& line, const CLineItemTexts& out, const CLineSums& before,
                  const LineFigures* base, bool pricesConverted, CLineEffect& effect);
  // The steps both recalculations take for a line they work out again: worked out, its
  // texts written back to the line at `position` (and noted for the page when they
  // changed), its effect settled. `out` receives the texts worked out.
  void RecalcLine(LONG position, const CLineItemTexts& line, const CLineSums& before,
                  const std::optional<LineFigures>& base, PriceSwitch prices, CLineItemTexts& out, CLineEffect& effect);
  void FinishTotals(const CLineSums& sums);
  // The totals cache may be used for a recalculation of the line edits since.
  bool TotalsCacheUsable();
  bool TotalsCacheCurrent() const { return m_lineTotals.IsCurrent(m_xml->GetLineVersion()); }
  void LineInserted(LONG position, const CBstr& key, bool cacheCurrent);
  bool ShowChangesInPlace();
  void NotePageChange(PageChange change, std::u16string key);
  void PlayAddItemSound();
  void RememberFileState();
  // The figures of another document's file at `path` that a save is about to replace.
  void RememberReplacedFile(std::u16string_view path);

  double m_priceLevelFactor = 0;
  BYTE m_takeCustomerTax = 1;
  WORD m_newDocument = 0;
  std::unique_ptr<CJobRecord> m_job;
  std::unique_ptr<CCustomerRecord> m_customer;
  std::unique_ptr<CCompanyInfo> m_company;
  std::unique_ptr<CXmlDocument> m_xml;  // declared before the page, which may read it
  std::unique_ptr<IDocumentView> m_view;
  CBstr m_filePath;
  CBstr m_fileName;
  std::unique_ptr<CDbRecord> m_currentLine;
  CBstr m_currentLineKey;
  int m_numberFromCounter = 0;
  int m_docType = kDocInvoice;
  BYTE m_signed = 0;
  int m_showLineTo = 1;
  int m_showLinks = 1;
  int m_useDescriptions = 0;
  int m_playSounds = 1;
  int m_useSalesTax = 1;
  int m_useBusinessAddress = 1;
  int m_lastCommaFirst = 0;
  HWND m_owner = nullptr;
  HWND m_parent = nullptr;
  int m_style = 4;
  int m_modified = 0;
  int m_rowCursor = 0;
  CBstr m_subtotalText;
  CBstr m_taxText;
  CBstr m_totalText;
  CBstr m_totalQuantityText;
  CLineTotals m_lineTotals;
  bool m_incrementalTotals = true;
  std::vector<std::pair<PageChange, std::u16string>> m_pageChanges;  // in the order made
  std::map<std::u16string, bool>* m_taxCodesMet = nullptr;           // while a pass runs
  double m_taxRateFactor = 0;
  CDecimal m_taxRate;  // the same factor, as the exact decimal of TAXRATE
  std::shared_ptr<CCustomSettings> m_sharedSettings;  // only when no settings were given
  CCustomSettings* m_settings = nullptr;              // not owned (or m_sharedSettings)
  int m_termDays = 0;
  double m_cachedTotal = 0;
  int m_version = 0;
  std::optional<PendingRemoval> m_pendingRemoval;
  CDecimal m_previousAmount;
  int m_previousKind = kDocInvoice;
  CBstr m_previousCustomer;
  // The file as it stood when opened or last saved (its path, times and size), so a save
  // does not write over what another program put there meanwhile.
  std::u16string m_stampPath;
  std::optional<std::array<DWORD, 6>> m_fileStamp;
};
