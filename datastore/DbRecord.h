// The generic list record: one node of the item tree (an item, a category or group, a
// list entry, a custom field, a message, a term, a tax code...) and the line item of a
// sales document, as 29 texts and a handful of numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

// Text indexes (0-28) with a fixed meaning; the others are spares that documents use.
enum DbRecordField {
  kFieldListID = 0,
  kFieldListType = 1,
  // A document line's unit of measure. An item read from the table leaves it empty: the
  // table's UnitOfMeasure column holds the item's second custom value (text 28).
  kFieldUnitOfMeasure = 2,
  kFieldName = 3,
  kFieldFullName = 4,
  kFieldParent = 5,
  kFieldSalesDescription = 6,
  kFieldSalesAmount = 7,
  kFieldTaxable = 8,
  kFieldTax2 = 9,
  kFieldQuantity = 10,
  kFieldRate = 11,
  kFieldTimeCreated = 14,
  kFieldTimeModified = 15,
  kFieldAccount = 16,
  kFieldVendor = 17,
  kFieldPurchaseCost = 18,
  kFieldEditSequenceCopy = 20,
  kFieldFallbackParent = 23,
  // Texts 25-28 are a line's CUSTOM_1_NAME, CUSTOM_1_VALUE, CUSTOM_2_NAME, CUSTOM_2_VALUE.
  // An item carries its own custom values in 26 and 28, so a line made from it starts with
  // them; the item table keeps them in its EditSequence and UnitOfMeasure columns (the
  // desktop's edit sequence of an item is text 20 and has no column). An entry of a named
  // list keeps its edit sequence in the EditSequence column, through text 26.
  kFieldCustomName1 = 25,
  kFieldCustomValue1 = 26,
  kFieldEditSequenceColumn = 26,
  kFieldCustomName2 = 27,
  kFieldCustomValue2 = 28,
  kDbRecordFields = 29
};

enum DbRecordQuantity {
  kStartingQuantity = 0,
  kEndingQuantity,
  kQuantityOnHand,
  kQuantityOnSalesOrder,
  kReorderPoint,
  kDbRecordQuantities
};

// A new list id: a braced GUID text.
CBstr NewListId();

class CDbRecord {
 public:
  // Defaults (SetDefaults) with a new list id; ObjectType 0 and ObjectPosition without
  // texts, for the caller to set before the record is written.
  CDbRecord();
  // Defaults with the given list id instead of a new one: for a record filled from a
  // stored row, whose id would replace a new one at once.
  explicit CDbRecord(CBstr listId);
  virtual ~CDbRecord();
  CDbRecord(const CDbRecord&) = delete;
  CDbRecord& operator=(const CDbRecord&) = delete;
  CDbRecord(CDbRecord&&) noexcept = default;
  CDbRecord& operator=(CDbRecord&&) noexcept = default;

  // Defaults, then the object type and position (-1 for none).
  static std::unique_ptr<CDbRecord> CDbRecordOfType(int objectType, int position);
  // Everything cleared, then the list id (a new one when `listId` is null or empty), Name
  // and FullName; UseCount 1, IsOpen 0, ObjectPosition -1, quantities 0; no other defaults.
  static std::unique_ptr<CDbRecord> CDbRecordFromNames(LPCWSTR listId, std::u16string_view name,
                                                       std::u16string_view fullName);
  // Defaults, then a copy of the source's present texts (its list id too), quantities and
  // object type, and the given position; UseCount 1 and IsOpen 0 whatever the source has.
  static std::unique_ptr<CDbRecord> CDbRecordCopy(const CDbRecord& source, int position);

  // UseCount 1, quantities 0, IsOpen 0, every text empty, then SalesAmount "0",
  // PurchaseCost "0", quantity "1", rate "0", text 12 "0", Taxable "Tax" and a new list
  // id. ObjectType and ObjectPosition stay.
  void SetDefaults();

