// The item part of an update: item types as categories, the items of the item file and its
// continuation files, groups with their member lines, and sales tax groups with the sum of
// their members' rates.
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/ListCache.h"
#include "datastore/SalesTaxList.h"
#include "datastore/SqlDatabase.h"
#include "listupdate/GroupList.h"
#include "listupdate/ImportText.h"
#include "listupdate/ListUpdater.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

// The ten types an item of the list may have, as one filter of the store's look-ups.
constexpr std::u16string_view kItemListTypes[] = {
    u"Service",  u"Inventory Part",   u"Non-inventory Part", u"Other Charge",   u"Subtotal",
    u"Discount", u"Discount Payment", u"Payment",            u"Sales Tax Item", u"Inventory Assembly"};

}  // namespace

// The custom item field names registered for one item file: the first item naming two
// known fields puts the list in its order.
struct CustomFieldOrder {
  std::u16string first, second;
  bool rebuilt = false;
};

int CListUpdater::ImportItemFiles() {
  CImportTransaction transaction(*m_store);
  int n = m_reader->CountElements(u"ITEM");
  if (n > 0 && m_clearItems) {
    for (std::u16string_view type : kItemListTypes) m_store->DeleteByListType(type);
    m_overwriteItems = false;
  }
  if (n == 0) return 1;
  Status(u"Tables...");
  if (!Status(u"Updating Item Types...")) return 0;
  int m = m_reader->CountElements(u"ITEMTYPE");
  std::u16string name;
  bool lineItems = false;
  int order = 0, i = 0;
  for (int more = m_reader->FirstItemType(name, lineItems, order); more;
       more = m_reader->NextItemType(name, lineItems, order)) {
    if (!Status(CountText(u"Item Type ", ++i, m))) return 0;
    std::u16string listId;
    if (lineItems)
      EnsureCategory(name, u"Item Lists", name, order,
                     name == u"Inventory Assembly" ? kObjectContainer512 : kObjectRoot, listId);
    else
      EnsureCategory(name, u"Other Lists", name, order, kObjectOtherLists, listId);
  }
  Status(u"Updating Categories...");
  if (!Status(u"Updating Items...")) return 0;
  int total = ImportItems(*m_reader, 0);

  // Continuation files lie in the database folder, whichever item file was named.
  CUpdateListReader next(m_progress->GetHwnd());
  for (int k = 1; !Stopped(); ++k) {
    std::u16string path = DatabaseFolderFile(u"NWQItems" + NumberText(k) + u".xml");
    if (!FileExists(path)) break;
    bool loaded = next.LoadFile(path) != 0;
    NoteRead(next);
    if (loaded && next.CheckVersion(kUpdateListVersion) == kVersionSame) {
      if (next.CountElements(u"ITEM") > 0) total += ImportItems(next, total);
    } else if (loaded || next.ParseFailed()) {
      // Read (and removed with the others), but not taken: the user learns that its items
      // are missing.
      ShowBox(kUnrecognizedListText);
    }
    next.Recreate();
  }
  return 1;
}

int CListUpdater::ImportItems(CUpdateListReader& reader, int firstNumber) {
  int n = reader.CountElements(u"ITEM");
  CustomFieldOrder order;
  int previousLevel = 0, i = 0;
  UpdateItemRecord item;
  for (int more = reader.FirstItem(item); more; more = reader.NextItem(item)) {
    ++i;
    if (item[kUpdType] == u"Group") continue;  // the Groups step takes it
    if (!Status(CountText(u"Item ", firstNumber + i, firstNumber + n))) return i;
    if (!ImportItem(item, previousLevel, order)) return i;
  }
  if (!order.rebuilt) {
    // Only the first two custom item fields are kept, without their desktop ids.
    CBstr first, second;
    m_listCache->GetFirstItemFieldName(first);
    if (!first.view().empty()) m_listCache->GetNextItemFieldName(second);
    m_listCache->DeleteAllItemFields();
    for (const CBstr* name : {&first, &second})
      if (!name->view().empty()) m_listCache->AddItemField(name->view(), u"", u"", u"");
  }
  return i;
}

