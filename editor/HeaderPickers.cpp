#include "editor/HeaderPickers.h"

#include <functional>

#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "datastore/ListAccessor.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/SalesTaxList.h"
#include "document/ShipToAddress.h"
#include "editor/DocumentCommand.h"
#include "resources/resource_ids.h"

namespace {

constexpr bool kPanelDown = false;
constexpr bool kPanelUp = true;
constexpr int kNameMaxLength = 40;

// One entry of a stored list as the choice columns take it.
struct ChoiceRow {
  CBstr first, second, third, fourth;
};
using ReadRow = std::function<bool(ChoiceRow&)>;

// Fills `list` from a list's first entry on, until the list ends or the list is full.
void LoadChoices(FieldChoiceList& list, const ReadRow& first, const ReadRow& next) {
  list = FieldChoiceList();
  ChoiceRow row;
  for (bool more = first(row); more && list.count < FieldChoiceList::kCapacity; more = next(row)) {
    const auto at = static_cast<size_t>(list.count++);
    list.first[at] = row.first;
    list.second[at] = row.second;
    list.third[at] = row.third;
    list.fourth[at] = row.fourth;
  }
}

// The stored entry (not one typed in during the run) shown as exactly `text`, or -1.
int StoredEntry(const FieldChoiceList& list, std::u16string_view text) {
  const int entry = list.FindFirst(text);
  return entry >= 0 && !list.isNew[static_cast<size_t>(entry)] ? entry : -1;
}

std::u16string Replaced(std::u16string text, std::u16string_view from, std::u16string_view to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

// ---- CHeaderFieldForm

CHeaderFieldForm::CHeaderFieldForm(HINSTANCE resources, HWND parent, const CBstr& title, int labelWidth,
                                   int fieldWidth, int firstField)
    : m_choices(std::make_unique<FieldChoiceList>()),
      m_form(std::make_unique<CFieldForm>(resources, parent, title, firstField, 0, labelWidth, fieldWidth, nullptr)) {}

CHeaderFieldForm::~CHeaderFieldForm() = default;

INT_PTR CHeaderFieldForm::Run(int helpTopic, bool raiseInputPanel) {
  return m_form->DoModal(IDD_FIELD_FORM, helpTopic, raiseInputPanel);
}

CBstr CHeaderFieldForm::FieldText(int index, bool withContinuations) const {
  CBstr text;
  m_form->GetFieldText(index, text, withContinuations ? FieldRows::JoinedOnLines : FieldRows::Own);
  return text;
}

// ---- The name lists

namespace {

struct NameListForm {
  const char16_t* title;
  int labelWidth;
  int fieldWidth;
  const char16_t* label;
  const char16_t* placeholder;
  int helpTopic;
};
// By CNamePicker::List.
constexpr NameListForm kNameListForms[] = {
    {u"Terms of Payment", 50, 180, u"Terms:", u"Select Invoice Terms", 20},
    {u"Method of Payment", 70, 160, u"Payment:", u"Select payment method", 20},
    {u"Shipping Method", 60, 170, u"ShipVia:", u"Select Shipping Method", 26},
};

const NameListForm& FormOf(int list) { return kNameListForms[list]; }

}  // namespace

CNamePicker::CNamePicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& current, List list)
    : CHeaderFieldForm(resources, parent, CBstr(FormOf(list).title),
                       FormOf(list).labelWidth, FormOf(list).fieldWidth),
      m_text(current),
      m_placeholder(FormOf(list).placeholder),
      m_helpTopic(FormOf(list).helpTopic) {
  if (store && list == List::kTerms) {
    CListCache terms(store);
    LoadChoices(
        *m_choices, [&](ChoiceRow& row) { return terms.GetFirstTermName(row.first) != 0; },
        [&](ChoiceRow& row) { return terms.GetNextName(row.first) != 0; });
  } else if (store) {
    std::unique_ptr<CNamedList> names;
    if (list == List::kPaymentMethods) {
      names = std::make_unique<CPaymentMethodsList>(store);
    } else {
      names = std::make_unique<CShippingMethodsList>(store);
    }
    LoadChoices(
        *m_choices, [&](ChoiceRow& row) { return names->GetFirstName(row.first) != 0; },
        [&](ChoiceRow& row) { return names->GetNextName(row.first) != 0; });
  }
  m_form->AddField(0, kFieldChoiceToo, kFlagEditable | kFlagRequired, CBstr(FormOf(list).label),
                   m_text.IsEmpty() ? m_placeholder : m_text, 1, kNameMaxLength, m_choices.get());
}

INT_PTR CNamePicker::DoModal() {
  INT_PTR code = Run(m_helpTopic, kPanelDown);
  if (code == CFieldFormModel::kEndAccepted) {
    m_text = FieldText(0);
    if (m_text.view() == m_placeholder.view()) m_text = CBstr(u"");
  }
  return code;
}

// ---- Sales rep

CSalesRepPicker::CSalesRepPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& rep,
                                 const CBstr& fullName)
    : CHeaderFieldForm(resources, parent, CBstr(u"Sales Representative"), 50, 180), m_rep(rep), m_fullName(fullName) {
  if (store) {
    // The drop-down shows the initials and a choice brings its second text: the initials
    // again. The full name rides along in the third column.
    CSalesRepsList reps(store);
    auto take = [](ChoiceRow& row) {
      row.third = row.second;
      row.second = row.first;
      return true;
    };
    LoadChoices(
        *m_choices, [&](ChoiceRow& row) { return reps.GetFirstEntry(row.first, row.second) && take(row); },
        [&](ChoiceRow& row) { return reps.GetNextEntry(row.first, row.second) && take(row); });
  }
  m_form->AddField(0, kFieldTextWithChoices, kFlagEditable | kFlagRequired, CBstr(u"REP:"),
                   m_rep.IsEmpty() ? CBstr(u"Select Invoice REP") : m_rep, 1, kMaxInitials, m_choices.get());
}