  // Replaces text `index` by a copy; 0 on success, non-zero for an index outside 0-28 or
  // when no copy can be made (the old text stays). A null pointer makes the text absent.
  int SetField(int index, LPCWSTR text);
  int SetField(int index, std::u16string_view text);
  int SetField(int index, const std::u16string& text) { return SetField(index, std::u16string_view(text)); }
  int SetField(int index, const CBstr& text);
  // Takes the text itself (no copy); a null text makes it absent.
  int SetField(int index, CBstr&& text);
  // The stored text itself (not a copy); null when absent or for an index outside 0-28.
  BSTR GetField(int index) const;
  std::u16string_view FieldView(int index) const;

  void SetIsOpen(int value);
  // Sets the IsOpen text (a copy; null clears it) and the number read from it (0 when
  // empty).
  void SetIsOpenText(LPCWSTR text);
  void SetObjectType(int value);
  void SetObjectPosition(int value);
  void SetUseCount(int value);
  void SetQuantity(DbRecordQuantity which, int value) { m_quantity[which] = value; }

  int GetIsOpen() const { return m_isOpen; }
  int GetObjectType() const { return m_objectType; }
  int GetObjectPosition() const { return m_objectPosition; }
  int GetUseCount() const { return m_useCount; }
  int GetQuantity(DbRecordQuantity which) const { return m_quantity[which]; }
  // The decimal texts kept beside the numbers (null until set).
  BSTR GetIsOpenText() const { return MadeNumberText(m_isOpenText, m_isOpen, kIsOpenText); }
  BSTR GetObjectTypeText() const { return MadeNumberText(m_objectTypeText, m_objectType, kObjectTypeText); }
  BSTR GetObjectPositionText() const {
    return MadeNumberText(m_objectPositionText, m_objectPosition, kObjectPositionText);
  }
  BSTR GetUseCountText() const { return MadeNumberText(m_useCountText, m_useCount, kUseCountText); }

  // For the list tree: how many children the node has (filled when it is read through a
  // child cursor) and whether they have been loaded into the tree yet.
  int GetChildCount() const { return m_childCount; }
  void SetChildCount(int count) { m_childCount = count; }
  int GetChildrenLoaded() const { return m_childrenLoaded; }
  void SetChildrenLoaded(int loaded) { m_childrenLoaded = loaded; }

  // Quantity (text 10) times rate (text 11) with two decimals, followed by "T" when the
  // Taxable text is a three-character code and `useSalesTax` (the document's choice) is
  // on. A new text.
  CBstr GetLineTotalText(bool useSalesTax) const;

 private:
  void ClearAll();
  // The decimal text of a number set by its setter, made when first asked for.
  BSTR MadeNumberText(CBstr& text, int value, std::uint8_t bit) const;
  static constexpr std::uint8_t kIsOpenText = 1, kObjectTypeText = 2, kObjectPositionText = 4, kUseCountText = 8;
  // SetDefaults but for the list id.
  void SetDefaultValues();

  int m_isOpen = 0;
  mutable CBstr m_isOpenText;
  mutable CBstr m_objectTypeText;
  int m_objectType = 0;
  mutable CBstr m_useCountText;
  int m_useCount = 0;
  int m_objectPosition = 0;
  mutable CBstr m_objectPositionText;
  int m_quantity[kDbRecordQuantities] = {};
  // A record holds 29 texts and most keep their default; listing thousands of rows would
  // spend its time making those. A default text is therefore made only when GetField
  // hands it out: until then its bit is set here and its CBstr is null (FieldView reads
  // the default). Records are used on one thread, so the const GetField may do this.
  mutable CBstr m_text[kDbRecordFields];
  mutable std::uint32_t m_unmadeDefaults = 0;
  // The same for the decimal texts kept beside the four numbers (k...Text bits).
  mutable std::uint8_t m_unmadeNumberTexts = 0;
  int m_childCount = 0;
  int m_childrenLoaded = 0;
};
