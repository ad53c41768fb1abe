#include "datastore/DbRecord.h"

#include <atomic>

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/base/Guid.h"

namespace {

std::atomic<bool> g_useSalesTax{false};

CBstr NumberText(int value) {
  CBstr text;
  LongToText(value, text);
  return text;
}

bool ValidIndex(int index) { return index >= 0 && index < kDbRecordFields; }

}  // namespace

bool UseSalesTaxFlag() { return g_useSalesTax.load(); }
void SetUseSalesTaxFlag(bool on) { g_useSalesTax.store(on); }

CBstr NewListId() {
  GUID guid{};
  CoCreateGuid(&guid);
  WCHAR text[40] = {};
  int n = StringFromGUID2(guid, text, 40);
  return CBstr(std::u16string_view(text, n > 0 ? static_cast<size_t>(n - 1) : 0));
}

CDbRecord::CDbRecord() { SetDefaults(); }

CDbRecord::~CDbRecord() = default;

void CDbRecord::ClearAll() {
  m_isOpen = 0;
  m_isOpenText.reset();
  m_objectTypeText.reset();
  m_objectType = 0;
  m_useCountText.reset();
  m_useCount = 0;
  m_objectPosition = 0;
  m_objectPositionText.reset();
  for (int& q : m_quantity) q = 0;
  for (CBstr& text : m_text) text.reset();
  m_childCount = 0;
  m_childrenLoaded = 0;
}

void CDbRecord::SetDefaults() {
  SetUseCount(1);
  for (int& q : m_quantity) q = 0;
  SetIsOpen(0);
  for (CBstr& text : m_text) text = CBstr(u"");
  m_text[kFieldSalesAmount] = CBstr(u"0");
  m_text[kFieldPurchaseCost] = CBstr(u"0");
  m_text[kFieldQuantity] = CBstr(u"1");
  m_text[kFieldRate] = CBstr(u"0");
  m_text[12] = CBstr(u"0");
  m_text[kFieldTaxable] = CBstr(u"Tax");
  m_text[kFieldListID] = NewListId();
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
    if (!source.m_text[i].IsNull()) record->m_text[i] = source.m_text[i];
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
    return 0;
  }
  return SetField(index, std::u16string_view(text));
}

int CDbRecord::SetField(int index, std::u16string_view text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  try {
    m_text[index] = CBstr(text);
  } catch (const platform::HResultError& error) {
    return error.Code();
  }
  return 0;
}

int CDbRecord::SetField(int index, const CBstr& text) {
  if (!ValidIndex(index)) return E_INVALIDARG;
  if (text.IsNull()) {
    m_text[index].reset();
    return 0;
  }
  return SetField(index, text.view());
}

BSTR CDbRecord::GetField(int index) const { return ValidIndex(index) ? m_text[index].get() : nullptr; }

std::u16string_view CDbRecord::FieldView(int index) const {
  return ValidIndex(index) ? m_text[index].view() : std::u16string_view();
}

void CDbRecord::SetIsOpen(int value) {
  m_isOpen = value;
  m_isOpenText = NumberText(value);
}

void CDbRecord::SetIsOpenText(LPCWSTR text) {
  if (!text) {
    m_isOpenText.reset();
    m_isOpen = 0;
    return;
  }
  m_isOpenText = CBstr(text);
  m_isOpen = BstrToInt(m_isOpenText.view());
}

void CDbRecord::SetObjectType(int value) {
  m_objectType = value;
  m_objectTypeText = NumberText(value);
}

void CDbRecord::SetObjectPosition(int value) {
  m_objectPosition = value;
  m_objectPositionText = NumberText(value);
}

void CDbRecord::SetUseCount(int value) {
  m_useCount = value;
  m_useCountText = NumberText(value);
}

CBstr CDbRecord::GetLineTotalText() const {
  double total = ParseNumberText(m_text[kFieldQuantity].view()) * ParseNumberText(m_text[kFieldRate].view());
  CBstr text = FormatNumberText(total, true, true);
  if (m_text[kFieldTaxable].Length() == 3 && UseSalesTaxFlag()) text = CBstr(text.str() + u"T");
  return text;
}
