#include "core/FieldFormModel.h"

#include <algorithm>

#include "core/Folders.h"
#include "core/Utilities.h"

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

std::vector<std::u16string> FixedEntries(int kind) {
  switch (kind) {
    case kFieldItemType:
      return {u"Discount",      u"Inventory Part", u"Non-inventory Part", u"Other Charge", u"Payment",
              u"Sales Tax Item", u"Sales Tax Group", u"Service",           u"Subtotal"};
    case kFieldYesNo:
      return {u"Yes", u"No"};
    case kFieldUnit:
      return {u"Each", u"Hundred", u"Thousand", u"Lot", u"Foot"};
    case kFieldBusinessType:
      return {u"Products", u"Services", u"Products & Service", u"Professional", u"Custom"};
    case kFieldCustomerType:
      return {u"Residential", u"Commercial"};
    case kFieldJobStatus:
      return {u"None", u"Pending", u"Awarded", u"In progress", u"Closed", u"Not awarded"};
    case kFieldSubtotalOnly:
      return {u"Subtotal"};
    case kFieldAddressKind:
      return {u"Business", u"Home"};
    case kFieldNameOrder:
      return {u"First Last", u"Last, First"};
    case kFieldCustomerSource:
      return {u"Contacts", u"DedadErude"};
    case kFieldMonth: {
      static constexpr const char16_t* kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                    u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
      std::vector<std::u16string> months;
      for (int m = 0; m < 12; ++m) {
        months.push_back(std::u16string{char16_t(u'0' + (m + 1) / 10), char16_t(u'0' + (m + 1) % 10)} + u" - " +
                         kMonths[m]);
      }
      return months;
    }
    case kFieldYear: {
      // A card expires this year or later: this year and the ten after it.
      SYSTEMTIME now;
      GetLocalTime(&now);
      std::vector<std::u16string> years;
      for (int y = now.wYear; y <= now.wYear + 10; ++y) years.push_back(platform::ToUtf16(std::to_string(y)));
      return years;
    }
    default:
      return {};
  }
}

}  // namespace

bool FieldChoiceList::AddNew(CBstr firstText, CBstr secondText) {
  if (count < 0 || count >= kCapacity) return false;
  first[count] = std::move(firstText);
  second[count] = std::move(secondText);
  isNew[count] = 1;
  ++count;
  return true;
}

int FieldChoiceList::FindFirst(std::u16string_view text) const {
  for (int i = 0; i < std::min(count, kCapacity); ++i)
    if (first[i].view() == text) return i;
  return -1;
}

int FieldChoiceList::FindSecond(std::u16string_view text) const {
  for (int i = 0; i < std::min(count, kCapacity); ++i)
    if (second[i].view() == text) return i;
  return -1;
}

int CFieldFormModel::AddField(int index, int kind, DWORD flags, const CBstr& label, const CBstr& value, int lines,
                              int maxLength, FieldChoiceList* choices) {
  if (index < 0 || index >= kMaxFields) return 1;
  auto field = std::make_unique<FormField>();
  field->kind = kind;
  field->flags = flags;
  field->label = label;
  field->value = value;
  field->startValue = value;
  field->lines = lines;
  field->maxLength = maxLength;
  field->choices = choices;
  // Refilling a slot replaces its record without counting it twice.
  if (!m_fields[index]) ++m_count;
  m_fields[index] = std::move(field);
  return 1;
}

void CFieldFormModel::RemoveAllFields() {
  for (auto& field : m_fields) field.reset();
  m_count = 0;
}

FormField* CFieldFormModel::Field(int index) const {
  return index >= 0 && index < kMaxFields ? m_fields[index].get() : nullptr;
}

int CFieldFormModel::LastRowOf(int head) const {
  int last = head;
  while (Field(last + 1) && IsContinuation(Field(last + 1)->kind)) ++last;
  return last;
}