bool CListUpdater::ImportItem(const UpdateItemRecord& item, int& previousLevel, CustomFieldOrder& order) {
  const std::u16string& type = item[kUpdType];
  int level = BstrToInt(item[kUpdLevel]);
  if (level > previousLevel) {
    if (auto parent = m_store->GetItemByListID(item[kUpdCatListID], kItemListTypes)) {
      parent->SetObjectType(kObjectCategory);
      m_store->UpdateItem(*parent);
    }
  }
  previousLevel = level;
  std::unique_ptr<CDbRecord> record;
  // An id the lists brought before is the item this run stored, whatever its type: it is
  // found also while the list is being cleared.
  const bool repeated = SeenBefore(u"ITEM", item[kUpdListID]);
  if (!m_clearItems || repeated) {
    // Most items of a repeated import are unchanged: their stamp alone settles that.
    CBstr stamp;
    const bool found = repeated ? m_store->GetItemStampByListID(item[kUpdListID], kItemListTypes, stamp)
                                : m_store->GetItemStampByListID(item[kUpdListID], type, stamp);
    if (found) {
      if (!ShouldOverwrite(item[kUpdName], item[kUpdModified], stamp.view())) return true;
      record = repeated ? m_store->GetItemByListID(item[kUpdListID], kItemListTypes)
                        : m_store->GetItemByListID(item[kUpdListID], type);
    }
  }
  bool existing = record != nullptr;
  if (!existing) {
    // The incoming id at once: making a fresh one only to replace it costs a GUID per item.
    record = std::make_unique<CDbRecord>(CBstr(item[kUpdListID]));
    record->SetObjectType(kObjectItem);
    record->SetObjectPosition(-1);
  }
  if (!Pump()) return false;

  CBstr price(item[kUpdPrice].empty() ? std::u16string_view(u"0") : std::u16string_view(item[kUpdPrice]));
  if (type == u"Payment") {
    record->SetField(kFieldVendor, item[kUpdFullName]);
    record->SetField(kFieldAccount, item[kUpdAccount]);
  } else if (type == u"Sales Tax Item" || type == u"Sales Tax Group") {
    AppendPercentSign(price);
    record->SetField(kFieldVendor, item[kUpdAccount]);
  } else {
    record->SetField(kFieldAccount, item[kUpdAccount]);
  }
  record->SetField(kFieldSalesAmount, price);
  record->SetField(kFieldPurchaseCost,
                   CPreferences::DisplayProductCosts() ? std::u16string_view(item[kUpdCost]) : std::u16string_view(u"0"));
  record->SetField(kFieldListType, type);
  record->SetField(kFieldName, item[kUpdName]);
  record->SetField(kFieldFullName, item[kUpdFullName]);
  record->SetField(kFieldSalesDescription, item[kUpdDesc]);
  record->SetField(kFieldTaxable, item[kUpdTaxCode]);
  record->SetField(kFieldTimeCreated, item[kUpdCreated]);
  record->SetField(kFieldTimeModified, item[kUpdModified]);
  record->SetField(kFieldEditSequenceCopy, item[kUpdEditSeq]);
  record->SetQuantity(kQuantityOnHand, BstrToInt(item[kUpdQtyOnHand]));
  record->SetQuantity(kReorderPoint, BstrToInt(item[kUpdOrderPoint]));

  if (!order.rebuilt) {
    auto first = item[kUpdCustom1Name].empty() ? nullptr : m_listCache->FindItemField(item[kUpdCustom1Name]);
    auto second = item[kUpdCustom2Name].empty() ? nullptr : m_listCache->FindItemField(item[kUpdCustom2Name]);
    if (first) order.first = item[kUpdCustom1Name];
    if (second) order.second = item[kUpdCustom2Name];
    if (first && second) {
      m_listCache->DeleteAllItemFields();
      for (const auto* field : {first.get(), second.get()})
        m_listCache->AddItemField(field->FieldView(kFieldName), field->FieldView(kFieldListID),
                                  field->FieldView(kFieldTimeCreated), field->FieldView(kFieldTimeModified));
      order.rebuilt = true;
    }
  }
  // The item's custom values are the update's: one the desktop no longer holds is gone.
  record->SetField(kFieldCustomValue1, u"");
  record->SetField(kFieldCustomValue2, u"");
  for (int slot : {kUpdCustom1Name, kUpdCustom2Name}) {
    const std::u16string& name = item[slot];
    const std::u16string& value = item[slot + 1];
    if (value.empty() || name.empty()) continue;
    if (name == order.first) record->SetField(kFieldCustomValue1, value);
    if (name == order.second) record->SetField(kFieldCustomValue2, value);
  }

  record->SetField(kFieldParent, item[kUpdCatName].empty() ? type : item[kUpdCatName]);
  if (existing)
    m_store->UpdateItem(*record);
  else
    m_store->AddItem(nullptr, *record, CItemStore::OnDuplicate::Insert);
  return true;
}

int CListUpdater::ImportGroups() {
  CImportTransaction transaction(*m_store);
  if (m_clearItems) m_store->DeleteByListType(u"Group");
  std::u16string categoryId;
  EnsureCategory(u"Group", u"Item Lists", u"Group", -1, kObjectRoot, categoryId);
  int n = m_reader->CountElements(u"GROUP");
  if (n == 0) return 1;
  if (!Status(u"Updating Groups...")) return 0;
  UpdateItemRecord group;
  int i = 0;
  for (int more = m_reader->FirstItemOfTag(u"GROUP", group); more; more = m_reader->NextItem(group)) {
    if (!Status(CountText(u"Group ", ++i, n))) return 0;
    const std::u16string& name = group[kUpdName];
    // A group and its lines are stored whole or not at all.
    CImportTransaction groupTransaction(*m_store);
    auto stored = m_store->GetItemByListID(group[kUpdListID], u"Group");
    // Not known by its id: the group of exactly that name, never one whose name merely
    // contains it.
    if (!stored) stored = m_store->FindItemLike(u"Name", name, u"Group", false);
    if (stored) {
      stored->SetObjectType(kObjectGroup);  // the look-ups read every row as an item
      std::u16string storedName(stored->FieldView(kFieldName));
      if (ShouldOverwrite(name, group[kUpdModified], stored->FieldView(kFieldTimeModified)))
        m_groups->UpdateGroup(*stored, name, group[kUpdCreated], group[kUpdModified], group[kUpdEditSeq]);
      // Cancelled in the prompt: the group keeps its members as well.
      if (Stopped()) return 0;
      // The lines below bring the members again.
      m_groups->DeleteMembers(storedName);
      if (storedName != name) m_groups->DeleteMembers(name);
    } else {
      m_groups->AddGroup(name, group[kUpdListID], group[kUpdCreated], group[kUpdModified], group[kUpdEditSeq], true);
    }
    if (!ImportGroupLines(name, i, n)) {
      groupTransaction.Rollback();
      return 0;
    }
  }
  return 1;
}

