// What every simple list of the item tree shares: the categories, the shape of an entry
// (a leaf of kind 2 whose ListType and Parent are the category's name), the lookups by
// name and by list id, adding and rewriting an entry, and the walks over a category.
//
// The list objects (named lists, messages and labels, job types and terms, custom fields,
// price levels, tax codes, sales taxes) are built from these; other code uses the list
// objects.
#pragma once

#include <memory>
#include <string_view>

#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "platform/base/Bstr.h"

// ObjectType of an entry of a simple list.
inline constexpr int kListEntryKind = kObjectListEntry;

// Category names: each is the ListType and the Parent of the list's entries.
inline constexpr char16_t kAccountsCategory[] = u"Accounts";
inline constexpr char16_t kClassesCategory[] = u"Classes";
inline constexpr char16_t kCustomerTypesCategory[] = u"Customer Types";
inline constexpr char16_t kPaymentMethodsCategory[] = u"Payment Methods";
inline constexpr char16_t kSalesRepsCategory[] = u"Sales Reps";
inline constexpr char16_t kShippingMethodsCategory[] = u"Shipping Methods";
inline constexpr char16_t kVendorsCategory[] = u"Vendors";
inline constexpr char16_t kCustomerMsgsCategory[] = u"Customer Msgs";
inline constexpr char16_t kLabelsCategory[] = u"Labels";
inline constexpr char16_t kJobTypesCategory[] = u"Job Types";
inline constexpr char16_t kTermsCategory[] = u"Terms";
inline constexpr char16_t kPriceLevelsCategory[] = u"Price Levels";
inline constexpr char16_t kTaxCodesCategory[] = u"Tax Codes";
inline constexpr char16_t kCustomCustomerFieldsCategory[] = u"Custom Customer Fields";
inline constexpr char16_t kCustomItemFieldsCategory[] = u"Custom Item Fields";
// Sales tax items and groups are item types: each is the ListType and the Parent of its
// entries.
inline constexpr char16_t kSalesTaxItemType[] = u"Sales Tax Item";
inline constexpr char16_t kSalesTaxGroupType[] = u"Sales Tax Group";

// A new entry of `category`: kind 2, no position, ListType and Parent the category, the
// defaults of a new record otherwise (a new list id among them).
std::unique_ptr<CDbRecord> NewListEntry(std::u16string_view category);
// The same with its Name, list id (a new one when `listId` is empty) and time stamps.
std::unique_ptr<CDbRecord> NewListEntry(std::u16string_view category, std::u16string_view name,
                                        std::u16string_view listId, std::u16string_view created,
                                        std::u16string_view modified);

// Sets the text when `text` is not empty; an empty text keeps the record's value (the
// new list id of a new entry when the caller has none).
void SetFieldUnlessEmpty(CDbRecord& record, int index, std::u16string_view text);

// The entry of that Name under the category, read in full as a new record (kind and
// position of the entry kept); null when there is none.
std::unique_ptr<CDbRecord> FindListEntry(CItemStore& store, std::u16string_view category,
                                         std::u16string_view name);
// The entry of that Name under the category as the tree walk reads it (no second read);
// null when there is none.
std::unique_ptr<CDbRecord> FindListChild(CItemStore& store, std::u16string_view category,
                                         std::u16string_view name);
// The category's entry with that list id as a new record; null when there is none.
std::unique_ptr<CDbRecord> GetListEntryByListID(CItemStore& store, std::u16string_view category,
                                                std::u16string_view listId);
// The record read again in full (as a new record, its kind and position kept); null when
// its row is gone.
std::unique_ptr<CDbRecord> ReadListEntry(CItemStore& store, CDbRecord& record);
// Adds the entry (no owner window, no duplicate message); 1 when it was inserted.
int AddListEntry(CItemStore& store, CDbRecord& record, bool checkDuplicates);
// Writes every column of the entry's row; true on success.
bool UpdateListEntry(CItemStore& store, CDbRecord& record);
// The same, giving the entry the list id `listId` on the way when it is not empty. The
// row is found by the record's present list id, so a new id is stored by replacing the
// row (in one transaction) instead of an update that would find no row.
bool UpdateListEntry(CItemStore& store, CDbRecord& record, std::u16string_view listId);
// Rows whose Parent is `parent`.
int CountListEntries(CItemStore& store, std::u16string_view parent);

// A first/next walk over the children of one parent. The walk owns its cursor: walks of
// different objects never disturb each other.
class CChildWalk {
 public:
  enum Order { kByName, kUnordered };

  CChildWalk();
  ~CChildWalk();
  CChildWalk(const CChildWalk&) = delete;
  CChildWalk& operator=(const CChildWalk&) = delete;

  // Starts a new walk (ending any previous one) and returns the first child as the cursor
  // reads it (names, description, kinds; not every column); null when there is none.
  std::unique_ptr<CDbRecord> First(CItemStore& store, std::u16string_view parent, Order order);
  // The next child; null at the end (and for ever after, until First).
  std::unique_ptr<CDbRecord> Next();
  void End();

 private:
  CItemStore* m_store = nullptr;  // not owned
  std::unique_ptr<CSqlCursor> m_cursor;
};

// A first/next walk over the full rows of up to two list types under up to two parents.
class CItemSelectWalk {
 public:
  CItemSelectWalk();
  ~CItemSelectWalk();
  CItemSelectWalk(const CItemSelectWalk&) = delete;
  CItemSelectWalk& operator=(const CItemSelectWalk&) = delete;

  std::unique_ptr<CDbRecord> First(CItemStore& store, std::u16string_view type1,
                                   std::u16string_view type2, std::u16string_view parent1,
                                   std::u16string_view parent2);
  std::unique_ptr<CDbRecord> Next();
  void End();

 private:
  CItemStore* m_store = nullptr;  // not owned
  CItemSelect m_select;
};

// Gives an existing entry a new Name. An entry's FullName is its Name (entries are leaves
// straight under their category), so it follows the new name instead of keeping the old
// one in the file; a FullName that differs from the old Name is left alone.
void RenameListEntry(CDbRecord& record, std::u16string_view name);

// Replaces an out-text by a copy of a record's text (an absent text gives the empty one).
void CopyFieldText(const CDbRecord& record, int index, CBstr& out);