int CFieldFormModel::GetFieldText(int index, CBstr& out, FieldRows rows) const {
  if (index < 0 || index >= kMaxFields) return 0;
  const FormField* field = Field(index);
  std::u16string text(field ? field->value.view() : std::u16string_view());
  const bool lineBreaks = rows == FieldRows::JoinedOnLines;
  if (field && rows != FieldRows::Own) {
    bool emptyRun = false;
    for (int row = index + 1; row <= LastRowOf(index); ++row) {
      std::u16string_view part = Field(row)->value.view();
      if (part.empty()) {
        emptyRun = true;
        continue;
      }
      if (emptyRun) text += kCrLf;
      if (lineBreaks && !Field(row - 1)->wrapped) text += kCrLf;
      text += part;
      emptyRun = false;
    }
  }
  out = CBstr(text);
  return 1;
}

std::u16string CFieldFormModel::DisplayText(int index) {
  FormField* field = Field(index);
  if (!field || (field->flags & kFlagHidden)) return {};
  if (field->flags & kFlagMasked) return field->value.IsEmpty() ? std::u16string() : u"********";
  // A number too large to use stays as typed, for the user to see and mend.
  if ((field->flags & kFlagNumber) && HasDigit(field->value.view()) && !IsNumberTooLarge(field->value.view())) {
    if (field->flags & (kFlagMoney | kFlagPercent)) {
      NormalizeAmountText(field->value, false, (field->flags & kFlagPercent) != 0);
    } else {
      FormatCurrencyText(field->value, false);
    }
  }
  return field->value.str();
}

bool CFieldFormModel::HasArrow(int kind) {
  return (kind >= kFieldItemType && kind <= kFieldChoiceToo) || kind == kFieldChoiceText ||
         kind == kFieldChoiceTextRow || kind == kFieldTextWithChoices || kind == kFieldAddressKind ||
         kind == kFieldNameOrder || kind == kFieldCustomerSource || kind == kFieldEmptyList;
}

bool CFieldFormModel::HasEditor(int kind) {
  return kind != 13 && kind != 18 && kind != 21 && kind >= kFieldText && kind <= kFieldYear;
}

std::vector<std::u16string> CFieldFormModel::EntriesOf(int index) const {
  const FormField* field = Field(index);
  if (!field) return {};
  switch (field->kind) {
    case kFieldChoice:
    case kFieldChoiceToo:
    case kFieldChoiceText:
    case kFieldChoiceTextRow:
    case kFieldTextWithChoices: {
      std::vector<std::u16string> entries;
      if (field->choices) {
        for (int i = 0; i < std::min(field->choices->count, FieldChoiceList::kCapacity); ++i)
          entries.push_back(field->choices->first[i].str());
      }
      return entries;
    }
    default: {
      std::vector<std::u16string> entries = FixedEntries(field->kind);
      // A card's stored expiry (shown masked, or a year no longer offered) stays a choice,
      // so that it can be chosen again after another one was picked.
      const std::u16string_view start = field->startValue.view();
      if ((field->kind == kFieldMonth || field->kind == kFieldYear) && !start.empty() &&
          std::find(entries.begin(), entries.end(), start) == entries.end())
        entries.insert(entries.begin(), std::u16string(start));
      return entries;
    }
  }
}

std::u16string CFieldFormModel::EditorText(int index) const {
  const FormField* field = Field(index);
  if (!field) return {};
  std::u16string text(field->value.view());
  if (field->kind == kFieldMultiLine) {
    // Every row up to the last one with text keeps its own line, empty or not, so that
    // going through the editor leaves each row's text in its row (an address whose middle
    // lines are empty keeps its last line last).
    int last = index;
    for (int row = index + 1; row <= LastRowOf(index); ++row)
      if (!Field(row)->value.IsEmpty()) last = row;
    for (int row = index + 1; row <= last; ++row) {
      if (!Field(row - 1)->wrapped) text += kCrLf;
      text += Field(row)->value.view();
    }
  } else if (field->kind == kFieldChoiceText) {
    CBstr joined;
    GetFieldText(index, joined, FieldRows::Joined);
    text = joined.str();
  }
  // The edit control breaks lines at CR LF only.
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
    out += text[i];
  }
  return out;
}

CBstr CFieldFormModel::TypedText(int index, const CBstr& text) const {
  const FormField* field = Field(index);
  if (!field || field->kind == kFieldMultiLine || IsContinuation(field->kind) ||
      !(field->flags & (kFlagNumber | kFlagNumericKeys | kFlagNumberText)))
    return text;
  // A blank typed after "200" would be stored with it and shown, compared and counted on
  // as part of the number.
  return CBstr(TrimWhitespace(text.view()));
}

