#include "editor/LineItemDlg.h"

#include <string>

#include "core/CustomSettings.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "datastore/DbRecord.h"
#include "datastore/ListCache.h"
#include "datastore/PriceLevelList.h"
#include "datastore/TaxCodeList.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "editor/LineItemCommands.h"
#include "resources/resource_ids.h"

namespace {

// Line-record fields beside those the document names.
constexpr int kLineFieldItemId = 0;
constexpr int kLineFieldDescription = 6;
constexpr int kLineFieldCost = 18;
constexpr int kLineFieldServiced = 19;
constexpr int kLineFieldCustomName[2] = {25, 27};
constexpr int kLineFieldCustomValue[2] = {26, 28};

// Custom settings rows of the line columns (of the document's type).
constexpr int kRowDateColumnOnScreen = 51;
constexpr int kRowDateColumnOnPrinter = 52;
constexpr int kRowCustomOnScreen[2] = {79, 81};
constexpr int kRowCustomOnPrinter[2] = {80, 82};
constexpr int kCaptionCustom[2] = {37, 38};

constexpr int kLineItemHelpTopic = 19;
constexpr int kAddItemsHelpTopic = 14;
constexpr int kAcceptButton = IDC_FORM_EXTRA1;

// Field flags the rows combine.
constexpr DWORD kEditable = kFlagEditable;
constexpr DWORD kRequiredText = kFlagEditable | kFlagRequired;                                   // 0x50
constexpr DWORD kRequiredNumber = kRequiredText | kFlagNumber;                                   // 0x51
constexpr DWORD kRequiredCount = kRequiredText | kFlagNumericKeys;                               // 0x58
constexpr DWORD kRequiredAmount = kRequiredCount | kFlagNumber;                                  // 0x59
constexpr DWORD kRequiredMoneyOrPercent = kRequiredAmount | kFlagMoney;                          // 0x5B
constexpr DWORD kDescriptionFlags = 0x100 | kFlagEditable;                                       // 0x140

void AddChoice(FieldChoiceList& list, const CBstr& shown, const CBstr& value) {
  if (list.count >= FieldChoiceList::kCapacity) return;
  list.first[static_cast<size_t>(list.count)] = shown;
  list.second[static_cast<size_t>(list.count)] = value;
  ++list.count;
}

// What a price may be besides an amount; every one of them is worth nothing.
void FillPriceChoices(FieldChoiceList& list) {
  for (const char16_t* shown : {u"0.00", u"Included", u"Free", u"No Charge", u"Promotion"})
    AddChoice(list, CBstr(shown), CBstr(u"0.00"));
}

bool IsShown(const CSalesDocument& document, int screenRow, int printerRow) {
  return document.GetTypeFlag(screenRow) != 0 || document.GetTypeFlag(printerRow) != 0;
}

bool ShowsDateColumn(const CSalesDocument& document) {
  return IsShown(document, kRowDateColumnOnScreen, kRowDateColumnOnPrinter);
}

// The names of the first two custom item fields (empty when there are fewer). Each name
// is taken by its own position, so the second field never gets the first one's name.
void ReadCustomItemFieldNames(CItemStore* store, CBstr (&names)[2]) {
  if (!store) return;
  CListCache fields(store);
  CBstr name;
  if (!fields.GetFirstItemFieldName(name)) return;
  names[0] = name;
  if (fields.GetNextItemFieldName(name)) names[1] = name;
}

CBstr WithColon(std::u16string_view text) { return CBstr(std::u16string(text) + u":"); }

CBstr Field(const CDbRecord& record, int index) { return CBstr(record.FieldView(index)); }

CBstr CurrencyText(CBstr text) {
  FormatCurrencyText(text, false);
  return text;
}

}  // namespace

// ---- Invoice Item ---------------------------------------------------------------------------

