// The editor's field taps and holds: each editable field of the page is a link; a tap
// edits it, a hold offers its popup first. Every edit reads the field's present value,
// runs its dialog or picker, and on OK hands one edit command to the main window (the
// Last preferences a new document starts from are written as it is handed over).
#include <string>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/CustomerMessageForm.h"
#include "core/DatePickerDlg.h"
#include "core/MessageBoxes.h"
#include "core/NameForm.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/StoredCustomerMessages.h"
#include "document/DocumentNumbering.h"
#include "document/DocumentServices.h"
#include "document/HtmlView.h"
#include "document/JobRecord.h"
#include "document/ShipToAddress.h"
#include "document/SalesDocument.h"
#include "editor/CustomerCommands.h"
#include "editor/DocumentView.h"
#include "editor/HeaderFieldCommands.h"
#include "editor/HeaderPickers.h"
#include "editor/JobCompanyDlg.h"
#include "editor/LineItemCommands.h"
#include "editor/LineItemDlg.h"
#include "editor/LogoPickerDlg.h"
#include "editor/SignatureCommand.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

// The entry of a field's hold popup.
const char16_t* HoldEntry(HeaderField code) {
  switch (code) {
    case HeaderField::Job: return u"Edit Job... ";
    case HeaderField::Number: return u"Edit Number... ";
    case HeaderField::Date: return u"Change Date... ";
    case HeaderField::DueDate: return u"Change Due Date... ";
    case HeaderField::CustomerMessage: return u"Select Message... ";
    case HeaderField::Tax: return u"Select Tax... ";
    case HeaderField::Terms: return u"Select Terms... ";
    case HeaderField::Title: return u"Select Title... ";
    case HeaderField::ShipTo: return u"Select Ship To... ";
    case HeaderField::ShipVia: return u"Select Ship Via... ";
    case HeaderField::ShipDate: return u"Change Ship Date... ";
    case HeaderField::PONumber: return u"Edit P.O. Number... ";
    case HeaderField::Account: return u"Edit Account... ";
    case HeaderField::Rep: return u"Select REP... ";
    case HeaderField::PaymentMethod: return u"Select Payment Method... ";
    case HeaderField::CheckNumber: return u"Edit Check Number... ";
    case HeaderField::Notes: return u"Edit Notes... ";
    case HeaderField::Other1:
    case HeaderField::Other2:
    case HeaderField::Other3:
    case HeaderField::CardNumber: return u"Edit... ";
    case HeaderField::CardExpiry: return u"Change Date... ";
    case HeaderField::PayAmount: return u"Edit Amount... ";
    case HeaderField::Class: return u"Select Class... ";
    default: return nullptr;
  }
}

constexpr int kRowMessageShown = 40;
constexpr int kRowOtherCaption = 32;  // captions of OTHER1-OTHER3: rows 32-34

// The document type's word in the duplicate-number question and its number entry's title.
const char16_t* TypeNoun(int type) {
  switch (type) {
    case kDocEstimate: return u"estimate";
    case kDocSalesReceipt: return u"sales receipt";
    case kDocPayment: return u"payment";
    case kDocSalesOrder: return u"sales order";
    case kDocCreditMemo: return u"credit memo";
    default: return u"invoice";
  }
}

const char16_t* NumberTitle(int type) {
  switch (type) {
    case kDocEstimate: return u"Estimate Number";
    case kDocSalesReceipt: return u"Sales Receipt Number";
    case kDocPayment: return u"Payment";
    case kDocSalesOrder: return u"Sales Order";
    case kDocCreditMemo: return u"Credit Memo";
    default: return u"Invoice Number";
  }
}

// "An" goes only before the words that begin with a vowel.
std::u16string NumberInUseQuestion(int type) {
  const std::u16string noun = TypeNoun(type);
  const bool vowel = noun[0] == u'e' || noun[0] == u'i';
  return std::u16string(vowel ? u"An " : u"A ") + noun + u" with this number already exists. Are you sure?";
}

