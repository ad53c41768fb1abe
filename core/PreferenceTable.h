// Every value the program keeps under its "Preferences" key: name, type and default, in one
// place. Code reads and writes a value only through these entries and the accessors of
// `CPreferences` (`Get`, `Query`, `Set`), so renaming a value or changing its default is one
// edit here and the compiler finds every user.
#pragma once

#include "platform/platform.h"

// A REG_DWORD value. `def` is what a read gives (and writes back) when the value is missing.
// `shown` is the default a settings screen shows for a missing value where that screen has
// its own (the copies list starts at its first entry); it is `def` otherwise.
struct DwordPreference {
  constexpr DwordPreference(const WCHAR* valueName, DWORD valueDefault)
      : name(valueName), def(valueDefault), shown(valueDefault) {}
  constexpr DwordPreference(const WCHAR* valueName, DWORD valueDefault, DWORD shownDefault)
      : name(valueName), def(valueDefault), shown(shownDefault) {}
  const WCHAR* name;
  DWORD def;
  DWORD shown;
};

// A REG_SZ value. `def` is the text a read gives (and writes back) when the value is missing
// or empty; null when the reader works the default out at run time (the device owner's
// company, a subject naming the sender), which it then hands to `CPreferences::Read`.
// `shown` is the default of the Options screen where it has its own; else `def`.
struct TextPreference {
  constexpr TextPreference(const WCHAR* valueName, const WCHAR* valueDefault)
      : name(valueName), def(valueDefault), shown(valueDefault) {}
  constexpr TextPreference(const WCHAR* valueName, const WCHAR* valueDefault, const WCHAR* shownDefault)
      : name(valueName), def(valueDefault), shown(shownDefault) {}
  const WCHAR* name;
  const WCHAR* def;
  const WCHAR* shown;
};