CLineItemDlg::CLineItemDlg(HINSTANCE resources, HWND parent, WCHAR column, CDbRecord& line,
                           const CSalesDocument& document, CItemStore* store)
    : m_line(line), m_oldName(Field(line, kLineFieldName)), m_docType(document.GetDocType()) {
  FillPriceChoices(m_priceChoices);
  const std::u16string type(line.FieldView(kLineFieldType));
  const bool discount = type == u"Discount";
  m_form = std::make_unique<CFieldForm>(resources, parent, CBstr(u"Invoice Item"), -1, GetUiMetric(11),
                                        discount ? 92 : 80, discount ? 138 : 150, nullptr);

  // Every tax code the list holds, as far as the choice list reaches; "Non" without any.
  if (store) {
    CTaxCodeList codes(store);
    CBstr name;
    for (int more = codes.GetFirstTaxCode(name, false); more; more = codes.GetNextTaxCode(name, false))
      AddChoice(m_taxChoices, name, name);
  }
  if (m_taxChoices.count == 0) AddChoice(m_taxChoices, CBstr(u"Non"), CBstr(u"Non"));

  const bool adjustment = NeedsNoQuestions(type) || type == u"Payment";
  if (adjustment) {
    m_form->AddField(0, kFieldText, 0, CBstr(u"Type:"), CBstr(type), 1, 20, nullptr);
    AddNameRows();
    CBstr amount = StripLeadingSign(line.FieldView(kLineFieldPrice), u'-');
    if (type == u"Payment") {
      m_form->AddField(5, kFieldText, kRequiredAmount, CBstr(u"Amount:"), amount, 1, 10, nullptr);
    } else if (discount) {
      m_form->AddField(5, kFieldText, kRequiredMoneyOrPercent, CBstr(u"Amount or %:"), amount, 1, 10, nullptr);
      m_form->AddField(6, kFieldChoiceToo, kEditable, CBstr(u"Tax Code:"), Field(line, kLineFieldTaxable), 1, 10,
                       &m_taxChoices);
      m_taxRow = 6;
    } else if (type != u"Subtotal") {
      m_form->AddField(5, kFieldText, kRequiredMoneyOrPercent, CBstr(u"Amount:"), amount, 1, 10, nullptr);
    }
    if (type != u"Subtotal") m_priceRow = 5;
  } else {
    ReadCustomItemFieldNames(store, m_customNames);
    AddItemRows(type, document);
  }

  switch (column) {
    case u'C': m_focusRow = m_custom1Row; break;
    case u'D': m_focusRow = adjustment ? -1 : m_descriptionRow; break;
    case u'E': m_focusRow = m_custom2Row; break;
    case u'N': m_focusRow = m_nameRow; break;
    case u'P': m_focusRow = m_priceRow; break;
    case u'Q': m_focusRow = m_quantityRow; break;
    case u'S': m_focusRow = m_servicedRow; break;
    case u'T': m_focusRow = m_taxRow; break;
    default: m_focusRow = -1; break;
  }
  m_form->SetCurrentField(m_focusRow);
}

CLineItemDlg::~CLineItemDlg() = default;

void CLineItemDlg::AddNameRows() {
  m_form->AddField(1, kFieldText, kRequiredText, CBstr(u"Name:"), Field(m_line, kLineFieldName), 1, 40, nullptr);
  m_form->AddField(2, kFieldMultiLine, kEditable, CBstr(u"Description:"), Field(m_line, kLineFieldDescription), 3,
                   2048, nullptr);
  m_form->AddField(3, kFieldMultiLineRow, kEditable, CBstr(u""), CBstr(u""), 3, 0, nullptr);
  m_form->AddField(4, kFieldMultiLineRow, kEditable, CBstr(u""), CBstr(u""), 3, 0, nullptr);
  m_nameRow = 1;
  m_descriptionRow = 2;
}