void CFieldFormModel::CommitText(int index, const CBstr* typed, const std::vector<std::u16string>& lines,
                                 const std::vector<bool>& wrapped) {
  FormField* field = Field(index);
  if (!field) return;
  if (field->kind == kFieldChoiceText) changed = true;
  const CBstr trimmed = typed ? TypedText(index, *typed) : CBstr();
  const CBstr* text = typed ? &trimmed : nullptr;
  // While the form opens, an unchanged text is still wrapped over its rows.
  if (!text || (text->view() == field->value.view() && !initialising)) return;
  changed = true;
  if (field->kind != kFieldMultiLine) {
    if (field->kind != kFieldChoiceText) field->value = *text;
    return;
  }
  int last = LastRowOf(index);
  int lastWithText = index;
  size_t line = 0;
  auto wrappedAt = [&wrapped](size_t at) { return at < wrapped.size() && wrapped[at]; };
  for (int row = index; row <= last; ++row, ++line) {
    if (line < lines.size()) {
      Field(row)->value = CBstr(lines[line]);
      Field(row)->wrapped = wrappedAt(line) && row < last;
      if (!lines[line].empty()) lastWithText = row;
    } else {
      Field(row)->value = CBstr(u"");
      Field(row)->wrapped = false;
    }
  }
  // More lines than rows: nothing typed is dropped.
  std::u16string rest;
  for (; line < lines.size(); ++line) rest += (wrappedAt(line - 1) ? u"" : std::u16string(kCrLf)) + lines[line];
  if (!rest.empty() && rest != kCrLf) {
    Field(lastWithText)->value = CBstr(Field(lastWithText)->value.str() + rest);
  }
}

void CFieldFormModel::CommitSplitText(int index, const CBstr* text, const TextMeasure& measure, float width) {
  FormField* field = Field(index);
  if (!field) return;
  changed = true;
  if (!text) return;
  int last = LastRowOf(index);
  for (int row = index + 1; row <= last; ++row) Field(row)->value = CBstr(u"");
  CBstr rest = *text;
  int row = index;
  while (row <= last) {
    CBstr piece;
    int more = SplitTextAtWidth(measure, rest, piece, width);
    Field(row)->value = piece;
    if (!more || rest.IsEmpty()) return;
    ++row;
  }
  // What does not fit the rows goes onto the last one.
  Field(last)->value = CBstr(Field(last)->value.str() + rest.str());
}

void CFieldFormModel::RememberTypedText(int index, const CBstr& typed) {
  FormField* field = Field(index);
  if (!field || !field->choices) return;
  const CBstr text = TypedText(index, typed);
  FieldChoiceList& list = *field->choices;
  if (field->kind == kFieldChoiceText) {
    lastTyped = text;
    if (initialising || text.IsEmpty()) return;
    if (list.FindSecond(text.view()) >= 0) {
      field->changed = false;
      return;
    }
    CBstr shown;
    TruncateWithEllipsis(text.view(), shown);
    list.AddNew(shown, text);
  } else if (field->kind == kFieldTextWithChoices) {
    if (!field->changed || initialising || text.IsEmpty() || list.FindFirst(text.view()) >= 0) return;
    FormField* next = Field(index + 1);
    CBstr second = (field->flags & kFlagLinkedPair) && next ? next->value : CBstr(u"");
    list.AddNew(text, second);
  }
}