INT_PTR CSalesRepPicker::DoModal() {
  INT_PTR code = Run(23, kPanelDown);
  if (code == CFieldFormModel::kEndAccepted) {
    m_rep = FieldText(0);
    if (m_rep.view() == u"Select Invoice REP") m_rep = CBstr(u"");
    if (int entry = StoredEntry(*m_choices, m_rep.view()); entry >= 0)
      m_fullName = m_choices->third[static_cast<size_t>(entry)];
  }
  return code;
}

// ---- Sales tax

CSalesTaxPicker::CSalesTaxPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& rate,
                                 const CBstr& name, const CBstr& vendor)
    : CHeaderFieldForm(resources, parent, CBstr(u"Sales Tax"), 82, 148), m_rate(rate), m_name(name), m_vendor(vendor) {
  if (store) {
    // Name, rate, list id, vendor: a choice puts the name into the tax row and the rate
    // into the rate row.
    CSalesTaxList taxes(store);
    LoadChoices(
        *m_choices,
        [&](ChoiceRow& row) { return taxes.GetFirstSalesTax(row.first, row.second, row.fourth, row.third) != 0; },
        [&](ChoiceRow& row) { return taxes.GetNextSalesTax(row.first, row.second, row.fourth, row.third) != 0; });
  }
  constexpr DWORD kRateFlags =
      kFlagNumber | kFlagMoney | kFlagPercent | kFlagNumericKeys | kFlagRequired | kFlagEditable | kFlagLinkedPair;
  m_form->AddField(0, kFieldTextWithChoices, kFlagRequired | kFlagEditable | kFlagLinkedPair, CBstr(u"Tax:"),
                   m_name.IsEmpty() ? CBstr(u"Select a Tax") : m_name, 1, kNameMaxLength, m_choices.get());
  m_form->AddField(1, kFieldText, kRateFlags, CBstr(u"Rate (%):"), m_rate.IsEmpty() ? CBstr(u"0") : m_rate, 1, 10,
                   m_choices.get());
}

INT_PTR CSalesTaxPicker::DoModal() {
  INT_PTR code = Run(12, kPanelUp);
  if (code == CFieldFormModel::kEndAccepted) {
    m_name = FieldText(0);
    if (m_name.view() == u"Select a Tax") m_name = CBstr(u"");
    m_rate = FieldText(1);
    if (int entry = StoredEntry(*m_choices, m_name.view()); entry >= 0)
      m_vendor = m_choices->fourth[static_cast<size_t>(entry)];
  }
  return code;
}

// ---- Notes

namespace {
constexpr int kNotesRows = 7;
constexpr DWORD kNotesFlags = kFlagFreeText | kFlagColonAllowed | kFlagWide | kFlagEditable;
}  // namespace

CNotesDlg::CNotesDlg(HINSTANCE resources, HWND parent, const CBstr& notes, bool useAsDefault)
    : CHeaderFieldForm(resources, parent, CBstr(u"Notes"), 2, 224), m_text(notes), m_checked(useAsDefault) {
  m_form->AddField(0, kFieldMultiLine, kNotesFlags | kFlagRequired, CBstr(u"Notes:"), StoredToShown(notes), kNotesRows,
                   0, nullptr);
  for (int row = 1; row < kNotesRows; ++row)
    m_form->AddField(row, kFieldMultiLineRow, kNotesFlags, CBstr(), CBstr(u""), kNotesRows, 0, nullptr);
  m_form->SetCheckBox(useAsDefault, LoadResString(IDS_NOTES_USE_AS_DEFAULT));
}

CBstr CNotesDlg::StoredToShown(const CBstr& stored) { return CBstr(Replaced(stored.str(), u"<br>", u"\r\n")); }

CBstr CNotesDlg::ShownToStored(const CBstr& shown) { return CBstr(Replaced(shown.str(), u"\r\n", u"<br>")); }

INT_PTR CNotesDlg::DoModal() {
  INT_PTR code = Run(21, kPanelUp);
  if (code == CFieldFormModel::kEndAccepted || code == CFieldFormModel::kEndUnchanged) {
    m_text = ShownToStored(FieldText(0, true));
    m_checked = m_form->GetCheckBox();
  }
  return code;
}