void CLineItemDlg::AddItemRows(std::u16string_view type, const CSalesDocument& document) {
  m_form->AddField(0, kFieldText, kRequiredCount, CBstr(u"Quantity:"), Field(m_line, kLineFieldQuantity), 1, 10,
                   nullptr);
  m_quantityRow = 0;
  AddNameRows();
  m_form->AddField(5, kFieldTextWithChoices, kRequiredNumber, CBstr(u"Sales price:"),
                   Field(m_line, kLineFieldPrice), 1, 10, &m_priceChoices);
  m_priceRow = 5;
  int row = 6;
  if (type == u"Inventory Part") {
    m_form->AddField(row, kFieldText, kRequiredAmount, CBstr(u"Cost:"), Field(m_line, kLineFieldCost), 1, 10,
                     nullptr);
    m_costRow = row++;
  }
  m_form->AddField(row, kFieldChoiceToo, document.GetUseSalesTax() ? kEditable : kFlagHidden, CBstr(u"Tax Code:"),
                   Field(m_line, kLineFieldTaxable), 1, 10, &m_taxChoices);
  m_taxRow = row++;
  if (ShowsDateColumn(document)) {
    m_form->AddField(row, kFieldDate, kEditable, CBstr(u"Serviced:"), Field(m_line, kLineFieldServiced), 1, 12,
                     nullptr);
    m_servicedRow = row++;
  }
  const int kind = CSalesDocument::SettingsKind(m_docType);
  int* customRows[2] = {&m_custom1Row, &m_custom2Row};
  for (int c = 0; c < 2; ++c) {
    const std::u16string& caption = document.GetCustomSettings().GetCaption(kind, kCaptionCustom[c]);
    if (caption.empty() || !IsShown(document, kRowCustomOnScreen[c], kRowCustomOnPrinter[c])) continue;
    m_form->AddField(row, kFieldText, kEditable, WithColon(caption), Field(m_line, kLineFieldCustomValue[c]), 1, 25,
                     nullptr);
    *customRows[c] = row++;
  }
}

CBstr CLineItemDlg::RowText(int row) const {
  CBstr text;
  m_form->GetFieldText(row, text);
  return text;
}

INT_PTR CLineItemDlg::DoModal() {
  const INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kLineItemHelpTopic, true);
  if (code == CFieldFormModel::kEndAccepted) ReadBack();
  return code;
}

void CLineItemDlg::ReadBack() {
  const std::u16string type(m_line.FieldView(kLineFieldType));
  if (m_quantityRow >= 0) m_line.SetField(kLineFieldQuantity, RowText(m_quantityRow));
  m_line.SetField(kLineFieldName, RowText(m_nameRow));
  // The description rows join as they were wrapped; a line break the user typed stays.
  CBstr description;
  m_form->GetFieldText(m_descriptionRow, description, FieldRows::JoinedOnLines);
  m_line.SetField(kLineFieldDescription, description);
  if (m_priceRow >= 0) {
    CBstr price = RowText(m_priceRow);
    if (type == u"Discount") {
      NormalizeAmountText(price, false, false);
    } else if (type != u"Sales Tax Item" && type != u"Sales Tax Group") {
      FormatCurrencyText(price, false);
    }
    m_line.SetField(kLineFieldPrice, price);
  }
  if (m_costRow >= 0) m_line.SetField(kLineFieldCost, CurrencyText(RowText(m_costRow)));
  if (m_taxRow >= 0) m_line.SetField(kLineFieldTaxable, RowText(m_taxRow));
  if (m_servicedRow >= 0) m_line.SetField(kLineFieldServiced, RowText(m_servicedRow));
  const int customRows[2] = {m_custom1Row, m_custom2Row};
  for (int c = 0; c < 2; ++c) {
    if (customRows[c] < 0) continue;
    m_line.SetField(kLineFieldCustomValue[c], RowText(customRows[c]));
    m_line.SetField(kLineFieldCustomName[c], m_customNames[c]);
  }
  // A renamed line no longer stands for the list item it came from.
  if (m_line.FieldView(kLineFieldName) != m_oldName.view()) m_line.SetField(kLineFieldItemId, u"");
}

// ---- Add Invoice Item -----------------------------------------------------------------------

CAddLineItemsDlg* CAddLineItemsDlg::s_current = nullptr;

