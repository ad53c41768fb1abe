// The simple lists of an update: tax codes, custom fields, customer messages, terms, price
// levels, the named lists, job types, labels, and the company information. Each list is
// one like step: its category ensured under "Other Lists", then every record matched to
// an entry (by list id, then by name) and replaced by the modification-stamp rule, or added.
#include "core/CompanyInfo.h"
#include "core/TextHelpers.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/ListAccessor.h"
#include "datastore/ListCache.h"
#include "datastore/ListEntries.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/TaxCodeList.h"
#include "listupdate/GroupList.h"
#include "listupdate/ImportText.h"
#include "listupdate/ListUpdater.h"

// The texts of one list record.
struct ListStepRecord {
  std::u16string listId, name, description, created, modified, editSequence, extra;
};

// What tells one list step from another.
struct ListStep {
  std::u16string_view category;
  int position = 0;
  std::u16string_view container;
  std::u16string_view record;
  std::u16string_view statusBefore;  // empty: none
  std::u16string_view prefix;        // of "<prefix>i of n"
  const char* extraTag = nullptr;    // the list's own further field
  bool readDescription = false;
  bool ensureAlways = false;  // the category even when the file has no such list
  // The update writes the incoming list id itself; otherwise an entry found by its name
  // is moved to the incoming id after the update.
  bool updateTakesId = false;
  std::function<std::unique_ptr<CDbRecord>(const ListStepRecord&)> byId = nullptr;    // null: no lookup by id
  std::function<std::unique_ptr<CDbRecord>(const ListStepRecord&)> byName = nullptr;  // null: no lookup by name
  std::function<void(CDbRecord&, const ListStepRecord&)> update = nullptr;
  std::function<void(const ListStepRecord&)> add = nullptr;
  // Turns the record's texts into what the list stores (messages and labels).
  void (*prepare)(ListStepRecord&) = nullptr;
};

namespace {

constexpr char16_t kOtherLists[] = u"Other Lists";
constexpr int kPositionMessages = 2, kPositionJobTypes = 4, kPositionFields = 9, kPositionPriceLevels = 11;

// Messages and labels: the whole text (line breaks as blanks) is the description, its short
// form the name. The XML parser has already turned the desktop's CR LF pairs into LF.
void PrepareTextEntry(ListStepRecord& in) {
  CBstr text(in.name);
  ReplaceLineBreaks(text);
  std::u16string joined = text.str();
  for (char16_t& c : joined)
    if (c == u'\n' || c == u'\r') c = u' ';
  text = CBstr(joined);
  CBstr shortName;
  TruncateWithEllipsis(text.view(), shortName);
  in.description = text.str();
  in.name = shortName.str();
}

}  // namespace

void CListUpdater::FindEntry(const ListStep& step, const ListStepRecord& in, std::unique_ptr<CDbRecord>& found,
                             bool& byName) {
  byName = false;
  // An id the list brought before is the entry this run stored: found also while clearing.
  const bool repeated = SeenBefore(step.category, in.listId);
  if (step.byId && (!m_clearItems || repeated)) found = step.byId(in);
  if (!found && step.byName) {
    found = step.byName(in);
    byName = found != nullptr;
  }
}

int CListUpdater::ImportList(const ListStep& step) {
  CImportTransaction transaction(*m_store);
  int n = m_reader->CountElements(step.record);
  bool present = m_reader->SelectList(step.container) != 0;
  if (present && m_clearItems) {
    m_store->DeleteByListType(step.category);
    m_overwriteItems = false;
  }
  if (present || step.ensureAlways) {
    std::u16string listId;
    EnsureCategory(step.category, kOtherLists, step.category, step.position, kObjectOtherLists, listId);
  }
  if (n == 0) return 1;
  if (!step.statusBefore.empty() && !Status(std::u16string(step.statusBefore))) return 0;
  int i = 0;
  for (int more = m_reader->FirstRecord(step.record); more; more = m_reader->NextRecord()) {
    if (!Status(CountText(step.prefix, ++i, n))) return 0;
    ListStepRecord in{m_reader->RecordText("LISTID"),   m_reader->RecordText("NAME"),
                      step.readDescription ? m_reader->RecordText("DESC") : std::u16string(),
                      m_reader->RecordText("CREATED"),  m_reader->RecordText("MODIFIED"),
                      m_reader->RecordText("EDITSEQ"),
                      step.extraTag ? m_reader->RecordText(step.extraTag) : std::u16string()};
    if (step.prepare) step.prepare(in);
    std::unique_ptr<CDbRecord> found;
    bool byName = false;
    FindEntry(step, in, found, byName);
    if (!found) {
      step.add(in);
      continue;
    }
    if (!ShouldOverwrite(in.name, in.modified, found->FieldView(kFieldTimeModified))) continue;
    step.update(*found, in);
    if (byName && step.byId && !step.updateTakesId && !in.listId.empty()) UpdateListEntry(*m_store, *found, in.listId);
  }
  return 1;
}