// ---- Ship to

CShipToDlg::CShipToDlg(HINSTANCE resources, HWND parent, CShipToAddress* address)
    : CHeaderFieldForm(resources, parent, CBstr(u"Ship To"), 66, 164), m_address(address) {
  CShipToTexts texts{};
  if (m_address) texts = m_address->GetTexts();
  m_form->AddField(0, kFieldText, kFlagEditable, CBstr(u"Name:"), texts.name, 1, 80, nullptr);
  m_form->AddField(1, kFieldMultiLine, kFlagEditable, CBstr(u"Address:"), texts.address1, 4, 120, nullptr);
  m_form->AddField(2, kFieldMultiLineRow, kFlagEditable, CBstr(), texts.address2, 4, 120, nullptr);
  m_form->AddField(3, kFieldMultiLineRow, kFlagEditable, CBstr(), texts.address3, 4, 120, nullptr);
  m_form->AddField(4, kFieldText, kFlagEditable, CBstr(u"Phone:"), texts.phone, 1, 80, nullptr);
  m_form->AddField(5, kFieldText, kFlagEditable, CBstr(u"E-mail:"), texts.email, 1, 80, nullptr);
}

INT_PTR CShipToDlg::DoModal() {
  INT_PTR code = Run(0, kPanelUp);
  if (code == CFieldFormModel::kEndAccepted && m_address) {
    // Each address row is its own address line.
    m_address->SetName(FieldText(0).c_str());
    m_address->SetAddress1(FieldText(1).c_str());
    m_address->SetAddress2(FieldText(2).c_str());
    m_address->SetAddress3(FieldText(3).c_str());
    m_address->SetPhone(FieldText(4).c_str());
    m_address->SetEMail(FieldText(5).c_str());
  }
  return code;
}

// ---- Label

namespace {
constexpr int kLabelRows = 3;
constexpr int kLabelMaxLength = 2048;
}  // namespace

CLabelDlg::CLabelDlg(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& label, bool addToList)
    : CHeaderFieldForm(resources, parent, CBstr(u"Label"), 44, 186), m_store(store), m_text(label) {
  if (m_store) {
    CListAccessor labels(m_store);
    LoadChoices(
        *m_choices, [&](ChoiceRow& row) { return labels.GetFirstLabel(row.first, row.second, row.third); },
        [&](ChoiceRow& row) { return labels.GetNextLabel(row.first, row.second, row.third); });
  }
  m_storedCount = m_choices->count;
  // An empty label starts on the first stored one, as choosing it would give it.
  if (m_text.IsEmpty() && m_storedCount > 0) m_text = m_choices->second[0];
  m_form->AddField(0, kFieldChoiceText, kFlagMultiLineChoice | kFlagEditable | kFlagRequired, CBstr(u"Label:"), m_text,
                   kLabelRows, kLabelMaxLength, m_choices.get());
  for (int row = 1; row < kLabelRows; ++row) {
    m_form->AddField(row, kFieldChoiceTextRow, kFlagMultiLineChoice | kFlagEditable, CBstr(), CBstr(), kLabelRows,
                     kLabelMaxLength, nullptr);
  }
  m_form->SetCheckBox(addToList, LoadResString(IDS_LABEL_ADD_TO_LIST));
}

INT_PTR CLabelDlg::DoModal() {
  INT_PTR code = Run(0, kPanelUp);
  if (code != CFieldFormModel::kEndAccepted && code != CFieldFormModel::kEndUnchanged) return code;
  // The rows are pieces of one text cut at the column's width: they join without a break.
  m_form->GetFieldText(0, m_text, FieldRows::Joined);
  if (m_text.IsEmpty()) return CFieldFormModel::kEndCancelled;
  m_listId = CBstr(u"");
  const FieldChoiceList& labels = *m_choices;
  for (int i = 0; i < m_storedCount; ++i) {
    if (EditTextEquals(labels.second[i], m_text)) {
      m_listId = labels.third[i];
      return code;
    }
  }
  if (m_form->GetCheckBox() && m_store) {
    CBstr name, stamp;
    TruncateWithEllipsis(m_text.view(), name);
    GetTimestampText(stamp);
    const CBstr listId = NewGuidString();
    CListAccessor labelList(m_store);
    if (labelList.AddLabel(name.view(), m_text.view(), listId.view(), stamp.view(), stamp.view(), true))
      m_listId = listId;
  }
  return code;
}

// ---- One line of text

CTextEntryDlg::CTextEntryDlg(HINSTANCE resources, HWND parent, const CBstr& title, const CBstr& label,
                             const CBstr& value, int maxLength, DWORD flags)
    : CHeaderFieldForm(resources, parent, title, 60, 170, 0), m_text(value) {
  m_form->AddField(0, kFieldText, kFlagEditable | kFlagRequired | flags, label, value, 1, maxLength, nullptr);
}

INT_PTR CTextEntryDlg::DoModal() {
  INT_PTR code = Run(0, kPanelUp);
  if (code == CFieldFormModel::kEndAccepted) m_text = FieldText(0);
  return code;
}