namespace pref {

// The flags the store itself caches (read in this order at every construction).
inline constexpr DwordPreference kUseOutlook{u"UseOutlook", 0};
inline constexpr DwordPreference kDisplayBalances{u"DisplayBalances", 0};
inline constexpr DwordPreference kDisplayCustomerCC{u"DisplayCustomerCC", 1};
inline constexpr DwordPreference kRoSigned{u"RO_SIGNED", 0};
inline constexpr DwordPreference kEncryption{u"Encryption", 0};
inline constexpr DwordPreference kContinuous{u"Continuous", 0};
inline constexpr DwordPreference kQtyPrompt{u"QtyPrompt", 0};
// Absent until a list update sets it.
inline constexpr DwordPreference kDisplayProductCosts{u"DisplayProductCosts", 0};

// Options.
inline constexpr DwordPreference kInvoiceStyle{u"InvoiceStyle", 4};
inline constexpr DwordPreference kUseDescriptions{u"UseDescriptions", 0};
inline constexpr DwordPreference kUseSalesTax{u"UseSalesTax", 1};
inline constexpr DwordPreference kTrackInventory{u"TrackInventory", 0};
// The register's first load reads this with 1 and writes it back, so every later reader
// meets a stored value; 1 is also what the customer screens and documents assume.
inline constexpr DwordPreference kUseBusAddress{u"UseBusAddress", 1};
inline constexpr DwordPreference kLastCommaFirst{u"LastCommaFirst", 0};
inline constexpr DwordPreference kQbLastCommaFirst{u"QBLastCommaFirst", 0};
inline constexpr DwordPreference kPlaySounds{u"PlaySounds", 1};
inline constexpr DwordPreference kScanNewDoc{u"ScanNewDoc", 0};
inline constexpr DwordPreference kUseWm2003Contacts{u"UseWM2003Contacts", 0};
inline constexpr TextPreference kScannerMake{u"ScannerMake", u"None"};
inline constexpr TextPreference kMagReaderMake{u"MagReaderMake", u"None"};
// The hardware button that triggers a scan, by its key name; none until one is chosen,
// while the Options screen offers "Button1".
inline constexpr TextPreference kButton1{u"Button1", u"", u"Button1"};
// The item column a scanned code is looked up in: "Name" or "Description".
inline constexpr TextPreference kCodeColumn{u"Name", u"Name"};
// The mail store; an empty text or "ActiveSync" is the default store.
inline constexpr TextPreference kMailBox{u"MailBox", u"", u"ActiveSync"};

// Storage: locations are "MAIN MEMORY" (or empty) or a storage card's name; folders "None"
// for the location's root.
inline constexpr TextPreference kInvoiceLocation{u"InvoiceLocation", u""};
inline constexpr TextPreference kInvoicePath{u"InvoicePath", u""};
// The memorized and deleted documents keep folders of their own below the documents root,
// also where an earlier version left the values empty: in the documents folder itself a
// template would count as a sale and a deleted document would never leave.
inline constexpr TextPreference kMemorizedPath{u"MemorizedPath", u"Memorized"};
inline constexpr TextPreference kDeletedPath{u"DeletedPath", u"Deleted"};
inline constexpr TextPreference kUploadedFolder{u"UploadedFolder", u""};
inline constexpr TextPreference kDbLocation{u"DBLocation", u""};
inline constexpr TextPreference kDatabasePath{u"DatabasePath", u""};
inline constexpr TextPreference kDatabase{u"Database", u""};
inline constexpr TextPreference kImagePath{u"ImagePath", u""};
inline constexpr TextPreference kLogoPath{u"LogoPath", u""};

// Document numbers by document type (0 Invoice ... 5 Credit Memo): the start number the
// counter steps from, the last number used, and the flag that a start number was just set.
// The Options screen offers its own start numbers for a type never numbered.
inline constexpr TextPreference kStartNumber[] = {
    {u"StartInvNumber", u"99", u"100"}, {u"StartEstNumber", u"0", u"1"}, {u"StartSRNumber", u"99", u"1"},
    {u"StartPayNumber", u"99", u"1"},   {u"StartSONumber", u"99", u"1"}, {u"StartCMNumber", u"99", u"1"}};
// The last number defaults to the start number, which its reader hands over.
inline constexpr TextPreference kLastNumber[] = {{u"LastInvNumber", nullptr}, {u"LastEstNumber", nullptr},
                                                 {u"LastSRNumber", nullptr},  {u"LastPayNumber", nullptr},
                                                 {u"LastSONumber", nullptr},  {u"LastCMNumber", nullptr}};
inline constexpr DwordPreference kNumberReset[] = {{u"InvNumReset", 0}, {u"EstNumReset", 0}, {u"SRNumReset", 0},
                                                   {u"PayNumReset", 0}, {u"SONumReset", 0}, {u"CMNumReset", 0}};

// The register and the last view, read at start-up without writing a default back.
inline constexpr DwordPreference kLastShowType{u"LastShowType", 2};
inline constexpr DwordPreference kLastSortType{u"LastSortType", 3};
inline constexpr DwordPreference kLastSortDirection{u"LastSortDirection", 1};
inline constexpr DwordPreference kLastView{u"LastView", 0};
inline constexpr DwordPreference kLastScrollPos{u"LastScrollPos", 0};
inline constexpr TextPreference kLastInvoice{u"LastInvoice", u""};
inline constexpr DwordPreference kViewInvRegByCompany{u"ViewInvRegByCompany", 1};

// The document view.
inline constexpr DwordPreference kFitToScreen{u"FitToScreen", 1};
inline constexpr DwordPreference kFontSize{u"FontSize", 1};
inline constexpr DwordPreference kShowLineTo{u"ShowLineTo", 1};
inline constexpr DwordPreference kShowLinks{u"ShowLinks", 1};
inline constexpr DwordPreference kShowSignature{u"ShowSignature", 0};
inline constexpr DwordPreference kInvToolBar{u"InvToolBar", 0};
inline constexpr DwordPreference kToBePrinted{u"ToBePrinted", 0};
inline constexpr DwordPreference kToBeEMailed{u"ToBeEMailed", 0};
inline constexpr DwordPreference kRemoveZeroQtyItems{u"RemoveZeroQtyItems", 0};
inline constexpr DwordPreference kClearTemplateQtys{u"ClearTemplateQtys", 0};
inline constexpr DwordPreference kDefaultCompany{u"DEFAULT_COMPANY", 0};
inline constexpr DwordPreference kLastCompanyPage{u"LastCompanyPage", 0};
inline constexpr DwordPreference kLastCustPage{u"LastCustPage", 0};

// Last-used values a new document starts from.
inline constexpr TextPreference kLastTaxName{u"LastTaxName", u""};
inline constexpr TextPreference kLastTaxRate{u"LastTaxRate", u""};
inline constexpr TextPreference kLastTaxVendor{u"LastTaxVendor", u""};
inline constexpr TextPreference kLastLogo{u"LastLogo", u""};
inline constexpr TextPreference kLogoWidth{u"LogoWidth", u"32"};
inline constexpr TextPreference kLogoHeight{u"LogoHeight", u"32"};
inline constexpr TextPreference kLastTerms{u"LastTerms", u""};
inline constexpr TextPreference kLastShipVia{u"LastShipVia", u""};
inline constexpr TextPreference kLastPaymentMethod{u"LastPaymentMethod", u""};
inline constexpr TextPreference kLastAccount{u"LastAccount", u""};
inline constexpr TextPreference kLastRep{u"LastREP", u""};
inline constexpr TextPreference kLastRepFullName{u"LastREPFullName", u""};
// The customer message and its list id by document type; a type without its own message
// takes the invoice's (the first entry).
inline constexpr TextPreference kLastMessage[] = {{u"LastMsg", u""},    {u"LastEstMsg", u""}, {u"LastRecMsg", u""},
                                                  {u"LastPayMsg", u""}, {u"LastSOMsg", u""},  {u"LastCMMsg", u""}};
inline constexpr TextPreference kLastMessageListId[] = {
    {u"LastMsgListID", u""},    {u"LastEstMsgListID", u""}, {u"LastRecMsgListID", u""},
    {u"LastPayMsgListID", u""}, {u"LastSOMsgListID", u""},  {u"LastCMMsgListID", u""}};

// The items list.
inline constexpr DwordPreference kShowCheckBoxes{u"ShowCheckBoxes", 1};
inline constexpr DwordPreference kAlphabetizeItems{u"AlphabetizeItems", 1};
// The item view's menu command: name (40236), description or both.
inline constexpr DwordPreference kViewItemsByName{u"ViewItemsByName", 40236};
inline constexpr DwordPreference kItemsToolBar{u"ItemsToolBar", 0};
inline constexpr DwordPreference kViewByCompany{u"ViewByCompany", 0};

// Printing. The stored copies value is the copies list's index: printing makes one more.
inline constexpr TextPreference kPrinterName{u"PrinterName", u""};
inline constexpr TextPreference kPrinterPort{u"PrinterPort", u""};
inline constexpr DwordPreference kPrinterId{u"PrinterID", 5};
inline constexpr DwordPreference kPrinterPortId{u"PrinterPortID", 3};
inline constexpr DwordPreference kPrinterPaperType{u"PrinterPaperType", 1};
inline constexpr DwordPreference kPrintNumCopies{u"PrintNumCopies", 1, 0};
inline constexpr DwordPreference kPrintTextSize{u"PrintTextSize", 2};
inline constexpr DwordPreference kPrintNotesTextSize{u"PrintNotesTextSize", 1};
inline constexpr DwordPreference kPrintItemsUsing{u"PrintItemsUsing", 0};
inline constexpr DwordPreference kPrintBillToPhone{u"PrintBillToPhone", 0};
inline constexpr DwordPreference kUseEuroAddrFormat{u"UseEuroAddrFormat", 0};

// E-mail: the last recipients, the remembered message texts and the last form sent.
inline constexpr TextPreference kEmailTo{u"EMAIL_TO", u""};
inline constexpr TextPreference kEmailCc{u"EMAIL_CC", u""};
inline constexpr TextPreference kEmailBcc{u"EMAIL_BCC", u""};
inline constexpr TextPreference kEmailBodyQvn{
    u"EMAIL_BODY_QVN",
    u"To view this document, please double click on the attachment or copy the attachment to the Invoices "
    u"directory of Slateway."};
inline constexpr TextPreference kEmailBodyHtml{
    u"EMAIL_BODY_HTML",
    u"To view this document, please copy the attachments to your desktop and double click on the file with the HTM "
    u"extension."};
// The subject names the sender, so its reader works it out.
inline constexpr TextPreference kEmailReportSubject{u"EMAIL_REPORT_SUBJ", nullptr};
inline constexpr TextPreference kEmailReportBodyHtml{u"EMAIL_REPORT_BODY_HTML", u"Please see the attached report."};
// "QVN" (the document attached) or "HTML" (the document in the message).
inline constexpr TextPreference kLastEmailType{u"LAST_EMAIL_TYPE", u""};

// Reports.
inline constexpr TextPreference kLastReportDocType{u"LastReportDocType", u"Sales Orders"};
inline constexpr TextPreference kLastReportDates{u"LastReportDates", u"Today"};

// The company blocks: the first company's and company "B"'s. Each reader starts from the
// device owner's data, so the defaults are worked out at run time.
struct CompanyPreferences {
  TextPreference name, address1, address2, address3, phone, email, showLogo;
  const TextPreference* userName;  // null: not stored (the device owner's name is shown)
};
inline constexpr TextPreference kCompanyBUserName{u"Company_B_UserName", nullptr};
inline constexpr CompanyPreferences kFirstCompany{
    {u"CompanyName", nullptr},  {u"CompanyAddress1", nullptr}, {u"CompanyAddress2", nullptr},
    {u"CompanyAddress3", nullptr}, {u"CompanyPhone", nullptr}, {u"CompanyEMail", nullptr},
    {u"ShowLogo", nullptr},     nullptr};
inline constexpr CompanyPreferences kCompanyB{
    {u"Company_B_Name", nullptr},     {u"Company_B_Address1", nullptr}, {u"Company_B_Address2", nullptr},
    {u"Company_B_Address3", nullptr}, {u"Company_B_Phone", nullptr},    {u"Company_B_EMail", nullptr},
    {u"Company_B_ShowLogo", nullptr}, &kCompanyBUserName};

}  // namespace pref