// The label dialog on `label`; its text (also an unchanged one) when it was not cancelled.
bool AskLabel(HWND window, CItemStore* store, CBstr& label) {
  CLabelDlg dialog(GetResourceInstance(), window, store, label, false);
  const INT_PTR result = dialog.DoModal();
  if (result != 1 && result != 2) return false;
  dialog.GetText(label);
  return true;
}

// A label line is edited in the label dialog (the command gives its description the
// same text).
bool EditLabelLine(HWND window, CItemStore* store, CDbRecord& line) {
  CBstr label(line.FieldView(kLineFieldName));
  if (!AskLabel(window, store, label)) return false;
  line.SetField(kLineFieldName, label.view());
  return true;
}

// An empty popup menu; null (after telling the user) when none can be made.
HMENU NewPopup() {
  HMENU menu = CreatePopupMenu();
  if (!menu) ShowLastErrorBox(u"CreatePopupMenu failed.");
  return menu;
}

}  // namespace

// ---- Taps ------------------------------------------------------------------------------------

void CDocumentView::OnFieldTap(const WCHAR* link) {
  if (!link || !m_document) return;
  WCHAR column = 0;
  CBstr name;
  const HeaderField code = GetHeaderFieldCode(CBstr(link), column, name);
  if (code == HeaderField::Line || code == HeaderField::None) {
    // Any other link is a line cell.
    EditLineItemByLink(CBstr(link));
    return;
  }
  EditField(code);
}

void CDocumentView::EditField(HeaderField code) {
  CSalesDocument& doc = *m_document;
  const bool contacts = CPreferences::UseOutlook();
  switch (code) {
    case HeaderField::BillTo: {
      CCustomerRecord* customer = doc.GetCustomer();
      BSTR name = customer ? customer->GetDisplayName(doc.GetLastCommaFirst()) : nullptr;
      if (name && *name)
        EditCustomer(kCustomerPageAddress, false);
      else
        PostMessageW(m_mainWindow, kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(GetHwnd()));
      return;
    }
    case HeaderField::BillFrom:
      EditCompany(false);
      return;
    case HeaderField::Job:
      if (contacts) {
        EditJob();
      } else {
        BSTR job = doc.GetJob() ? doc.GetJob()->GetField(0) : nullptr;
        const bool hasJob = job && *job;
        EditCustomer(hasJob ? kCustomerPageJob : kCustomerPageAddress, !hasJob);
      }
      return;
    case HeaderField::ShipTo:
      if (contacts)
        EditShipTo();
      else
        EditCustomer(kCustomerPageShipTo, false);
      return;
    case HeaderField::Logo:
      ChooseLogo();
      return;
    case HeaderField::Signature:
      ToggleBarKeepingPosition(IDM_EDITOR_SIGNATURE);
      return;
    case HeaderField::EraseSignature:
      EraseSignature();
      return;
    case HeaderField::Date:
    case HeaderField::DueDate:
    case HeaderField::ShipDate:
    case HeaderField::CardExpiry:
      EditDate(code);
      return;
    case HeaderField::Number:
      EditNumber();
      return;
    case HeaderField::CardNumber:
    case HeaderField::PayAmount:
    case HeaderField::CheckNumber:
    case HeaderField::PONumber:
    case HeaderField::Account:
    case HeaderField::Other1:
    case HeaderField::Other2:
    case HeaderField::Other3:
      EditTextField(code);
      return;
    case HeaderField::CustomerMessage:
      SelectCustomerMessage();
      return;
    case HeaderField::Notes:
      EditNotes();
      return;
    case HeaderField::Tax:
    case HeaderField::Terms:
    case HeaderField::Rep:
    case HeaderField::PaymentMethod:
    case HeaderField::ShipVia:
      SelectFromList(code);
      return;
    default:
      // The title and the class have no edit.
      return;
  }
}

void CDocumentView::EditLineItemByLink(const CBstr& link) {
  std::u16string_view text = link.view();
  const size_t comma = text.find(u',');
  if (comma == std::u16string_view::npos) return;
  m_document->SetCurrentLineKey(CBstr(text.substr(0, comma)));
  EditLine(link, 0, nullptr);
}