int CListUpdater::ImportTaxCodes() {
  CTaxCodeList& codes = *m_taxCodes;
  ListStep step{u"Tax Codes", kPositionMessages, u"TAXCODES", u"TAXCODEELEMENT", u"Updating  Sales Tax Codes...",
                u"Tax Codes ", "TAXABLE", true, false, true};
  step.byId = [&](const ListStepRecord& in) { return codes.GetTaxCodeByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return codes.FindTaxCode(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    codes.UpdateTaxCode(r, in.name, in.description, in.listId, in.extra, in.created, in.modified);
  };
  step.add = [&](const ListStepRecord& in) {
    codes.AddTaxCode(in.name, in.description, in.listId, in.extra, in.created, in.modified, false);
  };
  if (m_clearItems) codes.ClearCodes();
  int result = ImportList(step);
  if (m_clearItems) codes.LoadCodes();
  return result;
}

// The custom fields the desktop defines for items and for customers: found by name only.
int CListUpdater::ImportCustomFields(bool customers) {
  CListCache& cache = *m_listCache;
  ListStep step = customers ? ListStep{u"Custom Customer Fields", kPositionFields, u"CUSTOM_CUSTOMER_FIELDS",
                                       u"CUSTOM_CUSTOMER", u"Updating Custom Customer Fields...",
                                       u"Custom customer field "}
                            : ListStep{u"Custom Item Fields", kPositionFields, u"CUSTOM_ITEM_FIELDS", u"CUSTOM_ITEM",
                                       u"Updating Custom Item Fields...", u"Custom item field "};
  step.byName = [&](const ListStepRecord& in) {
    return customers ? cache.FindCustomerField(in.name) : cache.FindItemField(in.name);
  };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) { cache.UpdateItemField(r, in.name, in.created, in.modified); };
  step.add = [&](const ListStepRecord& in) {
    if (customers)
      cache.AddCustomerField(in.name, in.listId, in.created, in.modified);
    else
      cache.AddItemField(in.name, in.listId, in.created, in.modified);
  };
  return ImportList(step);
}