CAddLineItemsDlg::CAddLineItemsDlg(HINSTANCE resources, CItemStore* store, HWND itemList, HWND owner,
                                   CSalesDocument& document, std::vector<std::unique_ptr<CDbRecord>> records,
                                   bool render, bool atEnd, bool sound, int recalc, const CBstr& defaultPriceLevel,
                                   AddLineSink sink)
    : m_previous(s_current),
      m_resources(resources),
      m_store(store),
      m_itemList(itemList),
      m_owner(owner),
      m_document(document),
      m_records(std::move(records)),
      m_render(render),
      m_atEnd(atEnd),
      m_sound(sound),
      m_recalc(recalc),
      m_defaultLevel(defaultPriceLevel),
      m_sink(std::move(sink)) {
  s_current = this;
  for (const auto& record : m_records)
    if (!NeedsNoQuestions(record->FieldView(kLineFieldType))) ++m_formCount;
  const CBstr heading = Heading();
  m_form = std::make_unique<CFieldForm>(resources, itemList ? itemList : owner, heading, 0, GetUiMetric(11), 84, 148,
                                        &CAddLineItemsDlg::OnFormButton);
  const bool asking = AddRecordsWithoutForm();
  FillPriceChoices(m_priceChoices);
  if (store) {
    CPriceLevelList levels(store);
    CBstr name, percent;
    for (int more = levels.GetFirstLevel(name, percent); more; more = levels.GetNextLevel(name, percent))
      AddChoice(m_levelChoices, name, percent);
  }
  ReadCustomItemFieldNames(store, m_customNames);
  if (asking) FillForm(*m_records[m_current]);
}

CAddLineItemsDlg::~CAddLineItemsDlg() {
  m_form.reset();
  if (s_current == this) s_current = m_previous;
}

CBstr CAddLineItemsDlg::Heading() {
  if (m_formCount == 1) return CBstr(u"Add Invoice Item");
  std::u16string text = u"Adding Item " + platform::ToUtf16(std::to_string(m_nextNumber)) + u" of " +
                        platform::ToUtf16(std::to_string(m_formCount));
  ++m_nextNumber;
  return CBstr(text);
}

void CAddLineItemsDlg::Send(std::unique_ptr<CDbRecord> record, bool render, bool sound, int recalc) {
  auto line = std::make_unique<CAddLineItemCommand>(
      m_document, m_owner, m_store, std::move(record),
      CAddLineItemCommand::Placing{.render = render, .atEnd = m_atEnd, .sound = sound, .recalc = recalc});
  if (m_sink) m_sink(std::move(line));
  else SendEditCommand(m_owner, std::move(line));
}

bool CAddLineItemsDlg::AddRecordsWithoutForm() {
  for (; m_current < m_records.size(); ++m_current) {
    std::unique_ptr<CDbRecord>& record = m_records[m_current];
    if (!NeedsNoQuestions(record->FieldView(kLineFieldType))) return true;
    Send(std::move(record), false, false, 0);
  }
  return false;
}