// ---- Holds -----------------------------------------------------------------------------------

UINT CDocumentView::TrackPopup(HMENU menu, POINT point) {
  auto* view = m_document ? dynamic_cast<CHtmlView*>(m_document->GetView()) : nullptr;
  HWND page = view && view->GetInnerWindow() ? view->GetInnerWindow() : GetHwnd();
  ClientToScreen(page, &point);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, GetHwnd(),
                       nullptr));
  DestroyMenu(menu);
  return chosen;
}

void CDocumentView::OnFieldHold(HeaderField code, POINT point) {
  HMENU menu = NewPopup();
  if (!menu) return;
  if (code == HeaderField::Signature) {
    const UINT erase = MF_STRING | (m_document->GetSignatureFlag() ? MF_ENABLED : MF_GRAYED);
    AppendMenuW(menu, erase, static_cast<UINT_PTR>(HeaderField::EraseSignature), u"Erase");
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(HeaderField::Signature), u"Sign...");
  } else if (const char16_t* entry = HoldEntry(code)) {
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(code), entry);
  } else {
    DestroyMenu(menu);
    return;
  }
  const UINT chosen = TrackPopup(menu, point);
  if (chosen != 0) EditField(static_cast<HeaderField>(chosen));
}

void CDocumentView::OnLineItemHold(WCHAR column, POINT point) {
  CSalesDocument& doc = *m_document;
  HMENU menu = NewPopup();
  if (!menu) return;
  std::u16string paste = u"Paste";
  const CDbRecord* copied = doc.GetCurrentLineItem();
  if (copied && !copied->FieldView(kLineFieldName).empty())
    paste += u" '" + std::u16string(copied->FieldView(kLineFieldName)) + u"'";
  const bool hasLine = !doc.GetCurrentLineKey().IsEmpty();
  AppendMenuW(menu, MF_STRING, IDM_EDIT_CUT, u"Cut");
  AppendMenuW(menu, MF_STRING, IDM_EDIT_COPY, u"Copy");
  AppendMenuW(menu, MF_STRING | (copied ? MF_ENABLED : MF_GRAYED), IDM_EDIT_PASTE, paste.c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_ADD_LINE_ITEM, u"Insert line item...");
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_EDIT_LINE, u"Edit line item...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_ADD_LABEL, u"Insert Label...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | (hasLine ? MF_ENABLED : MF_GRAYED), IDM_EDITOR_DELETE_LINE, u"Delete line item");
  const UINT chosen = TrackPopup(menu, point);
  if (chosen == static_cast<UINT>(IDM_EDITOR_EDIT_LINE)) {
    if (hasLine) EditLine(doc.GetCurrentLineKey(), column, u"Edit Item");
    return;
  }
  if (chosen != 0) OnCommand(static_cast<int>(chosen));
}

void CDocumentView::ShowCustomerMenu(POINT point) {
  CSalesDocument& doc = *m_document;
  HMENU menu = NewPopup();
  if (!menu) return;
  CCustomerRecord* customer = doc.GetCustomer();
  BSTR name = customer ? customer->GetDisplayName(doc.GetLastCommaFirst()) : nullptr;
  AppendMenuW(menu, MF_STRING | (name && *name ? MF_ENABLED : MF_GRAYED), IDM_EDITOR_EDIT_CUSTOMER, u"Edit... ");
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_CHOOSE_CUSTOMER,
              CPreferences::UseOutlook() ? u"Select new customer..." : u"Select new Customer:Job... ");
  const UINT chosen = TrackPopup(menu, point);
  if (chosen == static_cast<UINT>(IDM_EDITOR_EDIT_CUSTOMER))
    EditCustomer(kCustomerPageAddress, false);
  else if (chosen == static_cast<UINT>(IDM_EDITOR_CHOOSE_CUSTOMER))
    PostMessageW(m_mainWindow, kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(GetHwnd()));
}

