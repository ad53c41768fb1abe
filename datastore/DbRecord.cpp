#include "datastore/DbRecord.h"

#include <cstdint>

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/base/Guid.h"

namespace {

CBstr NumberText(int value) {
  CBstr text;
  LongToText(value, text);
  return text;
}

bool ValidIndex(int index) { return index >= 0 && index < kDbRecordFields; }

constexpr std::uint32_t Bit(int index) { return std::uint32_t{1} << index; }
constexpr std::uint32_t kAllFields = (std::uint32_t{1} << kDbRecordFields) - 1;

// The text each field holds after SetDefaults (the list id excepted: a new one is made).
std::u16string_view DefaultText(int index) {
  switch (index) {
    case kFieldSalesAmount:
    case kFieldPurchaseCost:
    case kFieldRate:
    case 12:
      return u"0";
    case kFieldQuantity:
      return u"1";
    case kFieldTaxable:
      return u"Tax";
    default:
      return u"";
  }
}

}  // namespace

CBstr NewListId() {
  GUID guid{};
  CoCreateGuid(&guid);
  WCHAR text[40] = {};
  int n = StringFromGUID2(guid, text, 40);
  return CBstr(std::u16string_view(text, n > 0 ? static_cast<size_t>(n - 1) : 0));
}

CDbRecord::CDbRecord() { SetDefaults(); }

CDbRecord::CDbRecord(CBstr listId) {
  SetDefaultValues();
  SetField(kFieldListID, std::move(listId));
}

CDbRecord::~CDbRecord() = default;

void CDbRecord::ClearAll() {
  m_isOpen = 0;
  m_isOpenText.reset();
  m_objectTypeText.reset();
  m_unmadeNumberTexts = 0;
  m_objectType = 0;
  m_useCountText.reset();
  m_useCount = 0;
  m_objectPosition = 0;
  m_objectPositionText.reset();
  for (int& q : m_quantity) q = 0;
  for (CBstr& text : m_text) text.reset();
  m_unmadeDefaults = 0;
  m_childCount = 0;
  m_childrenLoaded = 0;
}

void CDbRecord::SetDefaults() {
  SetDefaultValues();
  SetField(kFieldListID, NewListId());
}

void CDbRecord::SetDefaultValues() {
  SetUseCount(1);
  for (int& q : m_quantity) q = 0;
  SetIsOpen(0);
  // Every text is its default, made when someone asks for it (see m_unmadeDefaults).
  for (CBstr& text : m_text) text.reset();
  m_unmadeDefaults = kAllFields;
}

std::unique_ptr<CDbRecord> CDbRecord::CDbRecordOfType(int objectType, int position) {
  auto record = std::make_unique<CDbRecord>();
  record->SetObjectType(objectType);
  record->SetObjectPosition(position);
  return record;
}

std::unique_ptr<CDbRecord> CDbRecord::CDbRecordFromNames(LPCWSTR listId, std::u16string_view name,
                                                         std::u16string_view fullName) {
  auto record = std::make_unique<CDbRecord>();
  record->ClearAll();
  for (CBstr& text : record->m_text) text = CBstr(u"");
  record->m_text[kFieldListID] = (listId && *listId) ? CBstr(listId) : NewListId();
  record->m_text[kFieldName] = CBstr(name);
  record->m_text[kFieldFullName] = CBstr(fullName);
  record->SetUseCount(1);
  record->SetIsOpen(0);
  record->SetObjectPosition(-1);
  return record;
}

std::unique_ptr<CDbRecord> CDbRecord::CDbRecordCopy(const CDbRecord& source, int position) {
  auto record = std::make_unique<CDbRecord>();
  for (int i = 0; i < kDbRecordFields; ++i) {
    // A default still unmade in the source is the same unmade default in the copy.
    if (!(source.m_unmadeDefaults & Bit(i)) && !source.m_text[i].IsNull()) {
      record->m_text[i] = source.m_text[i];
      record->m_unmadeDefaults &= ~Bit(i);
    }
  }
  for (int q = 0; q < kDbRecordQuantities; ++q) record->m_quantity[q] = source.m_quantity[q];
  record->SetObjectType(source.m_objectType);
  record->SetObjectPosition(position);
  return record;
}

int CDbRecord::SetField(int index, LPCWSTR text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  if (!text) {
    m_text[index].reset();
    m_unmadeDefaults &= ~Bit(index);
    return 0;
  }
  return SetField(index, std::u16string_view(text));
}

int CDbRecord::SetField(int index, std::u16string_view text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  try {
    m_text[index] = CBstr(text);
    m_unmadeDefaults &= ~Bit(index);
  } catch (const platform::HResultError& error) {
    return error.Code();
  }
  return 0;
}

int CDbRecord::SetField(int index, CBstr&& text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  m_text[index] = std::move(text);
  m_unmadeDefaults &= ~Bit(index);
  return 0;
}

int CDbRecord::SetField(int index, const CBstr& text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  if (text.IsNull()) {
    m_text[index].reset();
    m_unmadeDefaults &= ~Bit(index);
    return 0;
  }
  return SetField(index, text.view());
}

BSTR CDbRecord::GetField(int index) const {
  if (!ValidIndex(index)) return nullptr;
  if (m_unmadeDefaults & Bit(index)) {
    m_text[index] = CBstr(DefaultText(index));
    m_unmadeDefaults &= ~Bit(index);
  }
  return m_text[index].get();
}

std::u16string_view CDbRecord::FieldView(int index) const {
  if (!ValidIndex(index)) return std::u16string_view();
  return (m_unmadeDefaults & Bit(index)) ? DefaultText(index) : m_text[index].view();
}

void CDbRecord::SetIsOpen(int value) {
  m_isOpen = value;
  m_isOpenText.reset();
  m_unmadeNumberTexts |= kIsOpenText;
}

void CDbRecord::SetIsOpenText(LPCWSTR text) {
  if (!text) {
    m_isOpenText.reset();
    m_unmadeNumberTexts &= ~kIsOpenText;
    m_isOpen = 0;
    return;
  }
  m_isOpenText = CBstr(text);
  m_unmadeNumberTexts &= ~kIsOpenText;
  m_isOpen = BstrToInt(m_isOpenText.view());
}

void CDbRecord::SetObjectType(int value) {
  m_objectType = value;
  m_objectTypeText.reset();
  m_unmadeNumberTexts |= kObjectTypeText;
}

void CDbRecord::SetObjectPosition(int value) {
  m_objectPosition = value;
  m_objectPositionText.reset();
  m_unmadeNumberTexts |= kObjectPositionText;
}

void CDbRecord::SetUseCount(int value) {
  m_useCount = value;
  m_useCountText.reset();
  m_unmadeNumberTexts |= kUseCountText;
}

BSTR CDbRecord::MadeNumberText(CBstr& text, int value, std::uint8_t bit) const {
  if (m_unmadeNumberTexts & bit) {
    text = NumberText(value);
    m_unmadeNumberTexts &= static_cast<std::uint8_t>(~bit);
  }
  return text.get();
}

CBstr CDbRecord::GetLineTotalText(bool useSalesTax) const {
  double total = ParseNumberText(FieldView(kFieldQuantity)) * ParseNumberText(FieldView(kFieldRate));
  CBstr text = FormatNumberText(total, NumberDigits::TwoDigits);
  if (FieldView(kFieldTaxable).size() == 3 && useSalesTax) text = CBstr(text.str() + u"T");
  return text;
}