int CListUpdater::ImportCustomerMsgs() {
  CListAccessor& lists = *m_listAccessor;
  ListStep step{u"Customer Msgs", kPositionMessages, u"CUSTOMERMSGS", u"CUSTOMERMSG",
                u"Updating Customer Messages...", u"Customer Message "};
  step.updateTakesId = true;
  step.prepare = PrepareTextEntry;
  step.byId = [&](const ListStepRecord& in) { return lists.GetCustomerMsgByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return lists.FindCustomerMsg(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    lists.UpdateCustomerMsg(&r, in.name, in.description, in.listId, in.created, in.modified);
  };
  step.add = [&](const ListStepRecord& in) {
    lists.AddCustomerMsg(in.name, in.description, in.listId, in.created, in.modified, true);
  };
  return ImportList(step);
}

int CListUpdater::ImportLabels() {
  CListAccessor& lists = *m_listAccessor;
  ListStep step{u"Labels", kPositionMessages, u"LABELS", u"LABEL", u"Updating Labels...", u"Label "};
  step.ensureAlways = true;
  step.updateTakesId = true;
  step.prepare = PrepareTextEntry;
  step.byId = [&](const ListStepRecord& in) { return lists.GetLabelByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return lists.FindLabel(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    lists.UpdateLabel(&r, in.name.c_str(), in.description.c_str(), in.listId.c_str(), in.created.c_str(),
                      in.modified.c_str());
  };
  step.add = [&](const ListStepRecord& in) {
    lists.AddLabel(in.name, in.description, in.listId, in.created, in.modified, true);
  };
  return ImportList(step);
}

int CListUpdater::ImportTerms() {
  CListCache& cache = *m_listCache;
  ListStep step{u"Terms", kPositionFields, u"TERMS", u"TERM", u"Updating Terms...", u"Term ", "STDDUEDAYS"};
  step.byId = [&](const ListStepRecord& in) { return cache.GetTermByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return cache.FindTerm(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    cache.UpdateTerm(r, in.name, in.extra, in.created, in.modified);
  };
  step.add = [&](const ListStepRecord& in) { cache.AddTerm(in.name, in.listId, in.extra, in.created, in.modified); };
  return ImportList(step);
}

int CListUpdater::ImportPriceLevels() {
  CPriceLevelList& levels = *m_priceLevels;
  ListStep step{u"Price Levels", kPositionPriceLevels, u"PRICELEVELS", u"PRICELEVEL", u"Updating Price Levels...",
                u"Price Level ", "PRICELEVELFIXEDPERCENTAGE"};
  step.updateTakesId = true;
  step.byId = [&](const ListStepRecord& in) {
    auto entry = m_store->GetItemByListID(in.listId, u"Price Levels");
    if (entry) entry->SetObjectType(kListEntryKind);  // the look-up reads every row as an item
    return entry;
  };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    levels.UpdatePriceLevel(r, in.name, in.listId, in.created, in.modified, in.editSequence, in.extra);
  };
  step.add = [&](const ListStepRecord& in) {
    levels.AddPriceLevel(in.name, in.listId, in.created, in.modified, in.editSequence, in.extra);
  };
  return ImportList(step);
}

int CListUpdater::ImportJobTypes() {
  CListCache& cache = *m_listCache;
  ListStep step{u"Job Types", kPositionJobTypes, u"JOBTYPES", u"JOBTYPE", u"Updating Job Types...", u"Job Type "};
  step.byId = [&](const ListStepRecord& in) { return cache.GetJobTypeByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return cache.FindJobType(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) { cache.UpdateJobType(r, in.name, in.created, in.modified); };
  step.add = [&](const ListStepRecord& in) { cache.AddJobType(in.name, in.listId, in.created, in.modified); };
  return ImportList(step);
}

int CListUpdater::ImportNamedList(CNamedList& list, int position, bool withDescription) {
  ListStep step{list.Category(), position, list.ListElement(), list.RecordElement(), u"", list.ProgressText()};
  step.readDescription = withDescription;
  step.byId = [&](const ListStepRecord& in) { return list.GetByListID(in.listId); };
  step.byName = [&](const ListStepRecord& in) { return list.FindByName(in.name); };
  step.update = [&](CDbRecord& r, const ListStepRecord& in) {
    list.UpdateEntry(r, in.name, in.created, in.modified, in.description);
  };
  step.add = [&](const ListStepRecord& in) {
    list.AddEntry(in.name, in.listId, in.created, in.modified, in.description, false);
  };
  return ImportList(step);
}

int CListUpdater::ImportCompanyInfo() {
  if (!m_reader->SelectList(u"COMPANYINFO")) return 1;
  if (!Status(u"Updating Company Info...")) return 0;
  m_reader->FirstRecord(u"COMPANYINFO");
  std::u16string city = m_reader->RecordText("CITY");
  m_companyInfo->SetName(m_reader->RecordText("NAME"));
  m_companyInfo->SetAddress1(m_reader->RecordText("ADDRESS"));
  m_companyInfo->SetAddress2(city + (city.empty() ? u"" : u", ") + m_reader->RecordText("STATE") + u" " +
                             m_reader->RecordText("ZIP"));
  // The desktop sends no e-mail address or phone: those the user keyed in stay.
  m_companyInfo->Save();
  return 1;
}