void CDocumentView::ShowCompanyMenu(POINT point) {
  HMENU menu = NewPopup();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_COMPANY, u"Edit...");
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_LOGO, u"Select logo... ");
  AppendMenuW(menu, MF_STRING, kSelectAlternateCompany, u"Select alternate company... ");
  const UINT chosen = TrackPopup(menu, point);
  if (chosen != 0) FieldCommand(static_cast<int>(chosen));
}

void CDocumentView::ShowLogoMenu(POINT point) {
  HMENU menu = NewPopup();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_LOGO, u"Select logo... ");
  if (TrackPopup(menu, point) == static_cast<UINT>(IDM_EDITOR_LOGO)) ChooseLogo();
}

void CDocumentView::ShowDocumentMenu(POINT point) {
  CSalesDocument& doc = *m_document;
  HMENU menu = NewPopup();
  HMENU exportMenu = menu ? NewPopup() : nullptr;
  HMENU mailMenu = exportMenu ? NewPopup() : nullptr;
  if (!mailMenu) {
    for (HMENU made : {menu, exportMenu})
      if (made) DestroyMenu(made);
    return;
  }
  const int type = doc.GetDocType();
  const UINT lines = MF_STRING | (type == kDocPayment ? MF_GRAYED : MF_ENABLED);
  AppendMenuW(menu, lines, IDM_EDITOR_ADD_LINE_ITEM, u"Add Line Item ");
  AppendMenuW(menu, lines, IDM_EDITOR_ADD_LABEL, u"Add Label ");
  AppendMenuW(menu, MF_STRING | (doc.GetCurrentLineItem() ? MF_ENABLED : MF_GRAYED), IDM_EDIT_PASTE, u"Paste");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  if (type == kDocEstimate) AppendMenuW(menu, MF_STRING, IDM_EDITOR_CREATE_INVOICE, u"Create Invoice");
  AppendMenuW(menu, MF_STRING, IDM_PRINT_DOCUMENT, u"Print...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(exportMenu, MF_STRING, IDM_EXPORT_HTML, u"HTML...");
  AppendMenuW(exportMenu, MF_STRING, IDM_EXPORT_CSV, u"CSV...");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(exportMenu), u"Export to");
  AppendMenuW(mailMenu, MF_STRING, IDM_EMAIL_HTML, u"HTML...");
  AppendMenuW(mailMenu, MF_STRING, IDM_EMAIL_QVN, u"QVN...");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(mailMenu), u"Email as");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_EDITOR_ATTRIBUTES, u"Attributes...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const char16_t* erase = type == kDocEstimate       ? u"Delete Estimate"
                          : type == kDocSalesReceipt ? u"Delete Sales Receipt"
                          : type == kDocPayment      ? u"Delete Payment"
                          : type == kDocSalesOrder   ? u"Delete Sales Order"
                          : type == kDocCreditMemo   ? u"Delete Credit Memo"
                          : type == kDocMemorized    ? u"Delete Memorized Document"
                                                     : u"Delete Invoice";
  AppendMenuW(menu, MF_STRING, IDM_DELETE_DOCUMENT, erase);
  const UINT chosen = TrackPopup(menu, point);
  if (chosen == static_cast<UINT>(IDM_EDITOR_ATTRIBUTES)) doc.Save();  // the attributes go with the saved file
  if (chosen != 0) OnCommand(static_cast<int>(chosen));
}

// The editor's menu commands that edit a block or a field.
bool CDocumentView::FieldCommand(int id) {
  switch (id) {
    case IDM_EDITOR_EDIT_CUSTOMER:
      EditCustomer(kCustomerPageAddress, false);
      return true;
    case IDM_EDITOR_COMPANY:
      EditCompany(false);
      return true;
    case kSelectAlternateCompany:
      EditCompany(true);
      return true;
    case IDM_EDITOR_LOGO:
      ChooseLogo();
      return true;
    case IDM_EDITOR_CUSTOMIZE:
      Customize();
      return true;
    case IDM_EDITOR_NOTES:
      EditNotes();
      return true;
    case IDM_EDITOR_CUSTOMER_MESSAGE:
      SelectCustomerMessage();
      return true;
    case IDM_EDITOR_EDIT_LINE:
      if (!m_document->GetCurrentLineKey().IsEmpty()) EditLine(m_document->GetCurrentLineKey(), 0, u"Edit Item");
      return true;
    case IDM_EDITOR_ADD_LABEL:
      InsertLabel();
      return true;
    default:
      return false;
  }
}