void CAddLineItemsDlg::FillForm(const CDbRecord& record) {
  m_form->RemoveAllFields();
  m_servicedRow = m_levelRow = m_custom1Row = m_custom2Row = -1;
  m_payment = record.FieldView(kLineFieldType) == u"Payment";
  m_form->AddField(0, kFieldText, kRequiredCount, CBstr(u"Quantity:"), Field(record, kLineFieldQuantity), 1, 10,
                   nullptr);
  m_form->AddField(1, kFieldText, kRequiredText, CBstr(u"Name:"), Field(record, kLineFieldName), 1, 40, nullptr);
  m_form->AddField(2, kFieldMultiLine, kDescriptionFlags, CBstr(u"Description:"), Field(record, kLineFieldDescription),
                   3, 2048, nullptr);
  m_form->AddField(3, kFieldMultiLineRow, kEditable, CBstr(u""), CBstr(u""), 3, 0, nullptr);
  m_form->AddField(4, kFieldMultiLineRow, kEditable, CBstr(u""), CBstr(u""), 3, 0, nullptr);
  m_form->AddField(5, kFieldTextWithChoices, kRequiredNumber, CBstr(u"Amount:"), Field(record, kFieldSalesAmount), 1,
                   10, &m_priceChoices);
  int row = 6;
  if (m_document.GetDocType() != kDocCreditMemo && ShowsDateColumn(m_document)) {
    CBstr serviced = Field(record, kLineFieldServiced);
    if (serviced.IsEmpty()) GetTodayDateText(serviced);
    m_form->AddField(row, kFieldDate, kEditable, CBstr(u"Serviced:"), serviced, 1, 12, nullptr);
    m_servicedRow = row++;
  }
  if (!m_payment) {
    CBstr level = Field(record, kLineFieldPriceLevel);
    if (level.IsEmpty()) level = m_defaultLevel;
    m_form->AddField(row, kFieldChoiceToo, kEditable, CBstr(u"Price Level:"), level, 1, 40, &m_levelChoices);
    m_levelRow = row++;
  }
  int* customRows[2] = {&m_custom1Row, &m_custom2Row};
  for (int c = 0; c < 2; ++c) {
    if (m_customNames[c].IsEmpty() || !IsShown(m_document, kRowCustomOnScreen[c], kRowCustomOnPrinter[c])) continue;
    m_form->AddField(row, kFieldText, kEditable, WithColon(m_customNames[c].view()),
                     Field(record, kLineFieldCustomValue[c]), 1, 25, nullptr);
    *customRows[c] = row++;
  }
}

void CAddLineItemsDlg::ReadBack(CDbRecord& record) const {
  auto text = [this](int row) {
    CBstr value;
    m_form->GetFieldText(row, value);
    return value;
  };
  record.SetField(kLineFieldQuantity, text(0));
  record.SetField(kLineFieldName, text(1));
  CBstr description;
  m_form->GetFieldText(2, description, FieldRows::JoinedOnLines);
  record.SetField(kLineFieldDescription, description);
  record.SetField(kLineFieldPrice, CurrencyText(text(5)));
  if (m_servicedRow >= 0) record.SetField(kLineFieldServiced, text(m_servicedRow));
  if (m_levelRow >= 0) record.SetField(kLineFieldPriceLevel, text(m_levelRow));
  const int customRows[2] = {m_custom1Row, m_custom2Row};
  for (int c = 0; c < 2; ++c) {
    if (customRows[c] < 0) continue;
    record.SetField(kLineFieldCustomName[c], m_customNames[c]);
    record.SetField(kLineFieldCustomValue[c], text(customRows[c]));
  }
}

int CAddLineItemsDlg::OnFormButton(HWND, int command) { return s_current ? s_current->OnButton(command) : 0; }

int CAddLineItemsDlg::OnButton(int command) {
  if (m_current >= m_records.size()) return 0;
  std::unique_ptr<CDbRecord> record = std::move(m_records[m_current++]);
  if (command == kAcceptButton) {
    ReadBack(*record);
    Send(std::move(record), m_render, m_sound, m_recalc);
  }
  // Any other button skips the item.
  if (!AddRecordsWithoutForm()) return 0;
  m_form->SetTitle(Heading());
  FillForm(*m_records[m_current]);
  m_form->ReloadFields(0);
  return 1;
}

INT_PTR CAddLineItemsDlg::Run() {
  if (m_current >= m_records.size()) return CFieldFormModel::kEndAccepted;
  const bool several = m_records.size() >= 2;
  const INT_PTR code = m_form->DoModal(several ? IDD_ADD_LINE_ITEMS : IDD_ADD_LINE_ITEM, kAddItemsHelpTopic, true);
  if (several) {
    // The lines went to the end of the page: show them there, with the document.
    if (auto* view = dynamic_cast<CHtmlView*>(m_document.GetView()))
      SendMessageW(view->GetControl(), WM_VSCROLL, SB_BOTTOM, 0);
    if (m_itemList) ShowWindow(m_itemList, SW_HIDE);
  }
  return code;
}