bool CFieldFormModel::ApplyChoice(int index, int entry) {
  FormField* field = Field(index);
  if (!field) return false;
  std::vector<std::u16string> entries = EntriesOf(index);
  if (entry < 0 || entry >= static_cast<int>(entries.size())) return false;
  if (field->kind == kFieldItemType) ApplyItemType(entries[entry]);
  const FieldChoiceList* list = field->choices;
  if ((field->kind == kFieldChoiceText || field->kind == kFieldTextWithChoices) && list) {
    // A linked pair shows its own entry (a name) and hands the second text (its value) to
    // the next field.
    const bool pair = field->kind == kFieldTextWithChoices && (field->flags & kFlagLinkedPair);
    field->value = pair ? list->first[entry] : list->second[entry];
    lastTyped = field->value;
  }
  FormField* next = Field(index + 1);
  if ((field->flags & kFlagDateRange) && next && Field(index + 2)) {
    GetDateRange(entries[entry], next->value, Field(index + 2)->value);
  }
  if ((field->flags & kFlagStorageLocation) && next && next->choices) {
    // The next field offers the folders of the chosen location, starting on its first.
    CFolderList folders;
    FillFolderList(folders, CBstr(entries[static_cast<size_t>(entry)]));
    FieldChoiceList& into = *next->choices;
    into = FieldChoiceList();
    for (const std::u16string& folder : folders) {
      if (into.count == FieldChoiceList::kCapacity) break;
      into.first[static_cast<size_t>(into.count)] = CBstr(folder);
      into.second[static_cast<size_t>(into.count)] = CBstr(folder);
      ++into.count;
    }
    next->value = into.count > 0 ? into.second[0] : CBstr(u"");
    return true;
  }
  if ((field->flags & kFlagLinkedPair) && next && list) {
    next->value = list->second[entry];
    for (int row = index + 2; row <= LastRowOf(index + 1); ++row) Field(row)->value = CBstr(u"");
    return (next->flags & kFlagEditable) != 0;
  }
  return false;
}

void CFieldFormModel::ApplyItemType(std::u16string_view type) {
  // Only the slots that hold fields are touched: a form of five to eight fields has no
  // records for the rest.
  auto set = [this](int i, DWORD bit, bool on) {
    if (FormField* f = Field(i)) f->flags = on ? (f->flags | bit) : (f->flags & ~bit);
  };
  if (m_count < 5) return;
  set(5, kFlagHidden, false);
  set(6, kFlagHidden, false);
  set(5, kFlagMoney, false);
  set(7, kFlagHidden, false);
  set(8, kFlagHidden, true);
  if (type == u"Subtotal") {
    set(5, kFlagHidden, true);
    set(6, kFlagHidden, true);
    set(7, kFlagHidden, true);
  } else if (type == u"Discount") {
    set(6, kFlagHidden, true);
    set(5, kFlagMoney, true);
  } else if (type == u"Payment") {
    set(6, kFlagHidden, true);
  } else if (type == u"Sales Tax Item" || type == u"Sales Tax Group") {
    set(6, kFlagHidden, true);
    set(5, kFlagMoney, true);
    set(7, kFlagHidden, true);
    set(8, kFlagHidden, false);
  }
}

int CFieldFormModel::NextField(int from, int step, bool forward) const {
  if (m_count <= 0) return -1;
  int start = forward ? from + std::max(step, 1) : from - std::max(step, 1);
  if (start >= m_count) start = 0;
  if (start < 0) start = m_count - 1;
  for (int n = 0, i = start; n < m_count; ++n) {
    const FormField* f = Field(i);
    if (f && (f->flags & kFlagEditable) && !(f->flags & kFlagHidden)) return i;
    i = forward ? (i + 1) % m_count : (i + m_count - 1) % m_count;
  }
  return -1;
}

int CFieldFormModel::MissingRequiredField() const {
  for (int i = 0; i < m_count; ++i) {
    const FormField* f = Field(i);
    if (f && (f->flags & kFlagRequired) && !(f->flags & kFlagHidden) && f->value.IsEmpty()) return i;
  }
  return -1;
}

int CFieldFormModel::NumberTooLargeField() const {
  for (int i = 0; i < m_count; ++i) {
    const FormField* f = Field(i);
    if (f && (f->flags & kFlagNumber) && !(f->flags & kFlagHidden) && IsNumberTooLarge(f->value.view())) return i;
  }
  return -1;
}

int CFieldFormModel::EndCheck(int& required) const {
  required = -1;
  if (!changed && !ownerChanged) return kEndUnchanged;
  bool allEmpty = true;
  for (int i = 0; i < m_count; ++i)
    if (Field(i) && !Field(i)->value.IsEmpty()) allEmpty = false;
  if (allEmpty) return m_count < 2 ? kEndAccepted : kEndCancelled;
  required = MissingRequiredField();
  return required >= 0 ? -1 : kEndAccepted;
}