// ---- Blocks: customer, company, job, ship-to, logo, signature, layout -------------------------

void CDocumentView::EditCustomer(int initialPage, bool jobName) {
  CSalesDocument& doc = *m_document;
  CCustomerRecord* customer = doc.GetCustomer();
  if (!customer) return;
  IDocumentCustomerScreens* screens = GetDocumentCustomerScreens();
  RunDocumentCommand(std::make_unique<CEditCustomerCommand>(doc, m_instance, GetHwnd(), m_mainWindow, *customer,
                                                            screens ? screens->CustomerSource() : nullptr,
                                                            initialPage, jobName),
                     false);
}

void CDocumentView::EditCompany(bool alternate) {
  CSalesDocument& doc = *m_document;
  std::unique_ptr<CCompanyInfo> company;
  if (alternate) {
    company = std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany);
    company->Load();
  } else if (const CCompanyInfo* own = doc.GetCompany()) {
    company = std::make_unique<CCompanyInfo>(*own);
  } else {
    return;
  }
  HWND window = GetHwnd();
  CompanyEditor editor = [window](CCompanyInfo& edited) {
    CMyCompanyForm form(GetResourceInstance(), window, edited);
    return form.DoModal() == 1;
  };
  CompanyChooser chooser = [window](CCompanyInfo& first, CCompanyInfo& second, int page) {
    CSelectCompanyDlg dialog(GetResourceInstance(), window, first, second, page);
    return dialog.DoModal() == 1;
  };
  CHiddenDocumentPage hidden(doc);
  RunDocumentCommand(std::make_unique<CEditCompanyCommand>(doc, std::move(company), alternate, chooser, editor), false);
}

void CDocumentView::ChooseLogo() {
  CSalesDocument& doc = *m_document;
  CBstr present;
  int width = 0;
  int height = 0;
  doc.GetLogo(present, width, height);
  CLogoPickerDlg picker(GetResourceInstance(), GetHwnd());
  if (picker.DoModal(present.view()) != 1) return;
  std::u16string name;
  picker.GetResult(name, width, height);
  CPreferences().Set(pref::kLastLogo, name);
  RunDocumentCommand(std::make_unique<CChangeLogoCommand>(doc, name, width, height), false);
}

void CDocumentView::EraseSignature() {
  if (!AskYesNoRes(GetHwnd(), IDS_ERASE_SIGNATURE)) return;
  RunDocumentCommand(std::make_unique<CSignatureCommand>(*m_document, std::u16string()), true);
}

void CDocumentView::Customize() {
  CSalesDocument& doc = *m_document;
  CCustomSettings& settings = m_customSettings ? *m_customSettings : doc.GetCustomSettings();
  const DWORD firstPage = CPreferences().Get(pref::kLastCustPage);
  RunDocumentCommand(std::make_unique<CCustomizeCommand>(doc, GetHwnd(), m_mainWindow, firstPage, settings), true);
}

// ---- Header fields ------------------------------------------------------------------------------

void CDocumentView::EditDate(HeaderField code) {
  CSalesDocument& doc = *m_document;
  const char16_t* attribute = code == HeaderField::Date      ? u"DATE"
                              : code == HeaderField::DueDate ? u"DUEDATE"
                              : code == HeaderField::ShipDate ? u"SHIPDATE"
                                                       : u"CCARDEXP";
  CDatePickerDlg picker(GetResourceInstance(), GetHwnd(), static_cast<DWORD>(code), doc.GetAttribute(attribute));
  if (picker.DoModal() != 1) return;
  const CBstr& date = picker.GetDateText();
  std::unique_ptr<CEditCommand> command;
  switch (code) {
    case HeaderField::Date: command = std::make_unique<CChangeDateCommand>(doc, date); break;
    case HeaderField::DueDate: command = std::make_unique<CChangeDueDateCommand>(doc, date); break;
    case HeaderField::ShipDate: command = std::make_unique<CChangeShipDateCommand>(doc, date); break;
    default: command = std::make_unique<CChangeCardExpiryCommand>(doc, date); break;
  }
  RunDocumentCommand(std::move(command), true);
}