bool CListUpdater::ImportGroupLines(const std::u16string& groupName, int i, int n) {
  std::u16string listId, fullName, quantity;
  int j = 0;
  for (int more = m_reader->FirstGroupLine(listId, fullName, quantity); more;
       more = m_reader->NextGroupLine(listId, fullName, quantity)) {
    ++j;
    if (!Status(CountText(u"Group ", i, n) + u" (Item " + NumberText(j) + u")")) return false;
    auto item = m_store->GetItemByListID(listId, kItemListTypes);
    if (!item) {
      ShowWarningResText(m_mainWindow, IDS_UPDATE_UNKNOWN_MEMBER, fullName.c_str());
      if (m_mainWindow) UpdateWindow(m_mainWindow);
      continue;
    }
    auto member = CDbRecord::CDbRecordCopy(*item, j);
    member->SetField(kFieldListID, NewGuidString());
    member->SetObjectType(kObjectListedItem);
    member->SetField(kFieldParent, groupName);
    member->SetField(kFieldFullName, groupName + u":" + std::u16string(item->FieldView(kFieldFullName)));
    member->SetField(kFieldQuantity, NumberText(quantity.empty() ? 1 : BstrToInt(quantity)));
    m_store->AddItem(nullptr, *member, CItemStore::OnDuplicate::Insert);
  }
  return true;
}

int CListUpdater::ImportSalesTaxGroups() {
  CImportTransaction transaction(*m_store);
  int n = m_reader->CountElements(u"SALESTAXGROUP");
  if (n == 0) return 1;
  if (m_clearItems) m_store->DeleteByListType(u"Sales Tax Group");
  if (!Status(u"Updating Sales Tax Groups...")) return 0;
  // The rates of the sales tax items just imported.
  m_salesTaxes->Clear();
  UpdateItemRecord group;
  int i = 0;
  for (int more = m_reader->FirstItemOfTag(u"SALESTAXGROUP", group); more; more = m_reader->NextItem(group)) {
    if (!Status(CountText(u"Sales Tax Item Group ", ++i, n))) return 0;
    std::unique_ptr<CDbRecord> record;
    if (const bool repeated = SeenBefore(u"SALESTAXGROUP", group[kUpdListID]); !m_clearItems || repeated) {
      record = m_store->GetItemByListID(group[kUpdListID], group[kUpdType]);
      if (record && !ShouldOverwrite(group[kUpdName], group[kUpdModified], record->FieldView(kFieldTimeModified)))
        continue;
    }
    bool existing = record != nullptr;
    if (!existing) record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    double rate = 0;
    std::u16string listId, fullName, quantity;
    for (int line = m_reader->FirstGroupLine(listId, fullName, quantity); line;
         line = m_reader->NextGroupLine(listId, fullName, quantity)) {
      auto item = m_store->GetItemByListID(listId, u"Sales Tax Item");
      CBstr itemRate;
      if (item && m_salesTaxes->GetRateByName(item->FieldView(kFieldName), itemRate)) {
        rate += ParseNumberText(itemRate.view());
      } else {
        ShowWarningResText(m_mainWindow, IDS_UPDATE_UNKNOWN_MEMBER, fullName.c_str());
      }
    }
    CBstr price = FormatNumberText(rate, NumberDigits::TwoDigits);
    AppendPercentSign(price);
    record->SetField(kFieldSalesAmount, price);
    record->SetField(kFieldVendor, group[kUpdAccount]);
    record->SetField(kFieldListType, u"Sales Tax Group");
    record->SetField(kFieldParent, u"Sales Tax Group");
    record->SetField(kFieldName, group[kUpdName]);
    record->SetField(kFieldFullName, group[kUpdFullName]);
    record->SetField(kFieldSalesDescription, group[kUpdDesc]);
    record->SetField(kFieldListID, group[kUpdListID]);
    record->SetField(kFieldTaxable, group[kUpdTaxCode]);
    record->SetField(kFieldTimeCreated, group[kUpdCreated]);
    record->SetField(kFieldTimeModified, group[kUpdModified]);
    if (existing)
      m_store->UpdateItem(*record);
    else
      m_store->AddItem(nullptr, *record, CItemStore::OnDuplicate::Insert);
  }
  return 1;
}