void CDocumentView::SelectCustomerMessage() {
  CSalesDocument& doc = *m_document;
  CBstr message;
  CBstr listId;
  doc.GetCustomerMessage(message, listId);
  CStoredCustomerMessages stored(m_itemStore);
  CCustomerMessageForm form(GetResourceInstance(), GetHwnd(), message, m_itemStore ? &stored : nullptr,
                            doc.GetTypeFlag(kRowMessageShown) != 0);
  if (form.DoModal() != 1) return;
  {
    const auto index = static_cast<size_t>(CSalesDocument::SettingsKind(doc.GetDocType()));
    CPreferences preferences;
    preferences.Set(pref::kLastMessage[index], form.GetText().view());
    preferences.Set(pref::kLastMessageListId[index], form.GetListId().view());
  }
  CCustomSettings& settings = m_customSettings ? *m_customSettings : doc.GetCustomSettings();
  RunDocumentCommand(
      std::make_unique<CSelectMessageCommand>(doc, form.GetText(), form.GetListId(), form.IsChecked(), settings), true);
}

// ---- Lines --------------------------------------------------------------------------------------

void CDocumentView::EditLine(const CBstr& keyOrLink, WCHAR column, LPCWSTR name) {
  CSalesDocument& doc = *m_document;
  HWND window = GetHwnd();
  CItemStore* store = m_itemStore;
  LineEditor editor = [window, store, &doc](CDbRecord& line, WCHAR tapped) {
    if (line.FieldView(kLineFieldType) == kLabelLineType) return EditLabelLine(window, store, line);
    CLineItemDlg form(GetResourceInstance(), window, tapped, line, doc, store);
    return form.DoModal() == 1;
  };
  // A tapped cell comes as its link; the line popup and the Edit menu name the line.
  std::unique_ptr<CEditCommand> command =
      name ? std::make_unique<CEditLineItemCommand>(doc, window, store, keyOrLink, column, editor)
           : std::make_unique<CEditLineItemCommand>(doc, window, store, keyOrLink, editor);
  RunDocumentCommand(std::move(command), false);
}

bool CDocumentView::AskText(const CBstr& title, const CBstr& label, int maxLength, DWORD flags, CBstr& value) {
  CTextEntryDlg entry(GetResourceInstance(), GetHwnd(), title, label, value, maxLength, flags);
  if (entry.DoModal() != 1) return false;
  entry.GetText(value);
  return true;
}

void CDocumentView::EditNumber() {
  CSalesDocument& doc = *m_document;
  const int type = doc.GetDocType();
  const CBstr present = doc.GetNumber();
  CBstr number = present;
  if (!AskText(CBstr(NumberTitle(type)), CBstr(u"Number:"), 40, kFlagNumberText, number)) return;
  if (!EditTextEquals(number, present)) {
    bool inUse = false;
    {
      CWaitCursorScope wait;
      inUse = IsDocumentNumberTaken(GetHwnd(), number.view(), type);
    }
    const std::u16string question = NumberInUseQuestion(type);
    if (inUse && MessageBoxW(GetHwnd(), question.c_str(), kProductName, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  if (SendEditCommand(m_mainWindow, std::make_unique<CChangeNumberCommand>(doc, number, doc.GetFilePath(), type)))
    PostMessageW(m_mainWindow, kMsgReloadRegister, 1, 0);
}

void CDocumentView::EditTextField(HeaderField code) {
  CSalesDocument& doc = *m_document;
  struct Entry {
    HeaderField code;
    const char16_t* attribute;
    const char16_t* title;
    const char16_t* label;
    int maxLength;
    DWORD flags;
  };
  static const Entry kEntries[] = {
      {HeaderField::CardNumber, u"CCARDNUM", u"Credit Card Number", u"Number:", 24, kFlagNumericKeys},
      {HeaderField::PayAmount, u"PAYAMOUNT", u"Payment Amount", u"Number:", 40, kFlagNumber | kFlagNumericKeys},
      {HeaderField::CheckNumber, u"CHKNUM", u"Check Number", u"Number:", 40, kFlagNumberText},
      {HeaderField::PONumber, u"PONUM", u"Purchase Order Number", u"Number:", 40, kFlagNumberText},
      {HeaderField::Account, u"ACCOUNT", u"Account", u"Number:", 40, 0},
      {HeaderField::Other1, u"OTHER1", nullptr, u"Text:", 80, 0},
      {HeaderField::Other2, u"OTHER2", nullptr, u"Text:", 80, 0},
      {HeaderField::Other3, u"OTHER3", nullptr, u"Text:", 80, 0},
  };
  const Entry* entry = nullptr;
  for (const Entry& e : kEntries)
    if (e.code == code) entry = &e;
  if (!entry) return;
  std::u16string title = entry->title ? entry->title : u"";
  if (!entry->title) {
    // A custom field is titled by its caption for the document's type.
    const int kind = CSalesDocument::SettingsKind(doc.GetDocType());
    const int other = static_cast<int>(code) - static_cast<int>(HeaderField::Other1);
    title = doc.GetCustomSettings().GetCaption(kind, kRowOtherCaption + other);
    if (title.empty()) title = u"Customer Other Field";
  }
  CBstr value = doc.GetAttribute(entry->attribute);
  if (!AskText(CBstr(title), CBstr(entry->label), entry->maxLength, entry->flags, value)) return;
  std::unique_ptr<CEditCommand> command;
  switch (code) {
    case HeaderField::CardNumber: command = std::make_unique<CChangeCardNumberCommand>(doc, value); break;
    case HeaderField::PayAmount: command = std::make_unique<CChangePaymentAmountCommand>(doc, value); break;
    case HeaderField::CheckNumber: command = std::make_unique<CChangeCheckNumberCommand>(doc, value); break;
    case HeaderField::PONumber: command = std::make_unique<CChangePONumberCommand>(doc, value); break;
    case HeaderField::Account:
      CPreferences().Set(pref::kLastAccount, value.view());
      command = std::make_unique<CChangeAccountCommand>(doc, value);
      break;
    default: command = std::make_unique<CChangeCustomFieldCommand>(doc, value, code); break;
  }
  RunDocumentCommand(std::move(command), true);
}

void CDocumentView::SelectFromList(HeaderField code) {
  CSalesDocument& doc = *m_document;
  HWND window = GetHwnd();
  HINSTANCE resources = GetResourceInstance();
  CPreferences preferences;
  std::unique_ptr<CEditCommand> command;
  if (code == HeaderField::Tax) {
    CBstr name, rate, vendor;
    doc.GetTax(name, rate, vendor);
    std::unique_ptr<CSalesTaxPicker> picker;
    {
      CWaitCursorScope wait;
      picker = std::make_unique<CSalesTaxPicker>(resources, window, m_itemStore, rate, name, vendor);
    }
    if (picker->DoModal() != 1) return;
    picker->GetName(name), picker->GetRate(rate), picker->GetVendor(vendor);
    preferences.Set(pref::kLastTaxName, name.view());
    preferences.Set(pref::kLastTaxRate, rate.view());
    preferences.Set(pref::kLastTaxVendor, vendor.view());
    command = std::make_unique<CChangeTaxCommand>(doc, name, rate, vendor);
  } else if (code == HeaderField::Rep) {
    CBstr rep, fullName;
    doc.GetRep(rep, fullName);
    std::unique_ptr<CSalesRepPicker> picker;
    {
      CWaitCursorScope wait;
      picker = std::make_unique<CSalesRepPicker>(resources, window, m_itemStore, rep, fullName);
    }
    if (picker->DoModal() != 1) return;
    picker->GetText(rep), picker->GetFullName(fullName);
    preferences.Set(pref::kLastRep, rep.view());
    preferences.Set(pref::kLastRepFullName, fullName.view());
    command = std::make_unique<CChangeRepCommand>(doc, rep, fullName);
  } else {
    const char16_t* attribute = code == HeaderField::Terms           ? u"TERMS"
                                : code == HeaderField::PaymentMethod ? u"PAYMENT"
                                                                     : u"SHIPVIA";
    CBstr value = doc.GetAttribute(attribute);
    std::unique_ptr<CNamePicker> picker;
    {
      CWaitCursorScope wait;
      if (code == HeaderField::Terms)
        picker = std::make_unique<CTermsPicker>(resources, window, m_itemStore, value);
      else if (code == HeaderField::PaymentMethod)
        picker = std::make_unique<CPaymentMethodPicker>(resources, window, m_itemStore, value);
      else
        picker = std::make_unique<CShipViaPicker>(resources, window, m_itemStore, value);
    }
    if (picker->DoModal() != 1) return;
    picker->GetText(value);
    if (code == HeaderField::Terms) {
      preferences.Set(pref::kLastTerms, value.view());
      command = std::make_unique<CChangeTermsCommand>(doc, value);
    } else if (code == HeaderField::PaymentMethod) {
      preferences.Set(pref::kLastPaymentMethod, value.view());
      command = std::make_unique<CChangePaymentMethodCommand>(doc, value);
    } else {
      preferences.Set(pref::kLastShipVia, value.view());
      command = std::make_unique<CChangeShipViaCommand>(doc, value);
    }
  }
  RunDocumentCommand(std::move(command), true);
}

void CDocumentView::EditNotes() {
  CSalesDocument& doc = *m_document;
  CCustomSettings& settings = m_customSettings ? *m_customSettings : doc.GetCustomSettings();
  const int kind = CSalesDocument::SettingsKind(doc.GetDocType());
  CBstr notes = doc.GetNotes();
  if (notes.IsEmpty()) notes = CBstr(settings.GetCaption(kind, kCaptionDefaultNotes));
  CNotesDlg dialog(GetResourceInstance(), GetHwnd(), notes, settings.GetFlag(kind, kRowReuseNotes) != 0);
  {
    CHiddenDocumentPage hidden(doc);
    if (dialog.DoModal() != 1) return;
  }
  dialog.GetText(notes);
  // Notes kept for new documents of the type are these notes.
  settings.SetFlag(kind, kRowReuseNotes, dialog.GetCheckBox() ? 1 : 0);
  if (dialog.GetCheckBox()) settings.SetCaption(kind, kCaptionDefaultNotes, notes.view());
  RunDocumentCommand(std::make_unique<CEditNotesCommand>(doc, notes, settings), true);
}

void CDocumentView::EditShipTo() {
  HWND window = GetHwnd();
  ShipToEditor form = [window](CShipToAddress& address) {
    CShipToDlg dialog(GetResourceInstance(), window, &address);
    return dialog.DoModal() == 1;
  };
  CHiddenDocumentPage hidden(*m_document);
  RunDocumentCommand(std::make_unique<CEditShipToCommand>(*m_document, form), false);
}

void CDocumentView::EditJob() {
  HWND window = GetHwnd();
  CItemStore* store = m_itemStore;
  JobEditor dialog = [window, store](CJobRecord& job, bool isNew) {
    CJobDlg form(GetResourceInstance(), window, store, isNew ? 0 : -1, &job);
    return form.DoModal() == 1;
  };
  RunDocumentCommand(std::make_unique<CEditJobCommand>(*m_document, dialog), false);
}

void CDocumentView::InsertLabel() {
  HWND window = GetHwnd();
  CItemStore* store = m_itemStore;
  LabelChooser chooser = [window, store](CBstr& label) { return AskLabel(window, store, label); };
  RunDocumentCommand(std::make_unique<CAddLabelCommand>(*m_document, chooser), false);
}
